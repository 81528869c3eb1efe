#include "support/odbc_sandbox.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "common/format.h"
#include "support/process.h"

extern char** environ;

const std::string OdbcSandbox::kNull = "<NULL>";

namespace {

// Unsets every HVEMU_* switch for its lifetime, so that the sandbox's own
// statements are neither traced nor hit by injected faults.
class QuietEmulator {
 public:
  QuietEmulator() {
    std::vector<std::string> names;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
      const std::string entry(*e);
      if (entry.compare(0, 6, "HVEMU_") == 0) names.push_back(entry.substr(0, entry.find('=')));
    }
    for (const auto& name : names) saved_.emplace_back(std::make_unique<ScopedEnv>(name, std::nullopt));
  }

 private:
  std::vector<std::unique_ptr<ScopedEnv>> saved_;
};

std::string diagnosticText(SQLSMALLINT type, SQLHANDLE handle) {
  SQLCHAR state[6] = {0};
  SQLCHAR message[1024] = {0};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length))) {
    return "(no diagnostic record)";
  }
  return formatText("[%s] native %ld: %s", reinterpret_cast<const char*>(state), static_cast<long>(native),
                    reinterpret_cast<const char*>(message));
}

}  // namespace

int writeIniWithHvcrypt(const std::string& path, const std::string& login, const std::string& password,
                        const std::string& schema, const std::string& dsn) {
  ProcessOptions options;
  options.stdoutPath = path;
  const ProcessResult r = runProcess(
      OdbcSandbox::buildPath("hvcrypt"),
      {"ini", "--login", login, "--password", password, "--schema", schema, "--dsn", dsn}, options);
  return r.status;
}

// ---------------------------------------------------------------- sandbox

const std::string& OdbcSandbox::odbcFolder() {
  // Created before the first ODBC call of the process and kept until its end.
  static const ScopedTempDir folder;
  static const bool exported = [] {
    ::setenv("ODBCSYSINI", folder.path().c_str(), 1);
    // User data sources stay out of the picture as well.
    ::setenv("ODBCINI", folder.file("user-odbc.ini").c_str(), 1);
    return true;
  }();
  (void)exported;
  return folder.path();
}

std::string OdbcSandbox::sourcePath(const std::string& relative) {
  return std::string(HV_SOURCE_DIR) + "/" + relative;
}

std::string OdbcSandbox::buildPath(const std::string& relative) {
  return std::string(HV_BUILD_DIR) + "/" + relative;
}

int OdbcSandbox::addDataSource(const std::string& name, const std::string& database, const std::string& user,
                               const std::string& password, std::string* output) {
  // The script takes the driver from BUILD_DIR: this build's emulator.
  const ProcessResult r = runProcess(
      "/bin/bash", {sourcePath("scripts/emulator-dsn"), odbcFolder(), name, database, user, password},
      std::string(), {{"BUILD_DIR", HV_BUILD_DIR}});
  if (output != nullptr) *output = r.out + r.err;
  return r.status;
}

OdbcSandbox::OdbcSandbox() : OdbcSandbox(Options()) {}

OdbcSandbox::OdbcSandbox(Options options) : options_(std::move(options)) {
  static std::atomic<int> counter{0};
  dsn_ = formatText("hvtest_%ld_%d", static_cast<long>(::getpid()), ++counter);
  databasePath_ = dir_.file("hv.db");

  std::string output;
  const int status = addDataSource(dsn_, databasePath_, options_.user, options_.password, &output);
  if (status != 0) {
    ADD_FAILURE() << "scripts/emulator-dsn for " << dsn_ << " ended with " << status << ": " << output;
    return;
  }
  connect();
  if (!connected_) return;
  runScript(sourcePath("sql/schema.sql"));
  for (const auto& script : options_.scripts) runScript(script);
}

OdbcSandbox::~OdbcSandbox() {
  trace_.reset();
  if (connected_) SQLDisconnect(connection_.get());
  connection_.reset();
  environment_.reset();
}

void OdbcSandbox::connect() {
  QuietEmulator quiet;
  if (environment_.allocate(SQL_NULL_HANDLE) == SQL_ERROR) {
    ADD_FAILURE() << "no ODBC environment";
    return;
  }
  SQLSetEnvAttr(environment_.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                SQL_IS_INTEGER);
  if (connection_.allocate(environment_.get()) == SQL_ERROR) {
    ADD_FAILURE() << "no ODBC connection handle";
    return;
  }
  const SQLRETURN rc = SQLConnect(connection_.get(), reinterpret_cast<SQLCHAR*>(&dsn_[0]), SQL_NTS,
                                  reinterpret_cast<SQLCHAR*>(&options_.user[0]), SQL_NTS,
                                  reinterpret_cast<SQLCHAR*>(&options_.password[0]), SQL_NTS);
  if (!SQL_SUCCEEDED(rc)) {
    ADD_FAILURE() << "sandbox connect to " << dsn_ << " failed: "
                  << diagnosticText(SQL_HANDLE_DBC, connection_.get());
    return;
  }
  connected_ = true;
}

std::string OdbcSandbox::writeIni(const std::string& name) const {
  const std::string path = file(name);
  const int status = writeIniWithHvcrypt(path, options_.user, options_.password, options_.schema, dsn_);
  EXPECT_EQ(status, 0) << "hvcrypt ini for " << dsn_;
  return path;
}

bool OdbcSandbox::tryExecute(const std::string& sql, std::string* error) {
  QuietEmulator quiet;
  OdbcHandle statement(SQL_HANDLE_STMT);
  if (!connected_ || !SQL_SUCCEEDED(statement.allocate(connection_.get()))) {
    if (error != nullptr) *error = "no statement handle";
    return false;
  }
  std::string text = sql;
  const SQLRETURN rc = SQLExecDirect(statement.get(), reinterpret_cast<SQLCHAR*>(&text[0]), SQL_NTS);
  if (rc == SQL_ERROR) {
    if (error != nullptr) *error = diagnosticText(SQL_HANDLE_STMT, statement.get());
    return false;
  }
  return true;
}

void OdbcSandbox::execute(const std::string& sql) {
  std::string error;
  EXPECT_TRUE(tryExecute(sql, &error)) << sql << "\n  -> " << error;
}

void OdbcSandbox::runScript(const std::string& path) {
  std::ifstream in(path);
  if (!in) {
    ADD_FAILURE() << "cannot read " << path;
    return;
  }
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line.compare(first, 2, "--") == 0) continue;
    std::string error;
    EXPECT_TRUE(tryExecute(line, &error)) << path << ":" << number << ": " << line << "\n  -> " << error;
  }
}

std::vector<OdbcSandbox::Row> OdbcSandbox::query(const std::string& sql) {
  QuietEmulator quiet;
  std::vector<Row> rows;
  OdbcHandle statement(SQL_HANDLE_STMT);
  if (!connected_ || !SQL_SUCCEEDED(statement.allocate(connection_.get()))) {
    ADD_FAILURE() << "no statement handle for " << sql;
    return rows;
  }
  std::string text = sql;
  if (SQLExecDirect(statement.get(), reinterpret_cast<SQLCHAR*>(&text[0]), SQL_NTS) == SQL_ERROR) {
    ADD_FAILURE() << sql << "\n  -> " << diagnosticText(SQL_HANDLE_STMT, statement.get());
    return rows;
  }
  SQLSMALLINT columns = 0;
  SQLNumResultCols(statement.get(), &columns);
  for (;;) {
    const SQLRETURN fetched = SQLFetch(statement.get());
    if (fetched == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(fetched)) {
      ADD_FAILURE() << "fetch failed: " << sql << "\n  -> " << diagnosticText(SQL_HANDLE_STMT, statement.get());
      break;
    }
    Row row;
    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
      std::string value;
      bool isNull = false;
      for (;;) {
        char buf[512];
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(statement.get(), c, SQL_C_CHAR, buf, sizeof buf, &indicator);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) {
          ADD_FAILURE() << "column " << c << " of " << sql << "\n  -> "
                        << diagnosticText(SQL_HANDLE_STMT, statement.get());
          break;
        }
        if (indicator == SQL_NULL_DATA) {
          isNull = true;
          break;
        }
        const bool partial = rc == SQL_SUCCESS_WITH_INFO &&
                             (indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof buf));
        value.append(buf, partial ? sizeof buf - 1 : static_cast<std::size_t>(indicator));
        if (!partial) break;
      }
      row.push_back(isNull ? kNull : value);
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

void OdbcSandbox::startTrace() {
  writeFileBytes(file("trace.txt"), "");
  trace_.reset();
  trace_.emplace("HVEMU_TRACE", file("trace.txt"));
}

void OdbcSandbox::stopTrace() { trace_.reset(); }

std::string OdbcSandbox::traceText() const { return readFileBytes(file("trace.txt")); }

std::vector<std::string> OdbcSandbox::traceLines() const {
  std::vector<std::string> lines;
  std::istringstream in(traceText());
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}
