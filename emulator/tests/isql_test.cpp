// unixODBC's own isql against the emulator: connect, run the suite's scripts,
// show rows, insert with SQLPrepare/SQLExecute, and show a server error.
#include <gtest/gtest.h>

#include <fstream>

#include "emu_support.h"

using namespace emutest;

namespace {

// Runs isql on DSN with `input` as standard input; returns its exit status.
int runIsql(const TempFolder& dir, const std::string& dsn, const std::string& login, const std::string& input,
            std::string& output) {
  const std::string in = dir.file("isql-input.sql");
  std::ofstream(in, std::ios::binary) << input;
  return runCommand(HVEMU_ISQL_ENV "ODBCSYSINI='" + dir.path() + "' ODBCINI='" + dir.file("user-odbc.ini") + "' " HVEMU_ISQL " -v " + dsn + " " + login + " < '" + in + "'",
                    &output);
}

std::string prepareDsn(const TempFolder& dir, const std::string& dsn, const std::string& login) {
  std::string out;
  const int rc = runCommand("BUILD_DIR='" + std::string(HVEMU_BUILD_DIR) + "' '" + sourcePath("scripts/emulator-dsn") +
                                "' '" + dir.path() + "' " + dsn + " '" + dir.file("isql.db") + "' " + login,
                            &out);
  return rc == 0 ? std::string() : out;
}

}  // namespace

TEST(Isql, ConnectsSelectsAndInserts) {
  if (!fileExists(HVEMU_ISQL)) GTEST_SKIP() << HVEMU_ISQL << " is not installed";
  TempFolder dir;
  ASSERT_EQ("", prepareDsn(dir, "IsqlDemo", "hvuser Geheim"));
  const std::string scripts =
      readFile(sourcePath("sql/schema.sql")) + readFile(sourcePath("sql/demo-data.sql"));
  std::string out;
  const std::string input = scripts +
                            "SELECT TrmNam, TrmSta FROM HvSystem.Hvs1140Trm ORDER BY TrmNam\n"
                            "INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('BDE9999', 7, 'Isql')\n"
                            "SELECT ZlsTrm, ZlsLes, ZlsKst FROM HvSystem.Hvs401Zls WHERE ZlsKst = 'ISQL'\n"
                            "SELECT * FROM HvSystem.Nope\n";
  EXPECT_EQ(0, runIsql(dir, "IsqlDemo", "hvuser Geheim", input, out)) << out;
  SCOPED_TRACE(out);
  EXPECT_NE(std::string::npos, out.find("Connected!"));
  EXPECT_NE(std::string::npos, out.find("| BDE6251"));
  EXPECT_NE(std::string::npos, out.find("| BDE9999"));
  EXPECT_NE(std::string::npos, out.find("2 rows fetched"));
  EXPECT_NE(std::string::npos, out.find("SQLRowCount returns 1"));
  EXPECT_NE(std::string::npos, out.find("| Isql"));
  EXPECT_NE(std::string::npos, out.find("1 rows fetched"));
  // isql works as an ODBC 2 application: the driver manager maps 42S02 to S0002.
  EXPECT_NE(std::string::npos,
            out.find("[S0002]" + kServerPrefix + "Invalid object name 'HvSystem.Nope'."));
  // The rows stayed in the file: a second isql session sees them.
  std::string again;
  runIsql(dir, "IsqlDemo", "hvuser Geheim", "SELECT COUNT(*) FROM HvSystem.Hvs401Zls\n", again);
  EXPECT_NE(std::string::npos, again.find("| 5 ")) << again;
}

TEST(Isql, WrongPasswordIsRefused) {
  if (!fileExists(HVEMU_ISQL)) GTEST_SKIP() << HVEMU_ISQL << " is not installed";
  TempFolder dir;
  ASSERT_EQ("", prepareDsn(dir, "IsqlLogin", "hvuser Geheim"));
  std::string out;
  EXPECT_NE(0, runIsql(dir, "IsqlLogin", "hvuser falsch", "", out));
  EXPECT_NE(std::string::npos, out.find("[28000]")) << out;
  EXPECT_NE(std::string::npos, out.find("Login failed for user 'hvuser'.")) << out;
}
