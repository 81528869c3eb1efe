#include "common/decimal.h"

#include <limits>

int32_t parseDecimal(std::string_view text) {
  // The usual text, a few digits and nothing else, the short way: up to nine
  // digits cannot leave the 32-bit range.
  constexpr std::size_t kSafeDigits = 9;
  if (!text.empty() && text.size() <= kSafeDigits) {
    int32_t plain = 0;
    std::size_t k = 0;
    while (k < text.size() && text[k] >= '0' && text[k] <= '9') plain = plain * 10 + (text[k++] - '0');
    if (k == text.size()) return plain;
  }
  std::size_t i = 0;
  auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kLimit) value = kLimit;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

