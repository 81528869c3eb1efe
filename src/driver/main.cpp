// Stempelzug: imports one booking file of a terminal into the suite's database.
//   Stempelzug <Quelle> <Typ> <Terminal> [/D]
// The run's result becomes the exit status (see driver/exit_status.h).
#include <string>
#include <vector>

#include "common/console.h"
#include "driver/exit_status.h"
#include "driver/odbc_connector.h"
#include "driver/run.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argc > 0 ? argv + 1 : argv, argv + argc);
  Console console;
  OdbcConnector database;
  RunEnvironment env{defaultRunPaths(), console, database};
  const int32_t result = runImport(args, env);
  return exitStatusFor(result);
}
