#include "common/console.h"

#include <cstdarg>

void Console::write(std::string_view text) {
  if (capture_ != nullptr) {
    capture_->append(text.data(), text.size());
  } else if (out_ != nullptr && !text.empty()) {
    std::fwrite(text.data(), 1, text.size(), out_);
  }
}

void Console::printf(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  const std::string text = formatTextV(fmt, args);
  va_end(args);
  write(text);
}
