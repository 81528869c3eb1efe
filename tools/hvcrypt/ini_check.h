// `hvcrypt check`: a configuration file read exactly as the import tool's
// connect step reads it (login::readLogin and the configuration reader), and
// what it makes of each key.
#ifndef HV_TOOLS_HVCRYPT_INI_CHECK_H
#define HV_TOOLS_HVCRYPT_INI_CHECK_H

#include <string>

struct IniReport {
  // One line per key in the order the connect step reads them (the value as
  // taken, the password masked, its length, and what the rules make of it),
  // then the verdict; every line ended by "\n".
  std::string text;
  // True when the import tool would connect with these values as they stand:
  // the file can be read, the data source name is taken and the schema is one
  // that the canteen insert names.
  bool taken = false;
};

IniReport checkIniFile(const std::string& path);

#endif  // HV_TOOLS_HVCRYPT_INI_CHECK_H
