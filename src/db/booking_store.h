// BookingStore: what a source reader needs from the database. The ODBC store
// runs each call as one statement on the run's connection; the readers' tests
// use a recording fake.
//
// Every call hands back a StoreResult. Its code follows the database layer's
// codes: 0 for success (for a lookup: a row was fetched, or no statement handle
// could be allocated), -1 when an insert got no statement handle or failed
// without a native code, 100 for a lookup without a row, otherwise the native
// error code of the failed statement (2627 for a duplicate booking).
#ifndef HV_DB_BOOKING_STORE_H
#define HV_DB_BOOKING_STORE_H

#include <cstdint>
#include <string>
#include <string_view>

#include "common/fixed_text.h"
#include "db/booking_record.h"

// The key number that stands for "no key": what the default-key lookup
// delivers for a NULL column, and what a 40p key character other than 0-9 and
// A-G means.
constexpr int32_t kNoKey = 99;

// What one call of the store came to.
struct StoreResult {
  int32_t code = 0;
  // The statement lost the connection, or was not sent because it was lost
  // before (see BookingStore::connectionLoss).
  bool connectionLost = false;
};

// The connection to the database went away at one of the store's statements.
struct ConnectionLoss {
  FixedText<6> sqlState;   // that statement's SQLSTATE; empty without a diagnostic record
  std::string diagnostic;  // its diagnostic record as the debug console line; empty without one
};

class BookingStore {
 public:
  virtual ~BookingStore() = default;

  // One row into HvSystem.Hvs321BEW. The record is only read.
  virtual StoreResult insertBooking(const BookingRecord& record) = 0;
  // One row into the canteen table from the record; reports its own failure
  // in the run log and on the console. The code is 0 when the row was written.
  virtual StoreResult bookCanteen(const BookingRecord& record) = 0;

  // Cost centre of a cost-centre number of the terminal's client; `out` is
  // written only when a row is fetched.
  virtual StoreResult lookupKidKst(int32_t number, FixedText<31>& out, std::string_view terminal) = 0;
  // Function code of a key number of record.BewTID's key table, written into
  // the first three bytes of record.BewArt when a row is fetched.
  virtual StoreResult lookupTtaFcd(BookingRecord& record, int32_t key) = 0;
  // The terminal's default key number (kNoKey when the column is NULL).
  virtual StoreResult lookupTtaAps(std::string_view terminal, int32_t& key) = 0;
  // Cost centre of reader `reader` of the terminal.
  virtual StoreResult lookupZlsKst(std::string_view terminal, int32_t reader, FixedText<31>& out) = 0;

  // The console line of the diagnostic record of the last insert, booking or
  // canteen, when its execution failed and the driver gave a record
  // ("   ODBC %s (%d): %s\n", see diagnosticLine); empty after a row was
  // written, without a statement handle, or without a record.
  virtual std::string lastFailureDiagnostic() const = 0;

  // Null while the connection holds. Once a statement has found it lost (its
  // SQLSTATE of class 08 or a time-out, or the driver reports the connection
  // dead), the loss: from then on the store sends nothing, and the reader
  // stops at the record it is at.
  virtual const ConnectionLoss* connectionLoss() const = 0;
};

#endif  // HV_DB_BOOKING_STORE_H
