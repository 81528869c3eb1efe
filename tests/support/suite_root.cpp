#include "support/suite_root.h"

#include <filesystem>

SuiteRoot::SuiteRoot() {
  namespace fs = std::filesystem;
  fs::create_directories(path("Files"));
  fs::create_directories(path("Horavelle_php/log"));
  fs::create_directories(workDir());
}

std::string SuiteRoot::writeIni(const std::string& login, const std::string& password, const std::string& schema,
                                const std::string& dsn) {
  const ProcessResult r = runProcess(builtTool("hvcrypt"),
                                     {"ini", "--login", login, "--password", password, "--schema", schema, "--dsn", dsn},
                                     root());
  if (r.status != 0) return "hvcrypt ini failed with status " + std::to_string(r.status) + ": " + r.err;
  writeFileBytes(iniPath(), r.out);
  return "";
}

ProcessResult SuiteRoot::runImport(const std::vector<std::string>& args, const EnvVars& extraEnv) const {
  EnvVars env = env_;
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  return runProcess(builtTool("Stempelzug"), args, workDir(), env);
}
