// One import run: the command line, the run log's start and end lines, the
// connect, the opening and content check of the source file, the terminal-name
// check and the dispatch to the reader of the source type.
#ifndef HV_DRIVER_RUN_H
#define HV_DRIVER_RUN_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/console.h"
#include "common/log_writer.h"
#include "db/booking_store.h"

// Where a run finds the configuration file and keeps its run log.
struct RunPaths {
  std::string iniPath;
  std::string logPath;
  std::string backupPath;
};

// The fixed paths relative to the working directory.
RunPaths defaultRunPaths();

// The database side of a run. The tool connects over ODBC; tests answer
// without a database.
class DatabaseConnector {
 public:
  virtual ~DatabaseConnector() = default;
  // Connects with the login of the configuration file at `iniPath`: 0 when
  // connected, otherwise the failure code (after its console message; with
  // `debug`, the run's debug flag, also the driver's answer).
  virtual int32_t dbConnect(const std::string& iniPath, Console& console, bool debug) = 0;
  // A booking store on the open connection, reporting into `log` and
  // `console`. REQUIRES: dbConnect returned 0. The caller owns the store and
  // ends it before `log`, `console` and this connector.
  virtual std::unique_ptr<BookingStore> openBookingStore(LogWriter& log, Console& console) = 0;
};

// What a run is given besides its arguments; borrowed for the run.
struct RunEnvironment {
  RunPaths paths;
  Console& console;
  DatabaseConnector& database;
};

// Runs one import. `args` are the command-line arguments after the program
// name: source path, type, terminal name, optional "/D". Returns the run's
// result (0, 1, 90, 98, -1 or a reader's first failed insert).
int32_t runImport(const std::vector<std::string>& args, RunEnvironment& env);

// The name of the folder holding `sourcePath`: the text between the
// last-but-one and the last path separator ("/" or "\\"), from the start when
// there is only one; "unknown" when there is none.
std::string sourceFolderName(std::string_view sourcePath);

#endif  // HV_DRIVER_RUN_H
