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
