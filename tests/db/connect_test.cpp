// dbConnect through the driver manager against the emulator: the configuration
// file, the value rules, refused connections and their console text.
#include <gtest/gtest.h>

#include <string>

#include "common/console.h"
#include "db/database.h"
#include "db/odbc_booking_store.h"
#include "db_test_fixture.h"
#include "support/odbc_sandbox.h"
#include "support/recording_log.h"

namespace {

constexpr char kConnectFailed[] = "Datenbankverbindung fehlgeschlagen, Fehler: -1\n";

// Registers one more data source name for the sandbox's database.
void addDataSource(const OdbcSandbox& sandbox, const std::string& name) {
  std::string output;
  ASSERT_EQ(OdbcSandbox::addDataSource(name, sandbox.databasePath(), sandbox.options().user,
                                       sandbox.options().password, &output),
            0)
      << output;
}

// Number of bookings stored, through the sandbox's own connection.
std::string bookingCount(OdbcSandbox& sandbox) {
  const auto rows = sandbox.query("SELECT COUNT(*) FROM HvSystem.Hvs321BEW");
  return rows.size() == 1 && rows[0].size() == 1 ? rows[0][0] : "?";
}

TEST(Connect, WithTheFileWrittenByHvcrypt) {
  OdbcSandbox sandbox;
  const std::string ini = sandbox.writeIni();
  std::string out;
  Console console(&out);
  Database db;
  ASSERT_EQ(db.dbConnect(ini, console), 0) << out;
  EXPECT_EQ(out, "");
  EXPECT_TRUE(db.connected());
  EXPECT_EQ(db.schema(), sandbox.options().schema);

  // Statements run on the connection.
  RecordingLog log;
  OdbcBookingStore store(db, log, console);
  EXPECT_EQ(store.insertBooking(sampleBooking()), 0);
  EXPECT_EQ(bookingCount(sandbox), "1");
}

TEST(Connect, SuccessWithInfoCountsAsConnected) {
  OdbcSandbox sandbox;
  const std::string ini = sandbox.writeIni();
  ScopedEnv info("HVEMU_CONNECT_INFO", "1");

  // The switch really makes SQLConnect answer SQL_SUCCESS_WITH_INFO.
  {
    OdbcHandle env(SQL_HANDLE_ENV), dbc(SQL_HANDLE_DBC);
    ASSERT_EQ(env.allocate(SQL_NULL_HANDLE), SQL_SUCCESS);
    SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), SQL_IS_INTEGER);
    ASSERT_EQ(dbc.allocate(env.get()), SQL_SUCCESS);
    std::string dsn = sandbox.dsn(), user = sandbox.options().user, password = sandbox.options().password;
    const SQLRETURN rc = SQLConnect(dbc.get(), reinterpret_cast<SQLCHAR*>(&dsn[0]), SQL_NTS,
                                    reinterpret_cast<SQLCHAR*>(&user[0]), SQL_NTS,
                                    reinterpret_cast<SQLCHAR*>(&password[0]), SQL_NTS);
    ASSERT_EQ(rc, SQL_SUCCESS_WITH_INFO);
    SQLDisconnect(dbc.get());
  }

  std::string out;
  Console console(&out);
  Database db;
  EXPECT_EQ(db.dbConnect(ini, console), 0);
  EXPECT_EQ(out, "");
  EXPECT_TRUE(db.connected());
  RecordingLog log;
  OdbcBookingStore store(db, log, console);
  EXPECT_EQ(store.insertBooking(sampleBooking()), 0);
  EXPECT_EQ(bookingCount(sandbox), "1");
}

TEST(Connect, RefusedConnectionsReportMinusOne) {
  OdbcSandbox sandbox;
  const auto& o = sandbox.options();
  // A 32-character name (the longest the driver manager takes) connects: the
  // working copies are not cut to 23 characters.
  const std::string dsn32 = "hvlong_" + std::string(25, 'd');
  addDataSource(sandbox, dsn32);
  {
    const std::string ini = sandbox.file("dsn32.ini");
    writeIniValues(ini, o.user, o.password, o.schema + ".", dsn32);
    std::string out;
    Console console(&out);
    Database db;
    EXPECT_EQ(db.dbConnect(ini, console), 0) << out;
  }
  // 40 characters reach the driver manager, which refuses the length (HY090);
  // 41 characters are not taken at all: the name is empty (IM002).
  const std::string dsn40 = dsn32 + "12345678";
  ASSERT_EQ(dsn40.size(), 40u);

  const struct {
    const char* name;
    std::string password;
    std::string dsn;
    bool viaHvcrypt;
    const char* sqlState;  // nullptr: whatever the server says
  } cases[] = {
      {"wrong password", "falsch", sandbox.dsn(), true, nullptr},
      {"unknown data source", o.password, "hvtest_no_such_source", true, "IM002"},
      {"empty data source", o.password, "", false, "IM002"},
      {"data source of 40 characters", o.password, dsn40, false, "HY090"},
      {"data source of 41 characters", o.password, dsn40 + "x", false, "IM002"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string ini = sandbox.file("refused.ini");
    if (c.viaHvcrypt) {
      ASSERT_EQ(writeIniWithHvcrypt(ini, o.user, c.password, o.schema, c.dsn), 0);
    } else {
      writeIniValues(ini, o.user, c.password, o.schema + ".", c.dsn);
    }
    std::string out;
    Console console(&out);
    Database db;
    EXPECT_EQ(db.dbConnect(ini, console), -1);
    EXPECT_EQ(out, kConnectFailed);
    EXPECT_FALSE(db.connected());
    // The driver's answer is read into the diagnostic record, not shown.
    EXPECT_FALSE(db.diagnostics().state().empty());
    if (c.sqlState != nullptr) {
      EXPECT_EQ(db.diagnostics().state(), c.sqlState);
    } else {
      EXPECT_NE(db.diagnostics().nativeError, 0);
    }
  }
}

TEST(Connect, MissingConfigurationFileConnectsWithEmptyLogin) {
  OdbcSandbox sandbox;
  std::string out;
  Console console(&out);
  Database db;
  EXPECT_EQ(db.dbConnect(sandbox.file("missing.ini"), console), -1);
  EXPECT_EQ(out, kConnectFailed);
  EXPECT_EQ(db.schema(), "");
}

TEST(Connect, CredentialsLongerThan23CharactersAreHandedOverWhole) {
  OdbcSandbox::Options options;
  options.user = "hv_" + std::string(57, 'u');      // 60 characters
  options.password = "Pw-" + std::string(87, 'p');  // 90 characters
  OdbcSandbox sandbox(options);
  ASSERT_FALSE(HasFailure());
  std::string out;
  Console console(&out);
  Database db;
  EXPECT_EQ(db.dbConnect(sandbox.writeIni(), console), 0) << out;

  // One character less of the password is refused: the whole text counts.
  writeIniValues(sandbox.file("short.ini"), options.user, options.password.substr(0, 89), "S.", sandbox.dsn());
  Database other;
  EXPECT_EQ(other.dbConnect(sandbox.file("short.ini"), console), -1);
}

TEST(Connect, SchemaValueRules) {
  OdbcSandbox sandbox;
  const auto& o = sandbox.options();
  const struct {
    std::string value;
    std::string schema;
  } cases[] = {
      {"HvKantine.", "HvKantine"},
      {"", ""},
      {"X", ""},
      {"ABCDEFGHIJKLMNOPQRST.", "ABCDEFGHIJKLMNOPQRST"},  // 20 characters kept
      {"ABCDEFGHIJKLMNOPQRSTU.", "ABCDEFGHIJKLMNOPQRSTU"},  // 21 do not fit: kept whole, not cut
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("SCHEMA value \"" + c.value + "\"");
    const std::string ini = sandbox.file("schema.ini");
    writeIniValues(ini, o.user, o.password, c.value, sandbox.dsn());
    std::string out;
    Console console(&out);
    Database db;
    EXPECT_EQ(db.dbConnect(ini, console), 0) << out;
    EXPECT_EQ(db.schema(), c.schema);
  }
}

TEST(Connect, ConnectingAgainReplacesTheConnection) {
  OdbcSandbox sandbox;
  const auto& o = sandbox.options();
  Database db;
  EXPECT_EQ(db.odbcConnect(o.user, o.password, sandbox.dsn()), 0);
  EXPECT_EQ(db.odbcConnect(o.user, "falsch", sandbox.dsn()), -1);
  EXPECT_FALSE(db.connected());
  EXPECT_EQ(db.odbcConnect(o.user, o.password, sandbox.dsn()), 0);
  EXPECT_TRUE(db.connected());
}

TEST(Connect, StatementsWithoutAConnectionRunNothing) {
  std::string out;
  Console console(&out);
  RecordingLog log;
  Database db;
  OdbcBookingStore store(db, log, console);
  EXPECT_EQ(store.insertBooking(sampleBooking()), -1);
  FixedText<31> text("preset");
  EXPECT_EQ(store.lookupKidKst(100, text, "TDB1"), 0);
  EXPECT_EQ(text.str(), "preset");
  EXPECT_EQ(store.bookCanteen(sampleBooking()), 1);
  EXPECT_NE(out.find("SQLFehler: -1 "), std::string::npos) << out;
  EXPECT_EQ(db.sqlText(), "");
}

}  // namespace
