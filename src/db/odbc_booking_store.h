// OdbcBookingStore: the booking store over the run's ODBC connection. Every call
// is one statement of the connection's statement pattern (Database::runStatement),
// its text built in the connection's statement buffer by sql_statements.h (the
// lookups' through LookupStatements).
//
// Borrows the Database (connection, diagnostic record, statement result code),
// the run log and the console; all three must outlive the store. Not copyable.
#ifndef HV_DB_ODBC_BOOKING_STORE_H
#define HV_DB_ODBC_BOOKING_STORE_H

#include <cstdint>
#include <optional>
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

  // Code 0 inserted; -1 no statement handle, or the execution failed without a
  // native error code (no diagnostic record, or native code 0); otherwise the
  // native error code (2627: the booking is already there).
  StoreResult insertBooking(const BookingRecord& record) override;
  // Writes the canteen row (insertCanteen); on failure two run-log entries and
  // two console lines. The code is insertCanteen's.
  StoreResult bookCanteen(const BookingRecord& record) override;

  StoreResult lookupKidKst(int32_t number, FixedText<31>& out, std::string_view terminal) override;
  StoreResult lookupTtaFcd(BookingRecord& record, int32_t key) override;
  StoreResult lookupTtaAps(std::string_view terminal, int32_t& key) override;
  StoreResult lookupZlsKst(std::string_view terminal, int32_t reader, FixedText<31>& out) override;

  std::string lastFailureDiagnostic() const override { return lastFailureLine_; }
  const ConnectionLoss* connectionLoss() const override { return loss_ ? &*loss_ : nullptr; }

  // The canteen row (values in the argument order of the canteen booking).
  // Code 0 written; -1 no statement handle, a configured schema that
  // login::isCanteenSchema refuses (nothing is sent then), or an execution
  // failure without a native error code; otherwise the native error code.
  StoreResult insertCanteen(std::string_view badge, std::string_view date, std::string_view time,
                            std::string_view port, std::string_view function, std::string_view kind,
                            std::string_view bon);

 private:
  // An insert's statement, its text appended by `build`: the result as
  // described for insertBooking.
  template <typename Build>
  StoreResult runInsert(Build build);
  // A single-value query, its text appended by `build`, its value bound to
  // `column`; `found` is called only when a row was fetched. Code 0 with a row
  // or without a statement handle, the native error code of a failed
  // execution, else the fetch result (100: no row).
  template <typename Build, typename Found>
  StoreResult runLookup(Build build, const ResultColumn& column, Found found);
  // Keeps the loss when `outcome` lost the connection (the statement's
  // diagnostic record is still the current one).
  void noteLoss(const StatementOutcome& outcome);

  Database& db_;
  LogWriter& log_;
  Console& console_;
  LookupStatements lookups_;     // the lookups' texts for the terminal of the run
  std::string lastFailureLine_;  // diagnosticLine of the last insert that failed with a record
  std::optional<ConnectionLoss> loss_;
};

#endif  // HV_DB_ODBC_BOOKING_STORE_H
