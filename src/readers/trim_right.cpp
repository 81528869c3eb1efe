#include "readers/trim_right.h"

std::string_view trimRight(std::string_view text) {
  std::size_t n = text.size();
  while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\t')) --n;
  return text.substr(0, n);
}
