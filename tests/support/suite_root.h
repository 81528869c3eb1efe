// SuiteRoot: a throw-away copy of the suite's folder layout for end-to-end runs
// of the built tools: Files/ (configuration), Horavelle_php/log/ (run log) and
// the working folder a/b two levels below the root, all under a ScopedTempDir
// that is removed with everything in it when the SuiteRoot goes.
//
// runProcess starts a program with its own working folder and extra
// environment and collects its standard output and error as bytes.
#ifndef HV_TESTS_SUPPORT_SUITE_ROOT_H
#define HV_TESTS_SUPPORT_SUITE_ROOT_H

#include <string>
#include <utility>
#include <vector>

#include "support/temp_dir.h"

using EnvVars = std::vector<std::pair<std::string, std::string>>;

struct ProcessResult {
  int status = -1;    // exit status 0..255; -1 when the process did not exit normally
  int signal = 0;     // the terminating signal, if any
  std::string out;    // standard output, byte for byte
  std::string err;    // standard error
};

// Runs `program` with `args` (without the program name) in folder `cwd`; the
// child's environment is this process's, with `env` set on top (an empty value
// sets the variable to the empty text).
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& cwd, const EnvVars& env = {});

// A built tool of this build: HV_BUILD_DIR + "/" + name.
std::string builtTool(const std::string& name);

class SuiteRoot {
 public:
  SuiteRoot();
  SuiteRoot(const SuiteRoot&) = delete;
  SuiteRoot& operator=(const SuiteRoot&) = delete;

  const std::string& root() const { return dir_.path(); }
  std::string path(const std::string& relative) const { return dir_.file(relative); }
  std::string workDir() const { return path("a/b"); }
  std::string iniPath() const { return path("Files/Horavelle.Ini"); }
  std::string logPath() const { return path("Horavelle_php/log/StempZugLog.txt"); }
  std::string backupPath() const { return path("Horavelle_php/log/StempZugLog.bak"); }

  // Writes Files/Horavelle.Ini through `hvcrypt ini`. Empty text on success,
  // otherwise what went wrong.
  std::string writeIni(const std::string& login, const std::string& password, const std::string& schema,
                       const std::string& dsn);

  // Environment given to every run of the import tool (such as ODBCSYSINI).
  EnvVars& runEnv() { return env_; }

  // Runs the built Stempelzug in the working folder with `args`.
  ProcessResult runImport(const std::vector<std::string>& args, const EnvVars& extraEnv = {}) const;

  std::string runLog() const { return readFileBytes(logPath()); }

 private:
  ScopedTempDir dir_;
  EnvVars env_;
};

#endif  // HV_TESTS_SUPPORT_SUITE_ROOT_H
