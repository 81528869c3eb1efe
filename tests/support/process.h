// Processes for tests and benchmarks: a built program run with an argument
// vector (no shell, so any bytes pass unchanged), its own working folder and
// extra environment, its standard output and error collected as bytes (or its
// standard output written to a file), and what it cost. The one way the tests
// and benchmarks start a process. The POSIX and the Windows bodies sit side by
// side in process.cpp.
#ifndef HV_TESTS_SUPPORT_PROCESS_H
#define HV_TESTS_SUPPORT_PROCESS_H

#include <memory>
#include <string>
#include <utility>
#include <vector>

using EnvVars = std::vector<std::pair<std::string, std::string>>;

struct ProcessResult {
  // The exit status: 0..255 on POSIX, the full 32-bit exit code on Windows;
  // -1 when the process could not be started or did not exit normally.
  int status = -1;
  int signal = 0;    // POSIX: the terminating signal, if any
  std::string out;   // standard output, byte for byte (unless written to a file)
  std::string err;   // standard error
  // POSIX: the process's own peak resident memory and processor time (user
  // and system), as its parent waits for it; 0 on Windows.
  long maxRssKiB = 0;
  double cpuSeconds = 0;
};

struct ProcessOptions {
  std::string cwd;         // the working folder; the current one when empty
  EnvVars env;             // set on top of this process's environment (an empty value: the empty text)
  std::string stdoutPath;  // when not empty: standard output into this file (created or emptied)
  // Standard input: these bytes (at most a pipe's buffer, 4 KiB everywhere),
  // then its end.
  std::string input;
};

// Runs `program` with `args` (without the program name) as `options` say and
// waits for it.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessOptions& options);
// The same with a working folder, environment and standard input only.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& cwd = std::string(), const EnvVars& env = {},
                         const std::string& input = std::string());

// A started process whose standard input stays open until release(): a test
// starts several of them and lets them go at the same moment (each waits for
// the end of its input). Output goes to this process's standard output and
// error. The destructor releases and waits.
class HeldProcess {
 public:
  HeldProcess(const std::string& program, const std::vector<std::string>& args);
  ~HeldProcess();
  HeldProcess(const HeldProcess&) = delete;
  HeldProcess& operator=(const HeldProcess&) = delete;

  bool started() const;
  void release();  // closes the process's standard input
  int wait();      // releases, waits, returns the exit status as ProcessResult has it

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// A built program of this build: HV_BUILD_DIR + "/" + name, with the
// platform's suffix for executables.
std::string builtTool(const std::string& name);

#endif  // HV_TESTS_SUPPORT_PROCESS_H
