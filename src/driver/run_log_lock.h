// RotationLock: the lock that runs writing the same run log share while one of
// them rotates it, so that each generation of the log is rotated exactly once.
// It is an exclusive lock on a small lock file beside the log (created when
// missing, never deleted): flock on POSIX, LockFileEx on Windows; both bodies
// side by side in run_log_lock.cpp. The lock is released by the destructor and
// by the process's end.
//
// Taking it waits a short bounded time and never fails a run: when another run
// holds it for longer, the caller skips its rotation (a later entry rotates).
#ifndef HV_DRIVER_RUN_LOG_LOCK_H
#define HV_DRIVER_RUN_LOG_LOCK_H

#include <chrono>
#include <functional>
#include <string>

// How long a run waits for a lock of the run log that another run holds. The
// other run holds it for one write or one rotation (one delete, one rename),
// which takes far less, but runs writing many entries at once take turns. A run
// that still cannot have the append lock writes all the same; one that cannot
// have the rotation lock leaves the rotation to a later entry.
constexpr std::chrono::milliseconds kAppendLockWait{1000};
constexpr std::chrono::milliseconds kRotationLockWait{50};
constexpr std::chrono::milliseconds kLockPause{1};

enum class LockTry {
  kTaken,   // the lock is held now
  kBusy,    // another run holds it
  kFailed,  // it cannot be had at all
};

// Repeats `attempt` while it answers kBusy, pausing kLockPause in between,
// until `wait` has passed; returns its last answer.
LockTry retryBriefly(const std::function<LockTry()>& attempt, std::chrono::milliseconds wait);

class RotationLock {
 public:
  enum class State {
    kHeld,         // this run holds the lock
    kBusy,         // another run held it for the whole wait
    kUnavailable,  // the lock file cannot be opened or locked at all
  };

  // Tries to take the lock on `lockPath` for up to kRotationLockWait.
  explicit RotationLock(const std::string& lockPath);
  ~RotationLock();
  RotationLock(const RotationLock&) = delete;
  RotationLock& operator=(const RotationLock&) = delete;

  State state() const { return state_; }

 private:
  bool openFile(const std::string& lockPath);  // platform body
  LockTry tryOnce();                            // platform body

  State state_ = State::kUnavailable;
#ifdef _WIN32
  void* handle_ = nullptr;  // HANDLE of the lock file
#else
  int fd_ = -1;
#endif
};

// The lock file of a run log: the log's path with ".lck" in place of its
// extension ("StempZugLog.txt" -> "StempZugLog.lck").
std::string rotationLockPath(const std::string& logPath);

#endif  // HV_DRIVER_RUN_LOG_LOCK_H
