#include "emu_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/process.h"

namespace emutest {

TempFolder::TempFolder() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "hvemu-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) std::abort();
  path_ = tmpl;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool fileExists(const std::string& path) { return std::filesystem::exists(path); }

int runCommand(const std::string& command, std::string* out) {
  // Standard error into the same stream as standard output, in the order written.
  const ProcessResult r = runProcess("/bin/sh", {"-c", command + " 2>&1"});
  if (out) *out = r.out;
  return r.status;
}

std::string sourcePath(const std::string& relative) { return std::string(HVEMU_SOURCE_DIR) + "/" + relative; }

namespace {

struct ProcessDsnFolder {
  TempFolder folder;
  ProcessDsnFolder() {
    setenv("ODBCSYSINI", folder.path().c_str(), 1);
    // The user's own data sources stay out of the picture.
    setenv("ODBCINI", folder.file("user-odbc.ini").c_str(), 1);
  }
};

}  // namespace

const std::string& dsnFolder() {
  static ProcessDsnFolder f;  // removed when the process ends
  return f.folder.path();
}

TestDatabase::TestDatabase(const std::string& user, const std::string& password) {
  static int counter = 0;
  dsn_ = "EmuTest" + std::to_string(getpid()) + "_" + std::to_string(++counter);
  std::string cmd = "BUILD_DIR='" + std::string(HVEMU_BUILD_DIR) + "' '" + sourcePath("scripts/emulator-dsn") + "' '" +
                    dsnFolder() + "' " + dsn_ + " '" + databasePath() + "'";
  if (!user.empty()) cmd += " '" + user + "' '" + password + "'";
  std::string out;
  if (runCommand(cmd, &out) != 0) {
    std::fprintf(stderr, "emulator-dsn failed: %s\n", out.c_str());
    std::abort();
  }
}

std::vector<DiagRecord> diagnostics(SQLSMALLINT type, SQLHANDLE handle, GetDiagRecFunction getDiagRec) {
  std::vector<DiagRecord> out;
  for (SQLSMALLINT rec = 1;; ++rec) {
    SQLCHAR state[6] = {0};
    SQLINTEGER native = 0;
    SQLCHAR message[1024] = {0};
    SQLSMALLINT len = 0;
    const SQLRETURN rc = getDiagRec(type, handle, rec, state, &native, message, sizeof message, &len);
    if (!SQL_SUCCEEDED(rc)) break;
    out.push_back(DiagRecord{reinterpret_cast<char*>(state), native, reinterpret_cast<char*>(message)});
  }
  return out;
}

Connection::Connection() {
  dsnFolder();
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
  SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
}

Connection::~Connection() {
  if (connected_) SQLDisconnect(dbc_);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
  SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

SQLRETURN Connection::connect(const std::string& dsn, const std::string& user, const std::string& password) {
  const SQLRETURN rc =
      SQLConnect(dbc_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(dsn.c_str())), SQL_NTS,
                 reinterpret_cast<SQLCHAR*>(const_cast<char*>(user.c_str())), SQL_NTS,
                 reinterpret_cast<SQLCHAR*>(const_cast<char*>(password.c_str())), SQL_NTS);
  connected_ = SQL_SUCCEEDED(rc);
  return rc;
}

Outcome Connection::exec(const std::string& sql) {
  Outcome o;
  o.sql = sql;
  Statement st(dbc_);
  if (!SQL_SUCCEEDED(st.allocResult())) {
    o.rc = st.allocResult();
    o.diags = diagnostics(SQL_HANDLE_DBC, dbc_);
    return o;
  }
  o.rc = SQLExecDirect(st.handle(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
  o.diags = diagnostics(SQL_HANDLE_STMT, st.handle());
  if (!SQL_SUCCEEDED(o.rc)) return o;
  SQLRowCount(st.handle(), &o.rowCount);
  SQLSMALLINT cols = 0;
  SQLNumResultCols(st.handle(), &cols);
  while (cols > 0 && SQL_SUCCEEDED(SQLFetch(st.handle()))) {
    std::vector<std::string> row;
    for (SQLUSMALLINT c = 1; c <= cols; ++c) {
      char buf[2048];
      SQLLEN ind = 0;
      const SQLRETURN rc = SQLGetData(st.handle(), c, SQL_C_CHAR, buf, sizeof buf, &ind);
      row.push_back(!SQL_SUCCEEDED(rc) ? "<ERROR>" : ind == SQL_NULL_DATA ? "<NULL>" : std::string(buf, ind));
    }
    o.rows.push_back(std::move(row));
  }
  return o;
}

Outcome Connection::execScript(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  Outcome last;
  last.rc = SQL_SUCCESS;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    last = exec(line);
    if (!SQL_SUCCEEDED(last.rc)) return last;
  }
  return last;
}

Statement::Statement(SQLHDBC dbc) { allocRc_ = SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt_); }

Statement::~Statement() {
  if (SQL_SUCCEEDED(allocRc_)) SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  const char* old = std::getenv(name);
  had_ = old != nullptr;
  if (old) old_ = old;
  setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (had_) setenv(name_.c_str(), old_.c_str(), 1);
  else unsetenv(name_.c_str());
}

}  // namespace emutest

namespace emutest {

SuiteDatabase::SuiteDatabase() {
  if (!SQL_SUCCEEDED(conn.connect(db.dsn()))) std::abort();
  for (const char* script : {"sql/schema.sql", "sql/demo-data.sql"}) {
    const Outcome o = conn.execScript(sourcePath(script));
    if (!SQL_SUCCEEDED(o.rc)) {
      std::fprintf(stderr, "%s failed at: %s\n%s\n", script, o.sql.c_str(), o.message().c_str());
      std::abort();
    }
  }
}

}  // namespace emutest
