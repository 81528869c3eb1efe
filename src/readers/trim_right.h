// trimRight: drops the blanks and tabs at the end of a text, as the fixed-length
// readers do with the badge number they cut out of a record. Only blanks (0x20)
// and horizontal tabs (0x09) go; a carriage return, a line feed or any other
// byte ends the walk, and blanks in front stay.
#ifndef HV_READERS_TRIM_RIGHT_H
#define HV_READERS_TRIM_RIGHT_H

#include <cstddef>
#include <string_view>

#include "common/fixed_text.h"

// Length of `text` without its trailing blanks and tabs (0 when it has nothing else).
std::size_t trimmedLength(std::string_view text);

// Trims a zero-terminated text in place and returns it. REQUIRES: `text` is
// zero-terminated; nullptr is returned unchanged.
char* trimRight(char* text);

// Trims a fixed-width text in place and returns it.
template <std::size_t N>
FixedText<N>& trimRight(FixedText<N>& text) {
  const std::string_view content = text.view();
  // The kept bytes stay where they are; assign only zeroes the cut-off tail.
  text.assign(content.substr(0, trimmedLength(content)));
  return text;
}

#endif  // HV_READERS_TRIM_RIGHT_H
