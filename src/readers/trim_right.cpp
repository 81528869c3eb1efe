#include "readers/trim_right.h"

std::size_t trimmedLength(std::string_view text) {
  std::size_t n = text.size();
  while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\t')) --n;
  return n;
}

char* trimRight(char* text) {
  if (text == nullptr) return text;
  text[trimmedLength(text)] = '\0';
  return text;
}
