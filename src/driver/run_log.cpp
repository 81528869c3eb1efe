#include "driver/run_log.h"

#include <utility>

#include "common/format.h"
#include "driver/run_log_lock.h"

namespace {

// The bytes of one entry as stored: every LF of the text as CR LF, then CR LF.
std::string storedEntry(std::string_view entry) {
  std::string out;
  out.reserve(entry.size() + entry.size() / 8 + 2);
  for (const char c : entry) {
    if (c == '\n') out += '\r';
    out += c;
  }
  out += "\r\n";
  return out;
}

}  // namespace

RunLog::RunLog(std::string logPath, std::string backupPath)
    : logPath_(std::move(logPath)), backupPath_(std::move(backupPath)), lockPath_(rotationLockPath(logPath_)) {}

void RunLog::writeLog(std::string_view entry) {
  if (!enabled_) return;
  const LogFileState written = appendToLogFile(logPath_, storedEntry(entry));
  if (written.size <= kRotateAbove) return;
  // The entry that carried the log past the limit is the last one of the backup;
  // the next entry starts a new log. Failures leave the log growing until a later
  // entry's rotation succeeds.
  rotateAfter(written);
}

bool RunLog::rotateAfter(const LogFileState& written) {
  const RotationLock lock(lockPath_);
  // Another run holds the lock for longer than the wait: it is rotating, or a
  // later entry will. A lock file that cannot be used at all does not stop the
  // rotation; the check below still narrows what simultaneous runs can do.
  if (lock.state() == RotationLock::State::kBusy) return false;
  const LogFileState now = logFileAt(logPath_);
  if (!now.file.sameAs(written.file) || now.size <= kRotateAbove) return false;
  rotateLogFiles(logPath_, backupPath_);
  return true;
}

std::string timeStamp() { return timeStamp(std::time(nullptr)); }

std::string timeStamp(std::time_t when) {
  std::tm local{};
#ifdef _WIN32
  if (::localtime_s(&local, &when) != 0) return std::string();
#else
  if (::localtime_r(&when, &local) == nullptr) return std::string();
#endif
  return formatText("%02d.%02d.%04d %02d:%02d:%02d", local.tm_mday, local.tm_mon + 1,
                    local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
}
