#include "text_rules.h"

#include <algorithm>

namespace hvemu {

int collateCompare(std::string_view a, std::string_view b) {
  const size_t n = std::max(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    // The shorter text is padded with blanks, as the server does.
    const unsigned char ca = foldByte(i < a.size() ? static_cast<unsigned char>(a[i]) : ' ');
    const unsigned char cb = foldByte(i < b.size() ? static_cast<unsigned char>(b[i]) : ' ');
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return 0;
}

namespace {

// Matches one bracket set starting at pattern[p] == '['; sets p past it.
// Returns false for an unterminated set, which then matches a literal '['.
bool matchSet(std::string_view pattern, size_t& p, unsigned char c, bool& matched) {
  size_t i = p + 1;
  bool negate = false;
  if (i < pattern.size() && pattern[i] == '^') {
    negate = true;
    ++i;
  }
  const size_t start = i;
  bool hit = false;
  while (i < pattern.size() && (pattern[i] != ']' || i == start)) {
    const unsigned char lo = foldByte(static_cast<unsigned char>(pattern[i]));
    if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
      const unsigned char hi = foldByte(static_cast<unsigned char>(pattern[i + 2]));
      if (c >= lo && c <= hi) hit = true;
      i += 3;
    } else {
      if (c == lo) hit = true;
      ++i;
    }
  }
  if (i >= pattern.size()) return false;
  p = i + 1;
  matched = hit != negate;
  return true;
}

bool likeFrom(std::string_view text, size_t t, std::string_view pattern, size_t p) {
  while (p < pattern.size()) {
    const char pc = pattern[p];
    if (pc == '%') {
      while (p < pattern.size() && pattern[p] == '%') ++p;
      if (p == pattern.size()) return true;
      for (size_t k = t; k <= text.size(); ++k) {
        if (likeFrom(text, k, pattern, p)) return true;
      }
      return false;
    }
    if (t >= text.size()) {
      return false;
    }
    const unsigned char c = foldByte(static_cast<unsigned char>(text[t]));
    if (pc == '_') {
      ++p;
      ++t;
      continue;
    }
    if (pc == '[') {
      size_t q = p;
      bool matched = false;
      if (matchSet(pattern, q, c, matched)) {
        if (!matched) return false;
        p = q;
        ++t;
        continue;
      }
    }
    if (foldByte(static_cast<unsigned char>(pc)) != c) return false;
    ++p;
    ++t;
  }
  // Trailing blanks of the text do not hinder a match of varchar data.
  while (t < text.size() && text[t] == ' ') ++t;
  return t == text.size();
}

}  // namespace

bool likeMatch(std::string_view text, std::string_view pattern) {
  return likeFrom(text, 0, pattern, 0);
}

std::string upperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return out;
}

}  // namespace hvemu
