// The suite's configuration file: line pairs (group line, entry line) whose
// values are Blowfish-encrypted hex texts.
#ifndef HV_CONFIG_INI_READER_H
#define HV_CONFIG_INI_READER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Room of the group, key and value fields of a line pair (characters); longer
// fields are cut to this length.
constexpr std::size_t kIniFieldLength = 200;
// Room of the number field (characters); a longer number text is cut to this
// length before it is read.
constexpr std::size_t kIniNumberLength = 11;

// Zero-based index of the n-th (from 1) occurrence of `ch` in `text`; the last
// occurrence when there are fewer than n; -1 when there is none.
int findChar(std::string_view text, char ch, int n);

// `length` characters of `text` from `start` into `dest`; length 0 means up to
// the end of the text; a negative length leaves `dest` unchanged.
void subString(std::string_view text, int start, int length, std::string& dest);

// The plaintext that the reader delivers for a value field: the field cut to
// kIniFieldLength characters, decrypted under the configuration key, and ended
// at the first zero byte of the plaintext.
std::string decodeIniValue(std::string_view valueField);

// Reads `path` in text mode as line pairs (a group line of at most 199
// characters, an entry line "number;key;value" of at most 399; a longer line
// goes on as the next line). Opens, reads and closes the file on every call.
// The decrypted value of the first line pair that matches group OR key OR
// number; the empty text when none matches or the file cannot be read.
std::string getIniValue(std::string_view group, std::string_view key, int32_t number,
                        const std::string& path);

#endif  // HV_CONFIG_INI_READER_H
