// stempelzug-load-sql: runs SQL scripts through the data source of a
// configuration file, as the login that the import tool takes from it. The
// scripts hold one statement per line (blank lines and "--" lines left out).
// Every statement that fails is reported with its file, its line and the
// driver's answer, and the exit status is 0 only when every statement ran:
// unlike isql, whose status says nothing about the statements.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/login.h"
#include "db/database.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "usage: stempelzug-load-sql CONFIG SCRIPT...\n"
    "       stempelzug-load-sql --dsn DSN --user USER SCRIPT...\n"
    "\n"
    "Runs each SCRIPT (T-SQL, one statement per line; blank lines and lines\n"
    "starting with -- are left out) through the data source of the configuration\n"
    "file CONFIG (the suite's Horavelle.Ini, written by hvcrypt), as the login the\n"
    "import tool takes from it; or through the data source DSN as USER, with the\n"
    "password as the first line of standard input (before a configuration file\n"
    "exists, as when a stand-in database is set up). Every failed statement is\n"
    "shown with its file and\n"
    "line and the driver's answer; a script with a failed statement is run to its\n"
    "end, the scripts after it are not run.\n"
    "\n"
    "Exit status: 0 every statement ran; 1 the connect failed, a script could not\n"
    "be read or a statement failed; 2 wrong arguments.\n";

// A statement line: not blank, not a comment.
bool isStatement(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t");
  return first != std::string_view::npos && line.compare(first, 2, "--") != 0;
}

class ScriptRunner {
 public:
  explicit ScriptRunner(login::Login login) : login_(std::move(login)) {}

  bool connect() {
    if (database_.odbcConnect(login_.user.view(), login_.password.view(), login_.dataSource.view()) == 0) {
      return true;
    }
    std::fprintf(stderr, "stempelzug-load-sql: connecting to data source '%s' as '%s' failed\n",
                 login_.dataSource.c_str(), login_.user.c_str());
    if (!database_.diagnostics().state().empty()) std::fputs(answer().c_str(), stderr);
    return false;
  }

  // Runs every statement of the script at `path`; false when it could not be
  // read or a statement failed.
  bool run(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "stempelzug-load-sql: cannot read %s\n", path.c_str());
      return false;
    }
    int number = 0;
    int statements = 0;
    int failed = 0;
    for (std::string line; std::getline(in, line);) {
      ++number;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!isStatement(line)) continue;
      ++statements;
      const std::string failure = execute(line);
      if (!failure.empty()) {
        ++failed;
        std::fprintf(stderr, "%s:%d: %s\n%s", path.c_str(), number, line.c_str(), failure.c_str());
      }
    }
    std::printf("%s: %d statements, %d failed\n", path.c_str(), statements, failed);
    return failed == 0;
  }

 private:
  // Empty when the statement ran; otherwise the line that tells why not. Only
  // SQL_ERROR counts as failure, as everywhere in the import tool.
  std::string execute(std::string_view text) {
    const StatementOutcome outcome = database_.runStatement([&](StatementText& out) { out.append(text); });
    switch (outcome.step) {
      case StatementOutcome::Step::kNoHandle:
        return "   no statement handle\n";
      case StatementOutcome::Step::kFailed:
        return answer();
      case StatementOutcome::Step::kExecuted:
        break;
    }
    return std::string();
  }

  // The driver's answer on one line, the password masked.
  std::string answer() const { return diagnosticLine(database_.diagnostics(), login_.password.view()); }

  login::Login login_;
  Database database_;
};

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  if (args.size() < 2) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  login::Login login;
  std::size_t firstScript = 1;
  if (args[0] == "--dsn") {
    if (args.size() < 5 || args[2] != "--user") {
      std::fputs(kUsage, stderr);
      return kExitUsage;
    }
    login.dataSource = args[1];
    login.user = args[3];
    std::string password;
    if (!std::getline(std::cin, password)) {
      std::fputs("stempelzug-load-sql: no password on standard input\n", stderr);
      return kExitUsage;
    }
    if (!password.empty() && password.back() == '\r') password.pop_back();
    login.password = password;
    firstScript = 4;
  } else if (std::FILE* config = std::fopen(args[0].c_str(), "rb")) {
    std::fclose(config);
    login = login::readLogin(args[0]);
  } else {
    std::fprintf(stderr, "stempelzug-load-sql: cannot read the configuration file %s\n", args[0].c_str());
    return kExitFailed;
  }
  ScriptRunner runner(std::move(login));
  if (!runner.connect()) return kExitFailed;
  for (std::size_t i = firstScript; i < args.size(); ++i) {
    if (runner.run(args[i])) continue;
    if (i + 1 < args.size())
      std::fprintf(stderr, "stempelzug-load-sql: the scripts after %s were not run\n", args[i].c_str());
    return kExitFailed;
  }
  return kExitOk;
}
