// run_log_writer LOG BACKUP PROCESS COUNT MAXFILL
//
// One of several runs writing the same run log at the same time: waits until
// its standard input ends (the test starting the writers closes all their
// inputs at once), then appends writerEntry(PROCESS, 0 .. COUNT-1, MAXFILL)
// through the run log, with its rotation, and exits with 0.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "driver/run_log.h"
#include "run_log_entries.h"

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fputs("usage: run_log_writer LOG BACKUP PROCESS COUNT MAXFILL\n", stderr);
    return 2;
  }
  const int process = std::atoi(argv[3]);
  const int count = std::atoi(argv[4]);
  const int maxFill = std::atoi(argv[5]);
  if (count < 0 || maxFill < 1) return 2;
  while (std::getchar() != EOF) {
  }
  RunLog runLog(argv[1], argv[2]);
  runLog.enable();
  for (int i = 0; i < count; ++i) runLog.writeLog(writerEntry(process, i, maxFill));
  return 0;
}
