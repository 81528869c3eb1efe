// TdsServer: the stand-in's TDS server (hvemu-server of this build) for one
// test, on a database file and a free port of 127.0.0.1, with the login it is
// given and further switches (the fault switches) on its command line; none
// comes from the test's environment. It is started through a shell that holds
// it on the test's HeldProcess (support/process.h): when the object goes, or
// on stop(), the shell sends it SIGTERM and reports its exit status. The
// first line the server prints ("port NNNN") is read through a FIFO.
#ifndef HV_TESTS_SUPPORT_TDS_SERVER_H
#define HV_TESTS_SUPPORT_TDS_SERVER_H

#include <memory>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/temp_dir.h"

class TdsServer {
 public:
  struct Options {
    std::string database;  // the SQLite file
    std::string user = "hvimport";
    std::string password = "Kant1ne-Pw";
    std::vector<std::string> switches;  // further arguments, e.g. {"--close-at", "3"}
  };

  explicit TdsServer(Options options);
  ~TdsServer();
  TdsServer(const TdsServer&) = delete;
  TdsServer& operator=(const TdsServer&) = delete;

  // Whether the server listens (port() is valid); a failed start is a test failure.
  bool running() const { return port_ > 0; }
  int port() const { return port_; }
  // The database as clients name it: the file's name without its extension.
  std::string databaseName() const;
  // SIGTERM, then its exit status (0: it ended cleanly); -1 when it was not running.
  int stop();

  // Registers the FreeTDS data source `dsn` for this server in `folder` with
  // scripts/dsn-freetds: `timeout` seconds, further KEY=VALUE settings.
  void addDataSource(const std::string& folder, const std::string& dsn, int timeout = 30,
                     const std::vector<std::string>& settings = {}) const;

 private:
  Options options_;
  ScopedTempDir dir_;
  std::unique_ptr<HeldProcess> process_;
  int port_ = 0;
  int exitStatus_ = -1;
};

#endif  // HV_TESTS_SUPPORT_TDS_SERVER_H
