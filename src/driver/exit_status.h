// The results a run ends with, and how they reach the calling process.
//
// A run's result is a full signed 32-bit number: 0, 90, 98, -1, the content
// check's 1, or the native error code of a failed insert. Windows hands the
// full number to the caller. POSIX passes only 8 bits, so there the status is
// the result itself when it lies in 0..255, 255 for -1, and 254 for any other
// value; a failure thus never reaches the caller as 0. The full number is always
// in the run log.
#ifndef HV_DRIVER_EXIT_STATUS_H
#define HV_DRIVER_EXIT_STATUS_H

#include <cstdint>

// Results the driver itself ends a run with.
enum RunResult : int32_t {
  kResultClean = 0,            // clean run, or a file holding only white space
  kResultEmptyFile = 1,        // content check: the file is empty
  kResultMissingSource = 90,   // the source file cannot be opened
  kResultArgumentError = 98,   // too few arguments, bad terminal name
  kResultFailed = -1,          // failed connect, bad record length
};

// POSIX statuses for results that do not fit 8 bits.
constexpr int kStatusMinusOne = 255;
constexpr int kStatusOutOfRange = 254;

// The process exit status for a run's result on this platform.
int exitStatusFor(int32_t result);
// The POSIX mapping, available on every platform for tests.
int posixExitStatusFor(int32_t result);

#endif  // HV_DRIVER_EXIT_STATUS_H
