// How every reader reports the outcome of a booking insert and of a canteen
// booking: a duplicate booking (2627) is logged and counts as success; any
// other failed insert is logged, shown on the console and becomes the file's
// first error if there was none yet; a canteen row counts as written or failed.
// And how a reader stops when the connection to the database is lost.
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

// Whether the store has lost its connection (BookingStore::connectionLoss):
// then the reader stops at the record it is at, reads and sends nothing more.
inline bool connectionLost(const BookingStore& store) { return store.connectionLoss() != nullptr; }

// The reader stops at record `record` (counted from 1 in the file; dta: the
// line number) because the store lost its connection: one run-log entry and
// one console line, "Datenbankverbindung unterbrochen bei Satz %d (SQLSTATE
// %s): Import abgebrochen", shown whatever the debug flag. With the debug flag
// the lost statement's diagnostic line follows, unless `diagnosticShown`: the
// failure lines of the insert or canteen booking that lost it showed it
// already. Returns the reader's result: `firstError`, or -1 when no insert
// had failed; never 0.
// REQUIRES: connectionLost(store).
int32_t stopAtLostConnection(RunContext& ctx, const BookingStore& store, int32_t record, bool diagnosticShown,
                             int32_t firstError);

#endif  // HV_READERS_INSERT_OUTCOME_H
