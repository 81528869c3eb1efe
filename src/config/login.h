// The database login in the suite's configuration file: the four keys the
// connect step reads, what each value becomes, and the limits that decide
// whether a value is taken as it stands. The connect step and the
// configuration tool both take these rules from here.
//
// The keys are read in this order, each with the empty group and the number 0:
//   LOGIN     the user name, kept whole (room for 199 characters);
//   PASS      the password, kept whole (room for 199 characters);
//   SCHEMA    the schema of the canteen table: the value without its last
//             character (an empty value gives the empty schema);
//   DATABASE  the data source name: taken only with 1 to 40 characters,
//             otherwise the name stays empty.
#ifndef HV_CONFIG_LOGIN_H
#define HV_CONFIG_LOGIN_H

#include <cstddef>
#include <string>
#include <string_view>

#include "common/fixed_text.h"
#include "config/ini_reader.h"
#include "config/value_crypt.h"

namespace login {

inline constexpr char kKeyLogin[] = "LOGIN";
inline constexpr char kKeyPassword[] = "PASS";
inline constexpr char kKeySchema[] = "SCHEMA";
inline constexpr char kKeyDataSource[] = "DATABASE";

// Room the connect step keeps for each value, terminator included.
constexpr std::size_t kUserWidth = 200;
constexpr std::size_t kPasswordWidth = 200;
constexpr std::size_t kDataSourceWidth = 41;
constexpr std::size_t kSchemaWidth = 21;
constexpr std::size_t kMaxDataSourceLength = kDataSourceWidth - 1;
constexpr std::size_t kMaxSchemaLength = kSchemaWidth - 1;

// The longest plaintext whose ciphertext fits a value field of the
// configuration file; a longer value reads back as empty.
constexpr std::size_t kMaxValueLength = kIniFieldLength / kHexBlockLength * kBlockBytes;

// The connect step drops the last character of the SCHEMA value, so the
// schema is stored with one character more: a dot, as it stands in front of a
// table name.
inline constexpr char kSchemaSuffix[] = ".";

// The login as the connect step holds it.
struct Login {
  FixedText<kUserWidth> user;
  FixedText<kPasswordWidth> password;
  // The configured schema. A value that leaves more than 20 characters is
  // kept whole rather than cut into a different name; the canteen insert
  // refuses it (see isCanteenSchema).
  std::string schema;
  FixedText<kDataSourceWidth> dataSource;
};

// The configured schema from the plaintext of SCHEMA: all but its last character.
std::string schemaFromValue(std::string_view value);
// True when the plaintext of DATABASE is taken as data source name (1 to 40
// characters); otherwise the name stays empty.
bool takesDataSource(std::string_view value);

// The plaintexts of the four keys as the configuration file reader delivers
// them, before the rules above.
struct LoginValues {
  std::string user;
  std::string password;
  std::string schema;
  std::string dataSource;
};

// Reads the four keys from the configuration file at `iniPath`, in their
// order, each value taken out of the reader's result before the next is read.
// A missing file or key gives empty values.
LoginValues readLoginValues(const std::string& iniPath);
// What the connect step makes of the values.
Login takeLogin(const LoginValues& values);
// takeLogin(readLoginValues(iniPath)).
Login readLogin(const std::string& iniPath);

// True when `name` is non-empty and holds only ASCII letters, digits and
// underscores: the only kind of schema name that is put into a statement.
bool isPlainIdentifier(std::string_view name);

// The schemas the canteen insert names: the empty one (the statement then
// reads " INSERT INTO .Hvs321Kan", which the server resolves in the login's
// default schema) or a plain identifier of at most 20 characters.
bool isCanteenSchema(std::string_view schema);

}  // namespace login

#endif  // HV_CONFIG_LOGIN_H
