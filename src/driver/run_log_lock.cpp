#include "driver/run_log_lock.h"

#include <chrono>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {
constexpr char kLockExtension[] = ".lck";
}  // namespace

std::string rotationLockPath(const std::string& logPath) {
  const std::size_t dot = logPath.find_last_of('.');
  const std::size_t separator = logPath.find_last_of("/\\");
  const bool hasExtension = dot != std::string::npos && (separator == std::string::npos || dot > separator);
  return (hasExtension ? logPath.substr(0, dot) : logPath) + kLockExtension;
}

LockTry retryBriefly(const std::function<LockTry()>& attempt, std::chrono::milliseconds wait) {
  const auto end = std::chrono::steady_clock::now() + wait;
  for (;;) {
    const LockTry outcome = attempt();
    if (outcome != LockTry::kBusy || std::chrono::steady_clock::now() >= end) return outcome;
    std::this_thread::sleep_for(kLockPause);
  }
}

RotationLock::RotationLock(const std::string& lockPath) {
  if (!openFile(lockPath)) return;
  switch (retryBriefly([this] { return tryOnce(); }, kRotationLockWait)) {
    case LockTry::kTaken:
      state_ = State::kHeld;
      break;
    case LockTry::kBusy:
      state_ = State::kBusy;
      break;
    case LockTry::kFailed:
      state_ = State::kUnavailable;
      break;
  }
}

#ifdef _WIN32

bool RotationLock::openFile(const std::string& lockPath) {
  // Read access suffices for LockFileEx and lets every run open the file.
  const HANDLE h = ::CreateFileA(lockPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_ = h;
  return true;
}

LockTry RotationLock::tryOnce() {
  OVERLAPPED firstByte{};  // the lock covers the first byte, whatever the file holds
  if (::LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &firstByte)) {
    return LockTry::kTaken;
  }
  return ::GetLastError() == ERROR_LOCK_VIOLATION ? LockTry::kBusy : LockTry::kFailed;
}

RotationLock::~RotationLock() {
  if (handle_ == nullptr) return;
  if (state_ == State::kHeld) {
    OVERLAPPED firstByte{};
    ::UnlockFileEx(handle_, 0, 1, 0, &firstByte);
  }
  ::CloseHandle(handle_);
}

#else  // POSIX

bool RotationLock::openFile(const std::string& lockPath) {
  // Read access suffices for flock and lets every run open the file.
  fd_ = ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
  return fd_ >= 0;
}

LockTry RotationLock::tryOnce() {
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return LockTry::kTaken;
  return errno == EWOULDBLOCK || errno == EINTR ? LockTry::kBusy : LockTry::kFailed;
}

RotationLock::~RotationLock() {
  if (fd_ < 0) return;
  if (state_ == State::kHeld) ::flock(fd_, LOCK_UN);
  ::close(fd_);
}

#endif
