// The console of a run: standard output in the tool, a captured text in tests.
// Texts are written byte for byte as given, with no line end added.
#ifndef HV_COMMON_CONSOLE_H
#define HV_COMMON_CONSOLE_H

#include <cstdio>
#include <string>
#include <string_view>

#include "common/format.h"

class Console {
 public:
  // Writes to `out` (standard output by default).
  explicit Console(std::FILE* out = stdout) : out_(out) {}
  // Collects everything in `capture` instead; REQUIRES: `capture` outlives this.
  explicit Console(std::string* capture) : capture_(capture) {}

  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  void write(std::string_view text);
  void printf(const char* fmt, ...) HV_PRINTF_LIKE(2, 3);

 private:
  std::FILE* out_ = nullptr;
  std::string* capture_ = nullptr;
};

#endif  // HV_COMMON_CONSOLE_H
