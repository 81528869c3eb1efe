// The state one import run shares between the driver and the reader it calls:
// where to report (run log, console), the terminal name, the debug flag and the
// last result code. The driver owns it and lends it by reference.
#ifndef HV_COMMON_RUN_CONTEXT_H
#define HV_COMMON_RUN_CONTEXT_H

#include <cstdint>

#include "common/console.h"
#include "common/fixed_text.h"
#include "common/log_writer.h"

struct RunContext {
  RunContext(LogWriter& log_, Console& console_) : log(log_), console(console_) {}

  LogWriter& log;
  Console& console;
  FixedText<4> typeCode;     // first three characters of the type argument, upper-cased
  FixedText<50> terminal;    // terminal name, at most 49 characters
  bool debug = false;        // "/D": console status lines
  int32_t lastResult = 0;    // result of the step that ran last
};

#endif  // HV_COMMON_RUN_CONTEXT_H
