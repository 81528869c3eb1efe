// dbConnect through the driver manager against the emulator: the configuration
// file, the value rules, refused connections and their console text.
#include <gtest/gtest.h>

#include <algorithm>
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

// A diagnostic record as the driver manager fills it: at most the buffer less
// its terminator.
DiagnosticRecord record(const std::string& state, SQLINTEGER native, const std::string& message) {
  DiagnosticRecord r;
  std::copy_n(state.begin(), std::min(state.size(), r.sqlState.size() - 1), r.sqlState.begin());
  std::copy_n(message.begin(), std::min(message.size(), r.message.size() - 1), r.message.begin());
  r.nativeError = native;
  return r;
}

// The debug line of a record whose message needs neither blanks nor a mask.
std::string plainLine(const DiagnosticRecord& d) {
  return "   ODBC " + d.state() + " (" + std::to_string(d.nativeError) + "): " + d.text() + "\n";
}

// Number of bookings stored, through the sandbox's own connection.
std::string bookingCount(OdbcSandbox& sandbox) {
  const auto rows = sandbox.query("SELECT COUNT(*) FROM HvSystem.Hvs321BEW");
  return rows.size() == 1 && rows[0].size() == 1 ? rows[0][0] : "?";
}

TEST(DiagnosticLine, OneLineWithoutThePassword) {
  const std::string filled(999, 'x');  // as much as the record holds
  const struct {
    const char* name;
    std::string state;
    SQLINTEGER native;
    std::string message;
    std::string secret;
    std::string line;
  } cases[] = {
      {"as the driver says it", "08001", 0, "[FreeTDS][SQL Server]Unable to connect to data source", "Kant1ne-Pw",
       "   ODBC 08001 (0): [FreeTDS][SQL Server]Unable to connect to data source\n"},
      {"native code", "28000", 18456, "Login failed for user 'hvimport'.", "Kant1ne-Pw",
       "   ODBC 28000 (18456): Login failed for user 'hvimport'.\n"},
      {"negative native code", "HY000", -2147483647 - 1, "x", "", "   ODBC HY000 (-2147483648): x\n"},
      {"line ends become blanks", "42000", 102, "first\r\nsecond\nthird\r", "",
       "   ODBC 42000 (102): first  second third \n"},
      {"every occurrence masked", "08001", 0, "PWD=Geheim;X=Geheim.Geheim", "Geheim", "   ODBC 08001 (0): PWD=***;X=***.***\n"},
      {"masked before line ends become blanks", "08001", 0, "PWD=Geheim\r\n", "Geheim", "   ODBC 08001 (0): PWD=***  \n"},
      {"overlapping occurrences", "08001", 0, "aaaa", "aa", "   ODBC 08001 (0): ******\n"},
      {"overlap left over", "08001", 0, "aaa", "aa", "   ODBC 08001 (0): ***a\n"},
      {"empty password masks nothing", "08001", 0, "PWD=;UID=hv", "", "   ODBC 08001 (0): PWD=;UID=hv\n"},
      {"a whole message keeps a mere beginning", "08001", 0, "PWD=Geh", "Geheim", "   ODBC 08001 (0): PWD=Geh\n"},
      {"message filling the record", "01000", 0, filled, "", "   ODBC 01000 (0): " + filled + "\n"},
      {"longer message cut to the record", "01000", 0, filled + "yyyy", "", "   ODBC 01000 (0): " + filled + "\n"},
      {"empty record", "", 0, "", "pw", "   ODBC  (0): \n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(diagnosticLine(record(c.state, c.native, c.message), c.secret), c.line);
  }
}

TEST(DiagnosticLine, APasswordCutByTheRecordIsMaskedToo) {
  // Every cut through the password: the piece left at the end of a message that
  // fills the record is masked; the same piece ending a shorter message is not
  // the password and stays.
  const std::string secret = "Kant1ne-Pw";
  for (std::size_t kept = 1; kept <= secret.size(); ++kept) {
    SCOPED_TRACE(std::to_string(kept) + " characters of the password kept");
    const std::string head(999 - kept, 'm');
    EXPECT_EQ(diagnosticLine(record("08001", 0, head + secret + " and more"), secret),
              "   ODBC 08001 (0): " + head + "***\n");
    if (kept < secret.size()) {
      const std::string shortText = "ends with " + secret.substr(0, kept);
      EXPECT_EQ(diagnosticLine(record("08001", 0, shortText), secret), "   ODBC 08001 (0): " + shortText + "\n");
    }
  }
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
  EXPECT_EQ(store.insertBooking(sampleBooking()).code, 0);
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
  EXPECT_EQ(store.insertBooking(sampleBooking()).code, 0);
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

    // With the debug flag it follows the failure line.
    std::string debugOut;
    Console debugConsole(&debugOut);
    Database debugDb;
    EXPECT_EQ(debugDb.dbConnect(ini, debugConsole, true), -1);
    EXPECT_EQ(debugOut, kConnectFailed + plainLine(db.diagnostics()));
  }
}

TEST(Connect, DebugLineNeverShowsThePassword) {
  // A login whose password is its user name: the server's refusal names the
  // user and so holds the password's text.
  OdbcSandbox sandbox;
  const std::string secret = "Geheim-7";
  const std::string ini = sandbox.file("same.ini");
  ASSERT_EQ(writeIniWithHvcrypt(ini, secret, secret, sandbox.options().schema, sandbox.dsn()), 0);
  for (const bool debug : {false, true}) {
    SCOPED_TRACE(debug ? "debug" : "no debug");
    std::string out;
    Console console(&out);
    Database db;
    EXPECT_EQ(db.dbConnect(ini, console, debug), -1);
    EXPECT_EQ(db.diagnostics().text(),
              "[unixODBC][HvEmu][HvEmu SQL Server Driver][SQL Server]Login failed for user '" + secret + "'.");
    EXPECT_EQ(out, std::string(kConnectFailed) +
                       (debug ? "   ODBC 28000 (18456): [unixODBC][HvEmu][HvEmu SQL Server Driver][SQL Server]"
                                "Login failed for user '***'.\n"
                              : ""));
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

  out.clear();
  EXPECT_EQ(db.dbConnect(sandbox.file("missing.ini"), console, true), -1);
  EXPECT_EQ(out, std::string(kConnectFailed) +
                     "   ODBC IM002 (0): [unixODBC][Driver Manager]Data source name not found and no default driver "
                     "specified\n");
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
  EXPECT_EQ(store.insertBooking(sampleBooking()).code, -1);
  FixedText<31> text("preset");
  EXPECT_EQ(store.lookupKidKst(100, text, "TDB1").code, 0);
  EXPECT_EQ(text.str(), "preset");
  EXPECT_EQ(store.bookCanteen(sampleBooking()).code, -1);
  EXPECT_NE(out.find("SQLFehler: -1 "), std::string::npos) << out;
  EXPECT_EQ(db.sqlText(), "");
}

}  // namespace
