#include "db/odbc_booking_store.h"

#include "config/login.h"
#include "db/sql_statements.h"
#include "db/sql_texts.h"

template <typename Build>
int32_t OdbcBookingStore::runInsert(Build build) {
  OdbcHandle statement(SQL_HANDLE_STMT);
  if (!db_.allocateStatement(statement)) return -1;  // statement result code untouched

  build(db_.startStatement());
  int32_t result = 0;
  if (db_.executeStatement(statement) == SQL_ERROR) {
    const bool record = db_.readDiagnostics(SQL_HANDLE_STMT, statement.get());
    result = db_.diagnostics().nativeError;
    // Formatted now, while the record is this statement's (once per failure).
    if (record) lastFailureLine_ = diagnosticLine(db_.diagnostics());
    // A failed execution without a native code (no diagnostic record, or a
    // driver-side error with code 0) is still a failure: the row is not there.
    if (result == 0) result = -1;
  }
  statement.reset();
  db_.setStatementResult(result);
  return result;
}

int32_t OdbcBookingStore::insertBooking(const BookingRecord& record) {
  lastFailureLine_.clear();
  // The caller's record is only read.
  return runInsert([&](StatementText& text) { appendBookingInsert(text, record); });
}

int32_t OdbcBookingStore::insertCanteen(std::string_view badge, std::string_view date,
                                        std::string_view time, std::string_view port,
                                        std::string_view function, std::string_view kind,
                                        std::string_view bon) {
  lastFailureLine_.clear();
  // The schema comes from the configuration file; it goes into the statement
  // only when empty (the server then takes the table from its default schema)
  // or as a plain identifier of at most 20 characters. Anything else is
  // refused before any call.
  if (!login::isCanteenSchema(db_.schema())) return -1;
  return runInsert([&](StatementText& text) {
    appendCanteenInsert(text, db_.schema(), port, function, date, time, kind, badge, bon);
  });
}

int32_t OdbcBookingStore::bookCanteen(const BookingRecord& record) {
  const FixedText<9> badge(record.BewIDN.view());  // first 8 characters
  const FixedText<9> date(record.BewDtm.view());   // YYYYMMDD
  FixedText<5> time;                                // hhmm of YYYYMMDDhhmmss
  const std::string_view stamp = record.BewUhr.view();
  if (stamp.size() > 8) time = stamp.substr(8, 4);

  FixedText<4> kind(sqltext::kCanteenKind);
  const char* bon = sqltext::kBonNo;
  if (record.BewSrc == "dta") {
    kind = record.BewArt.view();
    if (record.BewEra == "100") bon = sqltext::kBonYes;
  } else if (record.BewBer[0] == '1') {
    bon = sqltext::kBonYes;
  }

  const int32_t result = insertCanteen(badge.view(), date.view(), time.view(), sqltext::kCanteenPort,
                                       sqltext::kCanteenFunction, kind.view(), bon);
  lastCanteenResult_ = result;
  if (result != 0) {
    const long code = result;
    log_.writeLog(sqltext::kCanteenFailedLog);
    log_.writeLogf(sqltext::kCanteenDetailLog, code, badge.c_str(), date.c_str(), time.c_str(), bon);
    console_.write(sqltext::kCanteenFailedConsole);
    console_.printf(sqltext::kCanteenDetailConsole, code, badge.c_str(), date.c_str(), time.c_str(),
                    bon);
  }
  return 1;
}
