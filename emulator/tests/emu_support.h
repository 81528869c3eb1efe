// Test helpers for the emulator's tests, which reach the driver only through
// the unixODBC driver manager (linked as libodbc), never by calling it.
//
// unixODBC reads ODBCSYSINI once per process, so every test program uses one
// DSN folder for its whole life (created on first use, removed at exit), and
// every TestDatabase adds a DSN of its own to it, on its own SQLite file.
#ifndef HVEMU_TESTS_EMU_SUPPORT_H
#define HVEMU_TESTS_EMU_SUPPORT_H

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

namespace emutest {

// A fresh folder under the temp folder, removed with its contents on scope exit.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
// Runs a shell command, returns its exit status; output captured into `out`.
int runCommand(const std::string& command, std::string* out = nullptr);

// The process-wide DSN folder (ODBCSYSINI is set to it on first call).
const std::string& dsnFolder();

// One DSN of its own on a fresh SQLite file in a temp folder. Optional login.
class TestDatabase {
 public:
  explicit TestDatabase(const std::string& user = "", const std::string& password = "");
  const std::string& dsn() const { return dsn_; }
  std::string databasePath() const { return folder_.file("emu.db"); }
  const TempFolder& folder() const { return folder_; }

 private:
  TempFolder folder_;
  std::string dsn_;
};

struct DiagRecord {
  std::string state;
  long native = 0;
  std::string message;
};

// The records of `handle`, read with the driver manager's SQLGetDiagRec or
// with another function of its shape (the driver's own, looked up).
using GetDiagRecFunction = decltype(&SQLGetDiagRec);
std::vector<DiagRecord> diagnostics(SQLSMALLINT type, SQLHANDLE handle, GetDiagRecFunction getDiagRec = &SQLGetDiagRec);

// Outcome of one statement: the return code, its records, the rows (NULL as
// "<NULL>", values read with SQLGetData as SQL_C_CHAR) and SQLRowCount.
struct Outcome {
  SQLRETURN rc = SQL_ERROR;
  std::vector<DiagRecord> diags;
  std::vector<std::vector<std::string>> rows;
  SQLLEN rowCount = -1;
  std::string sql;  // the statement that gave this outcome
  long native() const { return diags.empty() ? 0 : diags[0].native; }
  std::string state() const { return diags.empty() ? "" : diags[0].state; }
  std::string message() const { return diags.empty() ? "" : diags[0].message; }
};

// Owns an environment and a connection handle of the driver manager.
class Connection {
 public:
  Connection();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  SQLRETURN connect(const std::string& dsn, const std::string& user = "", const std::string& password = "");
  std::vector<DiagRecord> connectDiags() const { return diagnostics(SQL_HANDLE_DBC, dbc_); }
  // Runs one statement with SQLExecDirect on a fresh statement handle.
  Outcome exec(const std::string& sql);
  // Runs every line of a script file; returns the first failure or success.
  Outcome execScript(const std::string& path);
  SQLHDBC dbc() const { return dbc_; }

 private:
  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  bool connected_ = false;
};

// Owns a statement handle.
class Statement {
 public:
  explicit Statement(SQLHDBC dbc);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  SQLHSTMT handle() const { return stmt_; }
  SQLRETURN allocResult() const { return allocRc_; }

 private:
  SQLHSTMT stmt_ = SQL_NULL_HSTMT;
  SQLRETURN allocRc_;
};

std::string sourcePath(const std::string& relative);

// Sets an environment variable for the scope; restores the old state after.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  bool had_;
  std::string old_;
};

}  // namespace emutest

#endif

namespace emutest {

// Prefix of every server message the emulator gives.
inline const std::string kServerPrefix = "[HvEmu][HvEmu SQL Server Driver][SQL Server]";

// A connected test database holding the suite's schema and demo data.
struct SuiteDatabase {
  SuiteDatabase();
  TestDatabase db;
  Connection conn;
};

}  // namespace emutest
