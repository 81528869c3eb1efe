#include "common/format.h"

#include <cstdio>

std::string formatTextV(const char* fmt, va_list args) {
  va_list probe;
  va_copy(probe, args);
  const int needed = std::vsnprintf(nullptr, 0, fmt, probe);
  va_end(probe);
  if (needed <= 0) return std::string();
  std::string out(static_cast<std::size_t>(needed) + 1, '\0');
  std::vsnprintf(&out[0], out.size(), fmt, args);
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
