// OdbcBookingStore: the booking store over the run's ODBC connection. Every call
// is one statement on a statement handle of its own, freed before the call
// returns; the statement texts are those of sql_statements.h, built in the
// connection's statement buffer (the lookups' through LookupStatements).
//
// Borrows the Database (connection, diagnostic record, statement result code),
// the run log and the console; all three must outlive the store. Not copyable.
#ifndef HV_DB_ODBC_BOOKING_STORE_H
#define HV_DB_ODBC_BOOKING_STORE_H

#include <cstdint>
#include <string>
#include <string_view>

#include "common/console.h"
#include "common/log_writer.h"
#include "db/booking_store.h"
#include "db/database.h"
#include "db/lookup_statements.h"

class OdbcBookingStore : public BookingStore {
 public:
  OdbcBookingStore(Database& db, LogWriter& log, Console& console)
      : db_(db), log_(log), console_(console) {}
  OdbcBookingStore(const OdbcBookingStore&) = delete;
  OdbcBookingStore& operator=(const OdbcBookingStore&) = delete;

  // 0 inserted; -1 no statement handle, or the execution failed without a
  // native error code (no diagnostic record, or native code 0); otherwise the
  // native error code (2627: the booking is already there).
  int32_t insertBooking(const BookingRecord& record) override;
  // Writes the canteen row; on failure two run-log entries and two console
  // lines. Returns 1 always.
  int32_t bookCanteen(const BookingRecord& record) override;

  int32_t lookupKidKst(int32_t number, FixedText<31>& out, std::string_view terminal) override;
  int32_t lookupTtaFcd(BookingRecord& record, int32_t key) override;
  int32_t lookupTtaAps(std::string_view terminal, int32_t& key) override;
  int32_t lookupZlsKst(std::string_view terminal, int32_t reader, FixedText<31>& out) override;

  int32_t lastCanteenResult() const override { return lastCanteenResult_; }
  std::string lastFailureDiagnostic() const override { return lastFailureLine_; }

  // The canteen row (values in the argument order of the canteen booking).
  // 0 written; -1 no statement handle, a configured schema that is neither
  // empty nor a plain identifier of at most 20 characters (nothing is sent
  // then), or an execution failure without a native error code; otherwise the
  // native error code.
  int32_t insertCanteen(std::string_view badge, std::string_view date, std::string_view time,
                        std::string_view port, std::string_view function, std::string_view kind,
                        std::string_view bon);

 private:
  // Runs an insert statement: once a statement handle is there, `build`
  // appends the text to the connection's statement buffer. The result as
  // described for insertBooking.
  template <typename Build>
  int32_t runInsert(Build build);
  // Runs a single-value query, its text appended by `build`, with column 1
  // bound to (cType, buffer, length). `found` is called only when a row was
  // fetched. Result as for the lookups.
  template <typename Build, typename Found>
  int32_t runLookup(Build build, SQLSMALLINT cType, SQLPOINTER buffer, SQLLEN length, Found found);

  Database& db_;
  LogWriter& log_;
  Console& console_;
  LookupStatements lookups_;  // the lookups' texts for the terminal of the run
  int32_t lastCanteenResult_ = 0;
  std::string lastFailureLine_;  // diagnosticLine of the last insert that failed with a record
};

#endif  // HV_DB_ODBC_BOOKING_STORE_H
