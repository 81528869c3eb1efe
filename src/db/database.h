// Database: the run's one ODBC connection (environment and connection handle),
// opened by dbConnect from the configuration file and kept until the process
// ends. Statements run on it through the booking store.
//
// Ownership: Database owns both handles, the diagnostic record of the last
// failed connect or statement, the text of the last statement and the statement
// result code. The tool creates one Database in main and never closes the
// connection while it runs; the destructor, which runs as the process ends,
// disconnects and frees the handles. Every statement runs through
// runStatement, which owns its statement handle from allocation to free. Not
// copyable.
#ifndef HV_DB_DATABASE_H
#define HV_DB_DATABASE_H

#ifdef _WIN32
#include <windows.h>  // the ODBC headers need the Windows types first
#endif
#include <sql.h>
#include <sqlext.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/console.h"
#include "common/fixed_text.h"
#include "db/odbc_handle.h"
#include "db/statement_text.h"

// The first diagnostic record of a handle: SQLSTATE, message text, native error
// code. Cleared to zero bytes before every read.
struct DiagnosticRecord {
  std::array<SQLCHAR, 256> sqlState{};
  std::array<SQLCHAR, 1000> message{};
  SQLINTEGER nativeError = 0;

  void clear();
  std::string state() const;  // SQLSTATE up to its terminator
  std::string text() const;   // message up to its terminator
};

// The record as one console line of the debug output: "   ODBC %s (%d): %s\n"
// with SQLSTATE, native error code and message. The message is shown as far as
// the record holds it (its 1000 bytes), every CR and LF as a blank, and every
// occurrence of `secret` (the password of the login) as "***"; when the message
// fills the record, a piece of the secret that the cut left at its end is
// masked as well. An empty secret masks nothing.
std::string diagnosticLine(const DiagnosticRecord& record, std::string_view secret = {});

// SQLSTATE: five characters.
using SqlState = FixedText<6>;

// What became of one statement of the statement pattern (Database::runStatement).
struct StatementOutcome {
  enum class Step {
    kNoHandle,  // no statement handle could be allocated: nothing was sent
    kFailed,    // the execution answered SQL_ERROR
    kExecuted,  // the execution answered anything else (SQL_SUCCESS_WITH_INFO too)
  };
  Step step = Step::kNoHandle;
  // kFailed: whether the driver gave a diagnostic record, and its native error
  // code and SQLSTATE (0 and empty without one). The whole record, message
  // included, stays in Database::diagnostics() until the next read.
  bool diagnosed = false;
  int32_t nativeError = 0;
  SqlState sqlState;
  // kFailed: the connection to the database is gone (see isConnectionLossState);
  // nothing more is sent on it.
  bool connectionLost = false;
  // kExecuted, for a query: the result of its one fetch.
  SQLRETURN fetched = SQL_NO_DATA;
};

// Whether the SQLSTATE of a failed statement says that the connection is gone
// rather than that the server refused this one statement: class 08
// (connection exception, 08S01 "Communication link failure" among them) or a
// time-out (HYT00, HYT01). A failed statement with another state has lost the
// connection too when the driver, asked after the failure, reports it dead:
// FreeTDS answers a connection closed or reset by the server with 01000 or
// HY000 first, and 08S01 only on the next statement.
bool isConnectionLossState(std::string_view sqlState);

// Column 1 of a single-value query: where its value goes, as SQLBindCol takes it.
struct ResultColumn {
  SQLSMALLINT cType;
  SQLPOINTER buffer;
  SQLLEN length;
};

class Database {
 public:
  // Room of the statement text buffer: the booking insert with every field at
  // its full width and every character a doubled quote stays below it.
  static constexpr std::size_t kStatementRoom = 2048;

  Database();
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Reads the login from the configuration file at `iniPath` (config/login.h)
  // and connects. 0 when connected; otherwise prints
  // "Datenbankverbindung fehlgeschlagen, Fehler: %d\n" and returns the code (-1).
  // With `debug`, a refused connect is followed by the driver's answer on one
  // more console line (diagnosticLine, the password masked); a failure before
  // the driver was asked (no handle) leaves no answer and adds no line.
  int32_t dbConnect(const std::string& iniPath, Console& console, bool debug = false);

  // The schema of the canteen table, from SCHEMA (empty without one; longer
  // than a configured schema may be when the value does not fit).
  const std::string& schema() const;

  // Allocates environment (ODBC 3) and connection and connects to data source
  // `dataSource` as `user`. 0 when connected (SQL_SUCCESS_WITH_INFO included),
  // -1 otherwise; after a refused SQLConnect the diagnostic record holds the
  // driver's answer. Handles of an earlier connection are released first.
  int32_t odbcConnect(std::string_view user, std::string_view password, std::string_view dataSource);
  bool connected() const { return connected_; }

  // The statement pattern, for every statement of the run: allocate a
  // statement handle on the connection; `build(StatementText&)` appends the
  // statement's text to the run's one statement buffer, emptied first; execute
  // it; on SQL_ERROR read the diagnostic record and decide whether the
  // connection is lost; for a query (`column` given) bind column 1 and fetch
  // once; free the handle. Without a connection or a handle nothing is built
  // or sent; once the connection is lost, nothing is sent any more either
  // (the outcome is kNoHandle). The buffer's room is reserved once, for
  // the longest statement a record can give, so building does not allocate; a
  // text has no length limit all the same.
  template <typename Build>
  StatementOutcome runStatement(Build build, const ResultColumn* column = nullptr);

  const DiagnosticRecord& diagnostics() const { return diagnostics_; }
  std::string_view sqlText() const { return sqlText_.view(); }
  int32_t statementResult() const { return statementResult_; }
  void setStatementResult(int32_t result) { statementResult_ = result; }

 private:
  void releaseConnection();
  // A fresh statement handle on the connection into `statement`; false when
  // the driver manager answers SQL_ERROR or there is no connection.
  bool allocateStatement(OdbcHandle& statement);
  // Clears the diagnostic record and reads record 1 of `handle` into it. True
  // when the driver manager delivered a record (it may leave "00000" behind
  // when there is none).
  bool readDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);
  // The statement's failure as its outcome says it (after readDiagnostics),
  // and whether it lost the connection.
  void takeFailure(SQLHANDLE statement, StatementOutcome& outcome);
  // Asked after a failed statement: whether the driver reports the connection
  // dead (SQL_ATTR_CONNECTION_DEAD); false when it cannot tell.
  bool driverSaysDead();

  OdbcHandle environment_{SQL_HANDLE_ENV};
  OdbcHandle connection_{SQL_HANDLE_DBC};
  bool connected_ = false;
  bool connectDiagnosed_ = false;  // a refused connect left a diagnostic record
  bool connectionLost_ = false;    // a statement lost the connection: nothing more is sent
  DiagnosticRecord diagnostics_;
  StatementText sqlText_{kStatementRoom};
  std::string schema_;
  int32_t statementResult_ = 0;
};

template <typename Build>
StatementOutcome Database::runStatement(Build build, const ResultColumn* column) {
  StatementOutcome outcome;
  OdbcHandle statement(SQL_HANDLE_STMT);  // freed on every way out
  if (connectionLost_ || !allocateStatement(statement)) return outcome;

  sqlText_.clear();  // keeps the room
  build(sqlText_);
  if (SQLExecDirect(statement.get(), reinterpret_cast<SQLCHAR*>(sqlText_.terminated()), SQL_NTS) ==
      SQL_ERROR) {
    takeFailure(statement.get(), outcome);
    return outcome;
  }
  outcome.step = StatementOutcome::Step::kExecuted;
  if (column != nullptr) {
    // The indicator is never examined: a NULL column leaves the buffer's preset.
    SQLLEN indicator = 0;
    SQLBindCol(statement.get(), 1, column->cType, column->buffer, column->length, &indicator);
    outcome.fetched = SQLFetch(statement.get());
  }
  return outcome;
}

#endif  // HV_DB_DATABASE_H
