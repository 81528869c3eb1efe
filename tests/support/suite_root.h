// SuiteRoot: a throw-away copy of the suite's folder layout for end-to-end runs
// of the built tools: Files/ (configuration), Horavelle_php/log/ (run log) and
// the working folder a/b two levels below the root, all under a ScopedTempDir
// that is removed with everything in it when the SuiteRoot goes. The tools run
// through runProcess (support/process.h).
#ifndef HV_TESTS_SUPPORT_SUITE_ROOT_H
#define HV_TESTS_SUPPORT_SUITE_ROOT_H

#include <string>
#include <vector>

#include "support/process.h"
#include "support/temp_dir.h"

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
