// How every reader reports the outcome of a booking insert and of a canteen
// booking: a duplicate booking (2627) is logged and counts as success; any
// other failed insert is logged, shown on the console and becomes the file's
// first error if there was none yet; a canteen row counts as written or failed.
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
constexpr const char* kInsertFailedLine = "   ID %s: Insert-Fehler: %d\n";
constexpr const char* kInsertFailedLine62p = "  ID %s: Insert-Fehler: %d\n";

// After a booking insert that did not write its row (`result` not 0): writes
// the entries and console lines, counts the outcome, and updates
// `firstError`. With the debug flag, a failed insert's console line is
// followed by the line of its diagnostic record, if the store has one. A
// written row needs no report: the caller counts it.
void reportInsertFailure(RunContext& ctx, const BookingStore& store, int32_t result,
                         const BookingDetail& detail, const char* failedLineFormat, int32_t& firstError);

// After bookCanteen (which reports its own failure) answered `canteen`: counts
// the row as written or failed and, with the debug flag, shows the diagnostic
// record of a failed one after the canteen booking's console lines.
void reportCanteenOutcome(RunContext& ctx, const BookingStore& store, const StoreResult& canteen);

#endif  // HV_READERS_INSERT_OUTCOME_H
