// BookingStore: what a source reader needs from the database. The ODBC store
// runs each call as one statement on the run's connection; the readers' tests
// use a recording fake.
//
// Results follow the database layer's codes: 0 for success (for a lookup: a row
// was fetched, or no statement handle could be allocated), -1 when an insert got
// no statement handle, 100 for a lookup without a row, otherwise the native
// error code of the failed statement (2627 for a duplicate booking).
#ifndef HV_DB_BOOKING_STORE_H
#define HV_DB_BOOKING_STORE_H

#include <cstdint>
#include <string>
#include <string_view>

#include "common/fixed_text.h"
#include "db/booking_record.h"

class BookingStore {
 public:
  virtual ~BookingStore() = default;

  // One row into HvSystem.Hvs321BEW. The record is only read.
  virtual int32_t insertBooking(const BookingRecord& record) = 0;
  // One row into the canteen table; reports its own failure in the run log and
  // on the console. Returns 1 always.
  virtual int32_t bookCanteen(const BookingRecord& record) = 0;

  // Cost centre of a cost-centre number of the terminal's client; `out` is
  // written only when a row is fetched.
  virtual int32_t lookupKidKst(int32_t number, FixedText<31>& out, std::string_view terminal) = 0;
  // Function code of a key number of record.BewTID's key table, written into
  // the first three bytes of record.BewArt when a row is fetched.
  virtual int32_t lookupTtaFcd(BookingRecord& record, int32_t key) = 0;
  // The terminal's default key number (99 when the column is NULL).
  virtual int32_t lookupTtaAps(std::string_view terminal, int32_t& key) = 0;
  // Cost centre of reader `reader` of the terminal.
  virtual int32_t lookupZlsKst(std::string_view terminal, int32_t reader, FixedText<31>& out) = 0;

  // What became of the last insert, for the readers' run summary and debug
  // lines. The result of the last canteen insert (bookCanteen itself always
  // returns 1): 0 when the row was written.
  virtual int32_t lastCanteenResult() const = 0;
  // The console line of the diagnostic record of the last insert, booking or
  // canteen, when its execution failed and the driver gave a record
  // ("   ODBC %s (%d): %s\n", see diagnosticLine); empty after a row was
  // written, without a statement handle, or without a record.
  virtual std::string lastFailureDiagnostic() const = 0;
};

#endif  // HV_DB_BOOKING_STORE_H
