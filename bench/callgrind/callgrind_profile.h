// The figures the instruction-count benchmark takes from one callgrind output
// file (events Ir): the whole process, the main executable's own instructions,
// and what its calls into the ODBC driver manager cost inclusively (the driver
// manager, the driver below it, the database engine and whatever library code
// they run). Everything else is the program's own work: its code and the
// runtime library calls it makes (formatting, string growth, allocation, file
// reading), start-up and exit included.
#ifndef HV_BENCH_CALLGRIND_CALLGRIND_PROFILE_H
#define HV_BENCH_CALLGRIND_CALLGRIND_PROFILE_H

#include <cstdint>
#include <string>

struct CallgrindProfile {
  uint64_t total = 0;         // every instruction of the process
  uint64_t odbcCalls = 0;     // inclusive cost of the executable's calls into the driver manager
  uint64_t runtimeCalls = 0;  // inclusive cost of its calls into other libraries (C and C++ runtime)
  // The program's own work, and the part of it spent outside library calls
  // (its own code, start-up and exit). The latter is not taken from the
  // executable's self cost: callgrind books a few inlined library functions
  // of the driver, run under the driver manager, to the executable.
  uint64_t own() const { return total - odbcCalls; }
  uint64_t code() const { return own() - runtimeCalls; }
};

// Reads `path` as written by callgrind with --compress-strings=no and
// --compress-pos=no. `executable` is the measured program's path as callgrind
// names its object; calls into an object whose file name starts with
// "libodbc.so" count as calls into the driver manager. False, with `error`
// set, when the file cannot be read or holds no totals.
bool readCallgrindProfile(const std::string& path, const std::string& executable, CallgrindProfile& profile,
                          std::string& error);

#endif  // HV_BENCH_CALLGRIND_CALLGRIND_PROFILE_H
