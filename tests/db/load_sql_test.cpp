// stempelzug-load-sql against the emulator: scripts run through the data
// source of a configuration file, and an exit status that tells whether every
// statement ran.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/odbc_sandbox.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

const std::string kLoader = builtTool("stempelzug-load-sql");

std::string terminal(const std::string& name) {
  return "INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz) VALUES ('" + name + "', 1, 1)";
}

TEST(LoadSql, ExitsWithZeroOnlyWhenEveryStatementRan) {
  using Scripts = std::vector<std::pair<std::string, std::string>>;  // name, content
  struct Case {
    const char* what;
    Scripts scripts;
    int status;
    std::vector<std::string> out;  // lines of standard output
    std::vector<std::string> err;  // pieces of standard error
    std::string terminals;         // rows of Hvs1140Trm afterwards
  };
  const std::string missingTable = "INSERT INTO HvSystem.Nope (X) VALUES (1)";
  const Case cases[] = {
      {"comments, blank lines and CR LF",
       {{"a.sql", "-- terminals\n\n" + terminal("T1") + "\r\n  \t\n   -- indented\n" + terminal("T2")}},
       0,
       {"a.sql: 2 statements, 0 failed"},
       {},
       "2"},
      {"a failed statement, the script runs on",
       {{"a.sql", terminal("T1") + "\n" + missingTable + "\n" + terminal("T2") + "\n"}},
       1,
       {"a.sql: 3 statements, 1 failed"},
       {"a.sql:2: " + missingTable + "\n   ODBC 42S02 (208): ", "Invalid object name 'HvSystem.Nope'."},
       "2"},
      {"a duplicate key",
       {{"a.sql", terminal("T1") + "\n" + terminal("T1") + "\n"}},
       1,
       {"a.sql: 2 statements, 1 failed"},
       {"a.sql:2: ", "ODBC 23000 (2627): "},
       "1"},
      {"the scripts after a failed one are not run",
       {{"a.sql", missingTable + "\n"}, {"b.sql", terminal("T3") + "\n"}},
       1,
       {"a.sql: 1 statements, 1 failed"},
       {"the scripts after ", "a.sql were not run"},
       "0"},
      {"two scripts",
       {{"a.sql", terminal("T1")}, {"b.sql", terminal("T2")}},
       0,
       {"a.sql: 1 statements, 0 failed", "b.sql: 1 statements, 0 failed"},
       {},
       "2"},
      {"a script that is not there", {{"missing.sql", ""}}, 1, {}, {"cannot read ", "missing.sql"}, "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OdbcSandbox sandbox;
    const std::string config = sandbox.writeIni();
    std::vector<std::string> args = {config};
    for (const auto& [name, content] : c.scripts) {
      const std::string path = sandbox.file(name);
      if (name != "missing.sql") writeFileBytes(path, content);
      args.push_back(path);
    }
    const ProcessResult r = runProcess(kLoader, args);
    EXPECT_EQ(r.status, c.status) << r.err;
    std::string expectedOut;
    for (const std::string& line : c.out) {  // "name: ..." with the script's path
      expectedOut += sandbox.file(line.substr(0, line.find(':'))) + line.substr(line.find(':')) + "\n";
    }
    EXPECT_EQ(r.out, expectedOut);
    for (const std::string& piece : c.err) EXPECT_NE(r.err.find(piece), std::string::npos) << r.err;
    if (c.err.empty()) {
      EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(sandbox.query("SELECT COUNT(*) FROM HvSystem.Hvs1140Trm"),
              std::vector<OdbcSandbox::Row>{{c.terminals}});
  }
}

TEST(LoadSql, RefusesWhenItCannotConnect) {
  OdbcSandbox sandbox;
  const std::string script = sandbox.file("a.sql");
  writeFileBytes(script, terminal("T1") + "\n");
  const std::string unknownDsn = sandbox.file("unknown.ini");
  writeIniValues(unknownDsn, sandbox.options().user, sandbox.options().password, "HvKantine.", "NoSuchDsn");
  const std::string refusedLogin = sandbox.file("refused.ini");
  writeIniValues(refusedLogin, sandbox.options().user, "not-the-password", "HvKantine.", sandbox.dsn());
  const std::string dsn = sandbox.dsn();
  const std::string user = sandbox.options().user;
  const struct {
    const char* what;
    std::vector<std::string> args;
    int status;
    std::string err;
    std::string input = std::string();  // standard input
  } cases[] = {
      {"no arguments", {}, 2, "usage: stempelzug-load-sql CONFIG SCRIPT..."},
      {"no script", {sandbox.writeIni()}, 2, "usage: stempelzug-load-sql CONFIG SCRIPT..."},
      {"no configuration file", {sandbox.file("none.ini"), script}, 1, "cannot read the configuration file"},
      {"a data source that is not defined",
       {unknownDsn, script},
       1,
       "connecting to data source 'NoSuchDsn' as 'hvimport' failed\n   ODBC IM002 (0): "},
      {"a refused login", {refusedLogin, script}, 1, "   ODBC 28000 (18456): "},
      // The login named on the command line, the password on standard input.
      {"--dsn without --user", {"--dsn", dsn, script}, 2, "usage: "},
      {"--dsn with no script", {"--dsn", dsn, "--user", user}, 2, "usage: "},
      {"--dsn with no password", {"--dsn", dsn, "--user", user, script}, 2, "no password on standard input"},
      {"--dsn with a refused password",
       {"--dsn", dsn, "--user", user, script},
       1,
       "   ODBC 28000 (18456): ",
       "not-the-password\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ProcessResult r = runProcess(kLoader, c.args, std::string(), {}, c.input);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
  EXPECT_EQ(sandbox.query("SELECT COUNT(*) FROM HvSystem.Hvs1140Trm"), std::vector<OdbcSandbox::Row>{{"0"}});

  // The right password, with a CR LF line end as a Windows shell gives it.
  const ProcessResult r =
      runProcess(kLoader, {"--dsn", dsn, "--user", user, script}, std::string(), {}, sandbox.options().password + "\r\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, script + ": 1 statements, 0 failed\n");
  EXPECT_EQ(sandbox.query("SELECT COUNT(*) FROM HvSystem.Hvs1140Trm"), std::vector<OdbcSandbox::Row>{{"1"}});
}

}  // namespace
