#include "ini_text.h"

#include "common/format.h"

namespace {

constexpr char kGroupLine[] = ";Datenbank;\r\n";

std::string entry(int number, const char* key, std::string_view plaintext) {
  return std::string(kGroupLine) + formatText("%d;%s;", number, key) +
         encryptValue(plaintext, kConfigKey) + "\r\n";
}

}  // namespace

std::string checkIniLogin(const IniLogin& login) {
  if (!login::takesDataSource(login.dsn)) {
    return formatText("the data source name has %zu characters; the import tool takes 1 to %zu",
                      login.dsn.size(), login::kMaxDataSourceLength);
  }
  if (login.schema.size() > login::kMaxSchemaLength) {
    return formatText("the schema has %zu characters; the import tool takes at most %zu",
                      login.schema.size(), login::kMaxSchemaLength);
  }
  if (!login::isCanteenSchema(login.schema)) {
    return "the schema '" + std::string(login.schema) +
           "' is not a plain name (letters, digits, underscore); the import tool would refuse it";
  }
  if (login.user.size() > login::kMaxValueLength) {
    return formatText("the login has %zu characters; a configuration value holds at most %zu",
                      login.user.size(), login::kMaxValueLength);
  }
  if (login.password.size() > login::kMaxValueLength) {
    return formatText("the password has %zu characters; a configuration value holds at most %zu",
                      login.password.size(), login::kMaxValueLength);
  }
  return std::string();
}

std::string buildIniText(const IniLogin& login) {
  return entry(1, login::kKeyLogin, login.user) + entry(2, login::kKeyPassword, login.password) +
         entry(3, login::kKeySchema, std::string(login.schema) + login::kSchemaSuffix) +
         entry(4, login::kKeyDataSource, login.dsn);
}
