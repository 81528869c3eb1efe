#include "config/login.h"

namespace login {

std::string schemaFromValue(std::string_view value) {
  if (value.empty()) return std::string();
  return std::string(value.substr(0, value.size() - 1));
}

bool takesDataSource(std::string_view value) { return !value.empty() && value.size() <= kMaxDataSourceLength; }

LoginValues readLoginValues(const std::string& iniPath) {
  LoginValues values;
  values.user = getIniValue("", kKeyLogin, 0, iniPath);
  values.password = getIniValue("", kKeyPassword, 0, iniPath);
  values.schema = getIniValue("", kKeySchema, 0, iniPath);
  values.dataSource = getIniValue("", kKeyDataSource, 0, iniPath);
  return values;
}

Login takeLogin(const LoginValues& values) {
  Login login;
  login.user = values.user;
  login.password = values.password;
  login.schema = schemaFromValue(values.schema);
  if (takesDataSource(values.dataSource)) login.dataSource = values.dataSource;
  return login;
}

Login readLogin(const std::string& iniPath) { return takeLogin(readLoginValues(iniPath)); }

bool isPlainIdentifier(std::string_view name) {
  if (name.empty()) return false;
  for (const char c : name) {
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    const bool digit = c >= '0' && c <= '9';
    if (!letter && !digit && c != '_') return false;
  }
  return true;
}

bool isCanteenSchema(std::string_view schema) {
  return schema.empty() || (schema.size() <= kMaxSchemaLength && isPlainIdentifier(schema));
}

}  // namespace login
