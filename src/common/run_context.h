// The state one import run shares between the driver and the reader it calls:
// where to report (run log, console), the terminal name, the debug flag and the
// run summary's counts. The driver owns it and lends it by reference.
#ifndef HV_COMMON_RUN_CONTEXT_H
#define HV_COMMON_RUN_CONTEXT_H

#include <cstdint>

#include "common/console.h"
#include "common/fixed_text.h"
#include "common/log_writer.h"

// What the reader made of the source file, for the run summary of the debug
// flag. Every record read ends up in exactly one of the other counts, except a
// dta line with fewer than 8 fields, and a record at whose lookups the
// connection was lost, which count as read only.
struct BookingCounts {
  int32_t read = 0;        // fixed formats: whole records read; dta: lines (or 498-character
                           // pieces) that hold at least one field
  int32_t inserted = 0;    // booking inserts that wrote their row
  int32_t duplicates = 0;  // booking inserts answered 2627 (already there)
  int32_t failed = 0;      // other failed booking inserts, and canteen rows not written
  int32_t canteen = 0;     // canteen rows written
};

struct RunContext {
  RunContext(LogWriter& log_, Console& console_) : log(log_), console(console_) {}

  LogWriter& log;
  Console& console;
  FixedText<4> typeCode;     // first three characters of the type argument, upper-cased
  FixedText<50> terminal;    // terminal name, at most 49 characters
  bool debug = false;        // "/D": console status lines
  BookingCounts counts;      // updated by the reader where it reports an outcome
};

#endif  // HV_COMMON_RUN_CONTEXT_H
