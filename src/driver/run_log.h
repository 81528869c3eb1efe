// RunLog: the run log file shared by all runs. Each entry opens the file for
// appending, writes the text and one line end (every LF stored as CR LF) in one
// append-only write, checks the size and closes the file; past 10,485,760 bytes
// the file is rotated into its single backup. Failures are silent. Nothing is
// written while disabled.
//
// Runs writing at the same time rotate each generation of the log once: the
// run whose entry carried the file past the limit takes the rotation lock
// (driver/run_log_lock.h) and rotates only if the file its entry went into is
// still at its path and still past the limit. Another run that rotated meanwhile
// has left a new, small file there, and the backup it made is kept.
#ifndef HV_DRIVER_RUN_LOG_H
#define HV_DRIVER_RUN_LOG_H

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "common/log_writer.h"
#include "driver/run_log_file.h"

class RunLog : public LogWriter {
 public:
  static constexpr long kRotateAbove = 10485760;

  RunLog(std::string logPath, std::string backupPath);

  // The log flag: set by the driver before the first entry; nothing clears it.
  void enable() { enabled_ = true; }
  bool enabled() const { return enabled_; }

  // Appends the entry to the run log, and rotates the log when the entry took
  // it past the limit.
  void writeLog(std::string_view entry) override;

  const std::string& logPath() const { return logPath_; }
  const std::string& backupPath() const { return backupPath_; }
  const std::string& lockPath() const { return lockPath_; }

 protected:
  // The rotation step after an entry went into the file `written` and took it
  // past the limit: under the rotation lock, the backup is replaced by the run
  // log if that file is still at the log path and still past the limit.
  // Returns whether it rotated.
  bool rotateAfter(const LogFileState& written);

 private:
  std::string logPath_;
  std::string backupPath_;
  std::string lockPath_;
  bool enabled_ = false;
};

// Local date and time as DD.MM.YYYY hh:mm:ss.
std::string timeStamp();
std::string timeStamp(std::time_t when);

#endif  // HV_DRIVER_RUN_LOG_H
