// The configuration file reader on any file content: the value of a key is a
// decrypted text without zero bytes that fits the value field, whatever the
// lines hold; the field helpers keep to their bounds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/ini_reader.h"
#include "fuzz_support.h"

namespace {

// A value field of at most kIniFieldLength characters decrypts to at most half
// as many bytes, and the reader ends it at the first zero byte.
void checkValue(const std::string& value, const char* what) {
  FUZZ_CHECK(value.size() <= kIniFieldLength / 2, what);
  FUZZ_CHECK(value.find('\0') == std::string::npos, what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static ScratchFile scratch;
  const std::string_view input = inputText(data, size);
  const std::string& path = scratch.write(input);
  checkValue(getIniValue("", "SCHEMA", 0, path), "the value of a key");
  checkValue(getIniValue("NoGroup", "PASS", -1, path), "the value of a key");
  checkValue(decodeIniValue(input), "a value field");

  for (int n = 1; n <= 3; ++n) {
    const int at = findChar(input, ';', n);
    FUZZ_CHECK((at < 0) == (input.find(';') == std::string_view::npos), "-1 only without the character");
    FUZZ_CHECK(at < 0 || input[static_cast<std::size_t>(at)] == ';', "the index of the character");
  }
  const int start = size > 0 ? data[0] % 64 - 8 : 0;
  const int length = size > 1 ? data[1] % 64 - 8 : 0;
  std::string dest = "old";
  subString(input, start, length, dest);
  if (length < 0) {
    FUZZ_CHECK(dest == "old", "a negative length leaves the text");
  } else {
    const std::size_t from = start < 0 ? 0 : static_cast<std::size_t>(start);
    const std::string_view expected = from >= input.size() ? std::string_view()
                                      : length == 0        ? input.substr(from)
                                                           : input.substr(from, static_cast<std::size_t>(length));
    FUZZ_CHECK(dest == expected, "the characters asked for");
  }
  return 0;
}
