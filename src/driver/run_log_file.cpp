#include "driver/run_log_file.h"

#include "driver/run_log_lock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#endif

#ifdef _WIN32

namespace {

// Owns a file handle for one call.
class WinFile {
 public:
  explicit WinFile(HANDLE h) : h_(h) {}
  ~WinFile() {
    if (open()) ::CloseHandle(h_);
  }
  WinFile(const WinFile&) = delete;
  WinFile& operator=(const WinFile&) = delete;
  bool open() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

LogFileState stateOf(HANDLE h) {
  LogFileState state;
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(h, &info)) return state;
  state.size = static_cast<long long>((static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
  state.file.volume = info.dwVolumeSerialNumber;
  state.file.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  state.file.known = true;
  return state;
}

// The byte range that writers of one log file lock for the time of a write:
// one byte far beyond any log's end, so that it never covers data that another
// program reads.
constexpr DWORD kAppendLockOffsetHigh = 0x40000000;  // 2^62
constexpr DWORD kAppendLockLength = 1;

// Holds the append range of an open log file for one write.
class AppendLock {
 public:
  explicit AppendLock(HANDLE file) : file_(file) {
    held_ = retryBriefly([file] {
              OVERLAPPED range{};
              range.OffsetHigh = kAppendLockOffsetHigh;
              if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, kAppendLockLength, 0,
                               &range)) {
                return LockTry::kTaken;
              }
              return ::GetLastError() == ERROR_LOCK_VIOLATION ? LockTry::kBusy : LockTry::kFailed;
            }, kAppendLockWait) == LockTry::kTaken;
  }
  ~AppendLock() {
    if (!held_) return;
    OVERLAPPED range{};
    range.OffsetHigh = kAppendLockOffsetHigh;
    ::UnlockFileEx(file_, 0, kAppendLockLength, 0, &range);
  }
  AppendLock(const AppendLock&) = delete;
  AppendLock& operator=(const AppendLock&) = delete;

 private:
  HANDLE file_;
  bool held_ = false;
};

}  // namespace

LogFileState appendToLogFile(const std::string& path, std::string_view bytes) {
  // FILE_APPEND_DATA without FILE_WRITE_DATA: every write goes to the end of
  // the file, whatever position another run's write left (the C library's
  // append mode seeks and then writes, which lets simultaneous runs overwrite
  // each other's entries). Windows makes such a write one step; Wine finds the
  // end and writes in two, so the writers of a file also hold its append range
  // locked for their write (a run that cannot have it in the short wait writes
  // all the same). FILE_READ_DATA is needed for the lock, FILE_READ_ATTRIBUTES
  // for the size afterwards; neither lets a write go anywhere else.
  WinFile file(::CreateFileA(path.c_str(), FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES, kShareAll,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.open()) return LogFileState();
  const AppendLock lock(file.get());
  DWORD written = 0;
  (void)::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  return stateOf(file.get());
}

LogFileState logFileAt(const std::string& path) {
  WinFile file(::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.open()) return LogFileState();
  return stateOf(file.get());
}

void rotateLogFiles(const std::string& logPath, const std::string& backupPath) {
  (void)::DeleteFileA(backupPath.c_str());
  // Replacing as well: a backup that another run still holds open is only
  // marked for deletion, and its name would block a plain rename.
  (void)::MoveFileExA(logPath.c_str(), backupPath.c_str(), MOVEFILE_REPLACE_EXISTING);
}

#else  // POSIX

namespace {

LogFileState stateOf(const struct stat& st) {
  LogFileState state;
  state.size = static_cast<long long>(st.st_size);
  state.file.volume = static_cast<std::uint64_t>(st.st_dev);
  state.file.index = static_cast<std::uint64_t>(st.st_ino);
  state.file.known = true;
  return state;
}

}  // namespace

LogFileState appendToLogFile(const std::string& path, std::string_view bytes) {
  // O_APPEND: the system puts every write at the end of the file as one step.
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return LogFileState();
  (void)!::write(fd, bytes.data(), bytes.size());
  struct stat st;
  const LogFileState state = ::fstat(fd, &st) == 0 ? stateOf(st) : LogFileState();
  ::close(fd);
  return state;
}

LogFileState logFileAt(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return LogFileState();
  return stateOf(st);
}

void rotateLogFiles(const std::string& logPath, const std::string& backupPath) {
  (void)std::remove(backupPath.c_str());
  (void)std::rename(logPath.c_str(), backupPath.c_str());
}

#endif
