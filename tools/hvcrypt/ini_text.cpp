#include "ini_text.h"

#include "common/format.h"

namespace {

constexpr char kGroupLine[] = ";Datenbank;\r\n";

// The connect step drops the last character of the schema value, so the schema
// is written with one character more: a dot, as it stands in front of a table name.
constexpr char kSchemaSuffix[] = ".";

std::string entry(int number, const char* key, std::string_view plaintext) {
  return std::string(kGroupLine) + formatText("%d;%s;", number, key) +
         encryptValue(plaintext, kConfigKey) + "\r\n";
}

// The import puts the schema into the canteen statement only when it is a plain
// identifier (letters, digits, underscore); any other schema would make every
// canteen booking fail, so the tool refuses it. An empty schema is allowed for
// installations without a canteen.
bool isPlainSchema(std::string_view schema) {
  for (const char c : schema) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    if (!plain) return false;
  }
  return true;
}

}  // namespace

std::string checkIniLogin(const IniLogin& login) {
  if (login.dsn.size() > kMaxDsnLength) {
    return formatText("the data source name has %zu characters; the import tool takes at most %zu",
                      login.dsn.size(), kMaxDsnLength);
  }
  if (login.schema.size() > kMaxSchemaLength) {
    return formatText("the schema has %zu characters; the import tool takes at most %zu",
                      login.schema.size(), kMaxSchemaLength);
  }
  if (!isPlainSchema(login.schema)) {
    return "the schema '" + std::string(login.schema) +
           "' is not a plain name (letters, digits, underscore); the import tool would refuse it";
  }
  if (login.user.size() > kMaxIniPlainLength) {
    return formatText("the login has %zu characters; a configuration value holds at most %zu",
                      login.user.size(), kMaxIniPlainLength);
  }
  if (login.password.size() > kMaxIniPlainLength) {
    return formatText("the password has %zu characters; a configuration value holds at most %zu",
                      login.password.size(), kMaxIniPlainLength);
  }
  return std::string();
}

std::string buildIniText(const IniLogin& login) {
  return entry(1, "LOGIN", login.user) + entry(2, "PASS", login.password) +
         entry(3, "SCHEMA", std::string(login.schema) + kSchemaSuffix) +
         entry(4, "DATABASE", login.dsn);
}
