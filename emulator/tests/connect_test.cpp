// Connecting through the driver manager: DSN attributes, login check, the
// informational connect answer and the driver manager's own IM002.
#include <gtest/gtest.h>

#include "emu_support.h"

using namespace emutest;

TEST(Connect, OpensAndCreatesTheDatabaseFile) {
  TestDatabase db;
  EXPECT_FALSE(fileExists(db.databasePath()));
  Connection c;
  ASSERT_EQ(SQL_SUCCESS, c.connect(db.dsn()));
  EXPECT_TRUE(fileExists(db.databasePath()));
  EXPECT_TRUE(c.connectDiags().empty());
}

TEST(Connect, UnknownDsnIsTheDriverManagersIm002) {
  dsnFolder();
  Connection c;
  ASSERT_EQ(SQL_ERROR, c.connect("NoSuchDsnHere"));
  const auto d = c.connectDiags();
  ASSERT_FALSE(d.empty());
  EXPECT_EQ("IM002", d[0].state);
}

TEST(Connect, LoginIsCheckedWhenTheDsnNamesAUser) {
  TestDatabase db("hvuser", "Secret1");
  struct Case {
    const char* user;
    const char* password;
    bool ok;
  };
  const Case cases[] = {{"hvuser", "Secret1", true},   {"HVUSER", "Secret1", true}, {"hvuser", "secret1", false},
                        {"other", "Secret1", false},   {"", "", false}};
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string("user '") + k.user + "' password '" + k.password + "'");
    Connection c;
    const SQLRETURN rc = c.connect(db.dsn(), k.user, k.password);
    if (k.ok) {
      EXPECT_EQ(SQL_SUCCESS, rc);
      continue;
    }
    ASSERT_EQ(SQL_ERROR, rc);
    const auto d = c.connectDiags();
    ASSERT_EQ(1u, d.size());
    EXPECT_EQ("28000", d[0].state);
    EXPECT_EQ(18456, d[0].native);
    // The driver manager puts its own tag before records of a failed connect.
    EXPECT_EQ(std::string("[unixODBC][HvEmu][HvEmu SQL Server Driver][SQL Server]Login failed for user '") + k.user + "'.",
              d[0].message);
  }
}

TEST(Connect, WithoutUserInTheDsnAnyLoginIsAccepted) {
  TestDatabase db;
  Connection c;
  EXPECT_EQ(SQL_SUCCESS, c.connect(db.dsn(), "whoever", "whatever"));
}

TEST(Connect, ConnectInfoSwitchAnswersSuccessWithInfo) {
  TestDatabase db;
  ScopedEnv info("HVEMU_CONNECT_INFO", "1");
  Connection c;
  ASSERT_EQ(SQL_SUCCESS_WITH_INFO, c.connect(db.dsn()));
  const auto d = c.connectDiags();
  ASSERT_EQ(1u, d.size());
  EXPECT_EQ("01000", d[0].state);
  EXPECT_EQ(5701, d[0].native);
  EXPECT_EQ("[unixODBC][HvEmu][HvEmu SQL Server Driver][SQL Server]Changed database context to 'emu'.", d[0].message);
  // The connection works like any other.
  EXPECT_EQ(SQL_SUCCESS, c.exec("CREATE SCHEMA HvSystem").rc);
}

TEST(Connect, DatabaseInAMissingFolderFailsWithLoginFailure) {
  TempFolder dir;
  const std::string dsn = "EmuMissingFolder";
  std::string out;
  ASSERT_EQ(0, runCommand("BUILD_DIR='" + std::string(HVEMU_BUILD_DIR) + "' '" + sourcePath("scripts/emulator-dsn") +
                              "' '" + dsnFolder() + "' " + dsn + " '" + dir.path() + "/no/such/folder/x.db'",
                          &out))
      << out;
  Connection c;
  ASSERT_EQ(SQL_ERROR, c.connect(dsn));
  const auto d = c.connectDiags();
  ASSERT_FALSE(d.empty());
  EXPECT_EQ(4060, d[0].native);
}

TEST(Connect, DriverManagerFindsTheEntryPointsTheToolUses) {
  TestDatabase db;
  Connection c;
  ASSERT_EQ(SQL_SUCCESS, c.connect(db.dsn()));
  const SQLUSMALLINT needed[] = {SQL_API_SQLALLOCHANDLE, SQL_API_SQLCONNECT,    SQL_API_SQLEXECDIRECT,
                                 SQL_API_SQLBINDCOL,     SQL_API_SQLFETCH,      SQL_API_SQLGETDIAGREC,
                                 SQL_API_SQLFREEHANDLE,  SQL_API_SQLDISCONNECT, SQL_API_SQLPREPARE,
                                 SQL_API_SQLEXECUTE,     SQL_API_SQLGETDATA,    SQL_API_SQLNUMRESULTCOLS,
                                 SQL_API_SQLDESCRIBECOL, SQL_API_SQLCOLATTRIBUTE, SQL_API_SQLROWCOUNT,
                                 SQL_API_SQLGETINFO,     SQL_API_SQLFREESTMT,   SQL_API_SQLGETDIAGFIELD};
  for (SQLUSMALLINT f : needed) {
    SQLUSMALLINT supported = SQL_FALSE;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLGetFunctions(c.dbc(), f, &supported)));
    EXPECT_EQ(SQL_TRUE, supported) << "function id " << f;
  }
}
