// How every reader reports the result of a booking insert: a duplicate booking
// (2627) is logged and counts as success; any other failure is logged, shown on
// the console and becomes the file's first error if there was none yet.
#ifndef HV_READERS_INSERT_OUTCOME_H
#define HV_READERS_INSERT_OUTCOME_H

#include <cstdint>
#include <string_view>

#include "common/run_context.h"
#include "db/booking_store.h"

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

inline void countInserted(RunContext& ctx) {
  ctx.lastResult = 0;
  ++ctx.counts.inserted;
}

// After a booking insert that did not write its row (`result` not 0): sets
// ctx.lastResult to `result` (0 again after a duplicate booking), writes the
// entries and console lines, counts the outcome, and updates `firstError`.
// With the debug flag, a failed insert's console line is followed by the line
// of its diagnostic record, if the store has one. A written row needs no
// report: the caller sets ctx.lastResult to 0 and counts it (countInserted above).
void reportInsertOutcome(RunContext& ctx, const BookingStore& store, int32_t result, const BookingDetail& detail,
                         const char* failedLineFormat, int32_t& firstError);

// After bookCanteen (which reports its own failure): counts the row as written
// or failed and, with the debug flag, shows the diagnostic record of a failed
// one after the canteen booking's console lines.
void reportCanteenOutcome(RunContext& ctx, const BookingStore& store);

#endif  // HV_READERS_INSERT_OUTCOME_H
