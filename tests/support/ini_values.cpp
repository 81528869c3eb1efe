#include "support/ini_values.h"

#include <utility>

#include "common/format.h"
#include "config/value_crypt.h"
#include "support/temp_dir.h"

void writeIniValues(const std::string& path, const std::string& login, const std::string& password,
                    const std::string& schemaValue, const std::string& dsnValue) {
  // Named groups and numbers other than 0: the connect step asks with the
  // empty group and number 0, and either would match any pair.
  const std::pair<const char*, const std::string*> entries[] = {
      {"LOGIN", &login}, {"PASS", &password}, {"SCHEMA", &schemaValue}, {"DATABASE", &dsnValue}};
  std::string text;
  int number = 1;
  for (const auto& [key, value] : entries) {
    text += ";Datenbank;\r\n";
    text += formatText("%d;%s;", number++, key) + encryptValue(*value, kConfigKey) + "\r\n";
  }
  writeFileBytes(path, text);
}
