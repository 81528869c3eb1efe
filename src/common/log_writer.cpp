#include "common/log_writer.h"

#include <cstdarg>
#include <string>

void LogWriter::writeLogf(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  const std::string entry = formatTextV(fmt, args);
  va_end(args);
  writeLog(entry);
}
