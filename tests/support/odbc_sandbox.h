// OdbcSandbox: a temporary SQL Server stand-in database behind the real unixODBC
// driver manager, for tests that run statements through ODBC.
//
// Once per process a folder is created and ODBCSYSINI points at it (the driver
// manager keeps that path for the life of the process, so it never changes).
// Every sandbox adds a fresh data source name to that folder's odbc.ini
// (scripts/emulator-dsn) with its own database file in a folder of its own,
// loads sql/schema.sql and then the given scripts (T-SQL, one statement per
// line) through its own ODBC connection. The sandbox's folder and database are
// removed when it goes out of scope; the process folder at process exit.
//
// The emulator's switches (HVEMU_*) are read by the driver at the moment of use.
// The sandbox's own statements run with all of them unset, so they never show
// in a trace and never meet an injected fault; tests set them with ScopedEnv.
//
// Failures of the sandbox itself (a script line rejected, a tool that fails)
// are reported as gtest failures with the offending text.
#ifndef HV_TESTS_SUPPORT_ODBC_SANDBOX_H
#define HV_TESTS_SUPPORT_ODBC_SANDBOX_H

#include <optional>
#include <string>
#include <vector>

#include "db/odbc_handle.h"
#include "support/ini_values.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

// Writes a configuration file with LOGIN, PASS, SCHEMA and DATABASE the way the
// suite's administrators do: `hvcrypt ini`. Returns hvcrypt's exit status.
int writeIniWithHvcrypt(const std::string& path, const std::string& login, const std::string& password,
                        const std::string& schema, const std::string& dsn);

class OdbcSandbox {
 public:
  using Row = std::vector<std::string>;
  // Stands for a NULL column in query results.
  static const std::string kNull;

  struct Options {
    std::string user = "hvimport";
    std::string password = "Kant1ne-Pw";
    std::string schema = "HvKantine";  // the configured schema of writeIni()
    std::vector<std::string> scripts;  // loaded after sql/schema.sql, in order
  };

  OdbcSandbox();
  explicit OdbcSandbox(Options options);
  ~OdbcSandbox();
  OdbcSandbox(const OdbcSandbox&) = delete;
  OdbcSandbox& operator=(const OdbcSandbox&) = delete;

  // The process folder that ODBCSYSINI names.
  static const std::string& odbcFolder();
  static std::string sourcePath(const std::string& relative);  // in the source tree
  static std::string buildPath(const std::string& relative);   // in the build folder

  // Adds (or replaces) data source `name` on the database file `database` in
  // the process folder, with scripts/emulator-dsn and the emulator driver of
  // this build. Returns the script's exit status; its output (standard output,
  // then standard error) goes to `output`.
  static int addDataSource(const std::string& name, const std::string& database, const std::string& user,
                           const std::string& password, std::string* output = nullptr);

  const std::string& dsn() const { return dsn_; }
  const std::string& databasePath() const { return databasePath_; }
  const Options& options() const { return options_; }
  // A path inside this sandbox's own temporary folder.
  std::string file(const std::string& name) const { return dir_.file(name); }

  // Configuration file (by hvcrypt) for this sandbox's login, schema and data
  // source; returns its path.
  std::string writeIni(const std::string& name = "Horavelle.Ini") const;

  // Runs one statement; a failure is a test failure. tryExecute returns false
  // and the driver's message instead.
  void execute(const std::string& sql);
  bool tryExecute(const std::string& sql, std::string* error);
  // Runs a script, one statement per line (blank lines and "--" lines skipped).
  void runScript(const std::string& path);
  // All rows of a query, every column as text, NULL as kNull.
  std::vector<Row> query(const std::string& sql);

  // Statement trace: HVEMU_TRACE points at this sandbox's trace file (emptied
  // by startTrace) until stopTrace or the end of the sandbox.
  void startTrace();
  void stopTrace();
  std::string traceText() const;
  std::vector<std::string> traceLines() const;  // one statement per entry

 private:
  void connect();

  Options options_;
  ScopedTempDir dir_;
  std::string dsn_;
  std::string databasePath_;
  OdbcHandle environment_{SQL_HANDLE_ENV};
  OdbcHandle connection_{SQL_HANDLE_DBC};
  bool connected_ = false;
  std::optional<ScopedEnv> trace_;
};

#endif  // HV_TESTS_SUPPORT_ODBC_SANDBOX_H
