#include "driver/run_log.h"

#include <cstdio>
#include <utility>

#include "common/format.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// Appends `bytes` to the file at `path` with one write of the whole entry, so
// entries of runs writing at the same time never interleave. Returns the file's
// size after the write, or -1 when the file could not be opened.
long long appendEntry(const std::string& path, const std::string& bytes) {
#ifdef _WIN32
  const int fd = ::_open(path.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return -1;
  (void)::_write(fd, bytes.data(), static_cast<unsigned>(bytes.size()));
  const long long size = ::_filelengthi64(fd);
  ::_close(fd);
  return size;
#else
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  (void)!::write(fd, bytes.data(), bytes.size());
  struct stat st;
  const long long size = ::fstat(fd, &st) == 0 ? static_cast<long long>(st.st_size) : -1;
  ::close(fd);
  return size;
#endif
}

}  // namespace

RunLog::RunLog(std::string logPath, std::string backupPath)
    : logPath_(std::move(logPath)), backupPath_(std::move(backupPath)) {}

void RunLog::writeLog(std::string_view entry) { writeLogTo(logPath_, entry); }

void RunLog::writeLogTo(const std::string& path, std::string_view entry) {
  if (!enabled_) return;
  const long long size = appendEntry(path, storedEntry(entry));
  if (size <= kRotateAbove) return;
  // The entry that carried the log past the limit is the last one of the backup;
  // the next entry starts a new log. Failures leave the log growing until a later
  // entry's rotation succeeds.
  std::remove(backupPath_.c_str());
  std::rename(logPath_.c_str(), backupPath_.c_str());
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
