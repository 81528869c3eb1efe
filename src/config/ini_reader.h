// The suite's configuration file: line pairs (group line, entry line) whose
// values are Blowfish-encrypted hex texts.
#ifndef HV_CONFIG_INI_READER_H
#define HV_CONFIG_INI_READER_H

#include <cstdint>
#include <string>
#include <string_view>

// Zero-based index of the n-th (from 1) occurrence of `ch` in `text`; the last
// occurrence when there are fewer than n; -1 when there is none.
int findChar(std::string_view text, char ch, int n);

// `length` characters of `text` from `start` into `dest`; length 0 means up to
// the end of the text; a negative length leaves `dest` unchanged.
void subString(std::string_view text, int start, int length, std::string& dest);

// The decrypted value of the first line pair that matches group OR key OR
// number; the empty text when none matches or the file cannot be read.
std::string getIniValue(std::string_view group, std::string_view key, int32_t number,
                        const std::string& path);

#endif  // HV_CONFIG_INI_READER_H
