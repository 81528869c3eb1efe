#include "common/format.h"

#include <cstdio>

std::string formatTextV(const char* fmt, va_list args) {
  // Most texts (every statement of a normal run) fit the stack buffer, so they
  // are formatted once; a longer one is formatted again at its full length.
  char small[1024];
  va_list again;
  va_copy(again, args);
  const int needed = std::vsnprintf(small, sizeof small, fmt, args);
  if (needed <= 0) {
    va_end(again);
    return std::string();
  }
  if (static_cast<std::size_t>(needed) < sizeof small) {
    va_end(again);
    return std::string(small, static_cast<std::size_t>(needed));
  }
  std::string out(static_cast<std::size_t>(needed) + 1, '\0');
  std::vsnprintf(&out[0], out.size(), fmt, again);
  va_end(again);
  out.resize(static_cast<std::size_t>(needed));
  return out;
}

std::string formatText(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string out = formatTextV(fmt, args);
  va_end(args);
  return out;
}
