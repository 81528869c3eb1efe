// The configuration file that hvcrypt writes for the import tool's connect
// step (config/login.h), which asks for each key with the empty group and the
// number 0, and takes the first pair whose group reads as empty, whose key
// matches, or whose number reads as 0. So every group line carries a group
// name and every entry a number other than 0.
#ifndef HV_TOOLS_HVCRYPT_INI_TEXT_H
#define HV_TOOLS_HVCRYPT_INI_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>

#include "config/login.h"

// The four login values, viewed from the command line (they outlive the struct).
struct IniLogin {
  std::string_view user;
  std::string_view password;
  std::string_view schema;
  std::string_view dsn;
};

// Empty when the connect step would read every value back unchanged; otherwise
// the reason, one sentence.
std::string checkIniLogin(const IniLogin& login);

// The whole file, CR LF line ends. REQUIRES: checkIniLogin(login) is empty.
std::string buildIniText(const IniLogin& login);

#endif  // HV_TOOLS_HVCRYPT_INI_TEXT_H
