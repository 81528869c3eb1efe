// Configuration files written by hand for tests: values that hvcrypt refuses
// to write, in the layout that hvcrypt writes.
#ifndef HV_TESTS_SUPPORT_INI_VALUES_H
#define HV_TESTS_SUPPORT_INI_VALUES_H

#include <string>

// Writes a configuration file holding exactly these encrypted values (no length
// checks, the SCHEMA value as given, including its trailing character): for
// values that hvcrypt refuses to write.
void writeIniValues(const std::string& path, const std::string& login, const std::string& password,
                    const std::string& schemaValue, const std::string& dsnValue);

#endif  // HV_TESTS_SUPPORT_INI_VALUES_H
