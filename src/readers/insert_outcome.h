// How every reader reports the result of a booking insert: a duplicate booking
// (2627) is logged and counts as success; any other failure is logged, shown on
// the console and becomes the file's first error if there was none yet.
#ifndef HV_READERS_INSERT_OUTCOME_H
#define HV_READERS_INSERT_OUTCOME_H

#include <cstdint>
#include <string_view>

#include "common/run_context.h"

constexpr int32_t kDuplicateBooking = 2627;

// The values the run-log detail entry quotes: ID, terminal, date, time, kind.
struct BookingDetail {
  std::string_view id;
  std::string_view terminal;
  std::string_view date;
  std::string_view time;
  std::string_view kind;
};

// Console line after a failed insert: the 40p, 50p and dta readers indent it by
// three blanks, the 62p reader by two.
constexpr const char* kInsertFailedLine3 = "   ID %s: Insert-Fehler: %d\n";
constexpr const char* kInsertFailedLine2 = "  ID %s: Insert-Fehler: %d\n";

// Sets ctx.lastResult to `result` (0 again after a duplicate booking), writes
// the entries and console lines, and updates `firstError`.
void reportInsertOutcome(RunContext& ctx, int32_t result, const BookingDetail& detail,
                         const char* failedLineFormat, int32_t& firstError);

#endif  // HV_READERS_INSERT_OUTCOME_H
