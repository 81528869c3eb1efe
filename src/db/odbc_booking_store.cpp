#include "db/odbc_booking_store.h"

#include "config/login.h"
#include "db/sql_statements.h"
#include "db/sql_texts.h"

void OdbcBookingStore::noteLoss(const StatementOutcome& outcome) {
  if (!outcome.connectionLost || loss_) return;
  loss_.emplace();
  loss_->sqlState = outcome.sqlState;
  if (outcome.diagnosed) loss_->diagnostic = diagnosticLine(db_.diagnostics());
}

template <typename Build>
StoreResult OdbcBookingStore::runInsert(Build build) {
  lastFailureLine_.clear();
  const StatementOutcome outcome = db_.runStatement(build);
  if (outcome.step == StatementOutcome::Step::kNoHandle) {
    return {-1, loss_.has_value()};  // statement result code untouched
  }
  int32_t code = 0;
  if (outcome.step == StatementOutcome::Step::kFailed) {
    // Formatted now, while the record is this statement's (once per failure).
    if (outcome.diagnosed) lastFailureLine_ = diagnosticLine(db_.diagnostics());
    noteLoss(outcome);
    // A failed execution without a native code (no diagnostic record, or a
    // driver-side error with code 0) is still a failure: the row is not there.
    code = outcome.nativeError != 0 ? outcome.nativeError : -1;
  }
  db_.setStatementResult(code);
  return {code, outcome.connectionLost};
}

StoreResult OdbcBookingStore::insertBooking(const BookingRecord& record) {
  // The caller's record is only read.
  return runInsert([&](StatementText& text) { appendBookingInsert(text, record); });
}

StoreResult OdbcBookingStore::insertCanteen(std::string_view badge, std::string_view date,
                                            std::string_view time, std::string_view port,
                                            std::string_view function, std::string_view kind,
                                            std::string_view bon) {
  // The schema comes from the configuration file; it goes into the statement
  // only as login::isCanteenSchema allows. Anything else is refused before
  // any call.
  if (!login::isCanteenSchema(db_.schema())) {
    lastFailureLine_.clear();
    return {-1};
  }
  return runInsert([&](StatementText& text) {
    appendCanteenInsert(text, db_.schema(), port, function, date, time, kind, badge, bon);
  });
}

StoreResult OdbcBookingStore::bookCanteen(const BookingRecord& record) {
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

  const StoreResult result = insertCanteen(badge.view(), date.view(), time.view(), sqltext::kCanteenPort,
                                           sqltext::kCanteenFunction, kind.view(), bon);
  if (result.code != 0) {
    const long code = result.code;
    log_.writeLog(sqltext::kCanteenFailedLog);
    log_.writeLogf(sqltext::kCanteenDetailLog, code, badge.c_str(), date.c_str(), time.c_str(), bon);
    console_.write(sqltext::kCanteenFailedConsole);
    console_.printf(sqltext::kCanteenDetailConsole, code, badge.c_str(), date.c_str(), time.c_str(),
                    bon);
  }
  return result;
}
