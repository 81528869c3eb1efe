// Text rules of the server's default collation for single-byte (Windows-1252)
// texts: case-insensitive, accent-sensitive, trailing blanks ignored in "=".
// Free functions over byte strings; no state.
#ifndef HVEMU_TEXT_RULES_H
#define HVEMU_TEXT_RULES_H

#include <string>
#include <string_view>

namespace hvemu {

// Upper-case fold of one Windows-1252 byte (a-z, the accented letters, š, œ, ž, ÿ),
// by table: it runs for every character compared.
struct FoldTable {
  unsigned char map[256];
  constexpr FoldTable() : map() {
    for (int c = 0; c < 256; ++c) {
      int f = c;
      if (c >= 'a' && c <= 'z') f = c - 32;
      else if (c >= 0xE0 && c <= 0xFE && c != 0xF7) f = c - 32;
      else if (c == 0x9A) f = 0x8A;  // š
      else if (c == 0x9C) f = 0x8C;  // œ
      else if (c == 0x9E) f = 0x8E;  // ž
      else if (c == 0xFF) f = 0x9F;  // ÿ
      map[c] = static_cast<unsigned char>(f);
    }
  }
};
inline constexpr FoldTable kFold{};
inline unsigned char foldByte(unsigned char c) { return kFold.map[c]; }

// Three-way comparison under the collation: blank-padded, case-insensitive.
int collateCompare(std::string_view a, std::string_view b);

// T-SQL LIKE: % any run, _ one character, [abc] [a-z] [^abc] sets; case-insensitive.
bool likeMatch(std::string_view text, std::string_view pattern);

// ASCII upper-case copy, for keywords and identifier keys.
std::string upperAscii(std::string_view s);
inline bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (foldByte(static_cast<unsigned char>(a[i])) != foldByte(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

}  // namespace hvemu

#endif
