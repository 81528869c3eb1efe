// The run log as the readers and the booking store see it: one call, one entry.
// The driver's RunLog writes the file; tests record the entries.
#ifndef HV_COMMON_LOG_WRITER_H
#define HV_COMMON_LOG_WRITER_H

#include <string_view>

#include "common/format.h"

class LogWriter {
 public:
  virtual ~LogWriter() = default;
  // Appends one entry (the text and one line end). Never fails visibly.
  virtual void writeLog(std::string_view entry) = 0;
  // Formats an entry printf-style and writes it. Entries are built without a
  // length limit, so a long source line or path is logged whole.
  void writeLogf(const char* fmt, ...) HV_PRINTF_LIKE(2, 3);
};

#endif  // HV_COMMON_LOG_WRITER_H
