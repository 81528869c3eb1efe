// The same imports through Debian's FreeTDS driver over TCP into the
// stand-in's TDS server as through the stand-in's own driver in the tool's
// process: exit codes, console, run log, the statements sent and the rows
// (texts byte for byte, "ä" and the euro sign included) alike; a re-import
// gives only duplicates. Then what FreeTDS makes of the server's errors
// (truncation, an injected failure, a refused login, an unknown database),
// isql against the server, and a client that is not FreeTDS (python3-tds).
#include <chrono>
#include <string>
#include <vector>

#include "db/odbc_handle.h"
#include "e2e/freetds_support.h"

namespace e2e {
namespace {

// A dta file whose texts go to the table unchanged: "VonBis=" fills BewRes.
const std::string kUmlautLines =
    "BDE6251,01,4711,20250119,20250119072000,B01,0,SO=1,\"VonBis=K\xE4se-\x80-Fr\xFCh\"\r\n"
    "BDE6251,02,4712,20250119,20250119073000,B01,0,SO=1,\"VonBis=\xC4\xD6\xDC\xDF\xA7\x9C\x8A\"\r\n";

TEST_F(FreeTdsTest, SamplesGiveTheSameRunsRowsAndStatementsAsInProcessAndAReimportOnlyDuplicates) {
  serve();
  std::vector<std::string> files;
  for (const char* name : {"bookings.dta", "bookings.40p", "bookings.50p", "bookings.62p"}) {
    files.push_back(source(name, sample(name)));
  }
  files.push_back(source("umlauts.dta", kUmlautLines));
  for (int round = 0; round < 2; ++round) {
    for (const std::string& f : files) {
      const std::string type = f.substr(f.size() - 3);
      expectSameRun({f, type, kTerminal, "/D"});
    }
  }
  const std::vector<OdbcSandbox::Row> rows = bookings();
  EXPECT_EQ(rows.size(), 15u);
  EXPECT_EQ(bookings(*served_), rows);
  EXPECT_EQ(canteen().size(), 2u);
  EXPECT_EQ(canteen(*served_), canteen());
  // The texts of the umlaut file as its bytes.
  const std::vector<OdbcSandbox::Row> res =
      served_->query("SELECT BewRes FROM HvSystem.Hvs321BEW WHERE BewDtm = '2025-01-19' ORDER BY BewUhr");
  EXPECT_EQ(res, (std::vector<OdbcSandbox::Row>{{"K\xE4se-\x80-Fr\xFCh"}, {"\xC4\xD6\xDC\xDF\xA7\x9C\x8A"}}));

  // The second round found every booking there: only duplicates.
  const Outcome again = runVia(true, {files[1], "40p", kTerminal});
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.out,
            "Kantinendaten konnten nicht eingepflegt werden.\n"
            "SQLFehler: 2627 Ausweis: 4711  Datum/Uhrzeit: 20250115 1205  Bon: 0001!\n");
  EXPECT_EQ(count(again.log, "Buchungssatz existiert bereits"), 4);
  EXPECT_EQ(again.log.find("Insert-Fehler"), std::string::npos);
}

TEST_F(FreeTdsTest, ClientsOfTds71To73ImportAlike) {
  serve();
  const std::string dta = source("bookings.dta", sample("bookings.dta"));
  const std::string p40 = source("bookings.40p", sample("bookings.40p"));
  for (const char* version : {"7.1", "7.2", "7.3"}) {
    SCOPED_TRACE(version);
    freeTdsDsn_ = db_->dsn() + "_v" + std::string(version).substr(2);
    server_->addDataSource(OdbcSandbox::odbcFolder(), freeTdsDsn_, 10, {std::string("TDS_Version=") + version});
    expectSameRun({dta, "dta", kTerminal, "/D"});
    expectSameRun({p40, "40p", kTerminal, "/D"});
  }
  EXPECT_EQ(bookings(*served_), bookings());
  EXPECT_EQ(canteen(*served_), canteen());
}

TEST_F(FreeTdsTest, ServerErrorsAsFreeTdsReportsThem) {
  // A site whose BewRes column is narrower than the tool's texts, and a
  // "VonBis=" text longer than it.
  std::string table = readFileBytes(OdbcSandbox::sourcePath("sql/schema.sql"));
  table = table.substr(table.find("CREATE TABLE HvSystem.Hvs321BEW"));
  table = table.substr(0, table.find('\n'));
  table.replace(table.find("BewRes varchar(136)"), 19, "BewRes varchar(20)");
  served_->execute("DROP TABLE HvSystem.Hvs321BEW");
  served_->execute(table);
  const std::string longText(40, 'L');
  const std::string truncated = source(
      "long.dta", "BDE6251,01,4711,20250119,20250119072000,B01,0,SO=1,\"VonBis=" + longText + "\"\r\n");
  const std::string sample62p = source("bookings.62p", sample("bookings.62p"));
  const std::string truncation = "String or binary data would be truncated in table 'hv.HvSystem.Hvs321BEW', column "
                                 "'BewRes'. Truncated value: '" + longText.substr(0, 20) + "'.";
  const struct {
    const char* what;
    std::vector<std::string> switches;
    std::string file;
    std::string type;
    int status;
    std::string failure;  // the console's failure line
    std::string record;   // the ODBC line under /D
  } cases[] = {
      {"truncation", {}, truncated, "dta", 254, "   ID 4711: Insert-Fehler: 2628\n",
       "   ODBC 42000 (2628): " + std::string(kFreeTds) + truncation + "\n"},
      {"old truncation", {"--old-truncation"}, truncated, "dta", 254, "   ID 4711: Insert-Fehler: 8152\n",
       "   ODBC 22001 (8152): " + std::string(kFreeTds) + "String or binary data would be truncated.\n"},
      {"injected 547", {"--fail-exec", "2:547:23000"}, sample62p, "62p", 254, "  ID 4712: Insert-Fehler: 547\n",
       "   ODBC 23000 (547): " + std::string(kFreeTds) + "Injected failure\n"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    served_->execute("DELETE FROM HvSystem.Hvs321BEW");
    serve(k.switches);
    const Outcome quiet = runVia(true, {k.file, k.type, kTerminal});
    EXPECT_EQ(quiet.status, k.status);
    EXPECT_EQ(quiet.out, k.failure);
    served_->execute("DELETE FROM HvSystem.Hvs321BEW");
    serve(k.switches);  // the injected failure counts from the connection
    const Outcome debug = runVia(true, {k.file, k.type, kTerminal, "/D"});
    EXPECT_EQ(debug.status, k.status);
    EXPECT_NE(debug.out.find(k.failure + k.record), std::string::npos) << debug.out;
    EXPECT_EQ(debug.log, quiet.log);
  }
}

// A wrong password, and a data source naming a database the server does not
// have (4060 and 18456; FreeTDS puts the record of the higher class first).
TEST_F(FreeTdsTest, RefusedLoginAndUnknownDatabaseEndWithMinusOne) {
  serve();
  const std::string file = source("bookings.50p", sample("bookings.50p"));
  const std::string nowhere = freeTdsDsn_ + "_nowhere";
  const ProcessResult dsn = runProcess("/bin/bash", {OdbcSandbox::sourcePath("scripts/dsn-freetds"),
                                                     OdbcSandbox::odbcFolder(), nowhere, "127.0.0.1",
                                                     std::to_string(server_->port()), "nowhere", "10"});
  ASSERT_EQ(dsn.status, 0) << dsn.err;
  const struct {
    const char* what;
    std::string dsn;
    std::string password;
  } cases[] = {{"wrong password", freeTdsDsn_, "falsch"}, {"unknown database", nowhere, "Kant1ne-Pw"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    freeTdsDsn_ = c.dsn;
    const Outcome refused = runVia(true, {file, "50p", kTerminal, "/D"}, c.password);
    EXPECT_EQ(refused.status, 255);
    EXPECT_EQ(refused.out,
              "Datenbankverbindung fehlgeschlagen, Fehler: -1\n"
              "   ODBC 42000 (18456): [unixODBC]" +
                  std::string(kFreeTds) + "Login failed for user 'hvimport'.\n");
    EXPECT_EQ(refused.log, logBytes(kStart + Entries{"dbConnect-Fehler: -1"}));
  }
  EXPECT_TRUE(bookings(*served_).empty());
}

TEST_F(FreeTdsTest, IsqlAgainstTheServer) {
  serve();
  const std::string script = db_->file("isql.sql");
  writeFileBytes(script,
                 "SELECT TrmNam, TrmMnd, TrmSta FROM HvSystem.Hvs1140Trm ORDER BY TrmNam\n"
                 "INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('ISQL', 1, 'K\xE4se\x80')\n"
                 "SELECT ZlsKst FROM HvSystem.Hvs401Zls WHERE ZlsTrm = 'ISQL'\n"
                 "INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('ISQL', 1, 'x')\n");
  const ProcessResult r = runProcess(
      "/bin/sh", {"-c", "isql -v -b -c -d'|' \"$0\" hvimport Kant1ne-Pw < \"$1\"", freeTdsDsn_, script}, "",
      {{"ODBCSYSINI", OdbcSandbox::odbcFolder()}});
  EXPECT_EQ(r.out,
            "TrmNam|TrmMnd|TrmSta\nBDE6251|1|1\nBDE9999|1|4\n"
            "ZlsKst\nK\xE4se\x80\n"
            "[23000][FreeTDS][SQL Server]Violation of PRIMARY KEY constraint 'PK_Hvs401Zls'. Cannot insert duplicate "
            "key in object 'HvSystem.Hvs401Zls'. The duplicate key value is (ISQL, 1).\n"
            "[01000][FreeTDS][SQL Server]The statement has been terminated.\n")
      << r.err;
  EXPECT_EQ(r.err, "[ISQL]ERROR: Could not SQLExecute\n");
}

TEST_F(FreeTdsTest, APython3TdsClientConnectsInsertsQueriesAndSeesTheDuplicateKeyNumber) {
  serve();
  const ProcessResult r =
      runProcess("/usr/bin/python3", {OdbcSandbox::sourcePath("tests/e2e/pytds_client.py"), std::to_string(server_->port()),
                                      server_->databaseName(), "hvimport", "Kant1ne-Pw"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "connected to hv\n"
            "inserted 1\n"
            "rows [('PY1', 1, 'Käse €')]\n"
            "booking ('BDE6251', '4711', datetime.datetime(2025, 1, 15, 7, 30), 1)\n"
            "IntegrityError 2627 class 14: Violation of PRIMARY KEY constraint 'PK_Hvs401Zls'. Cannot insert duplicate "
            "key in object 'HvSystem.Hvs401Zls'. The duplicate key value is (PY1, 1).\n")
      << r.err;
  EXPECT_EQ(served_->query("SELECT ZlsKst FROM HvSystem.Hvs401Zls WHERE ZlsTrm = 'PY1'"),
            (std::vector<OdbcSandbox::Row>{{"K\xE4se \x80"}}));
}

// One statement's outcome through FreeTDS: the return code, the first
// record, and how long the call took.
struct Statement {
  SQLRETURN rc = SQL_ERROR;
  std::string state;
  long native = 0;
  std::string message;
  std::chrono::milliseconds took{0};
};

// A connection of this test process through the driver manager.
class Connection {
 public:
  Connection(const std::string& dsn, const std::string& user, const std::string& password) {
    env_.allocate(SQL_NULL_HANDLE);
    SQLSetEnvAttr(env_.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    dbc_.allocate(env_.get());
    std::string d = dsn, u = user, p = password;
    connected_ = SQL_SUCCEEDED(SQLConnect(dbc_.get(), reinterpret_cast<SQLCHAR*>(&d[0]), SQL_NTS,
                                          reinterpret_cast<SQLCHAR*>(&u[0]), SQL_NTS,
                                          reinterpret_cast<SQLCHAR*>(&p[0]), SQL_NTS));
  }
  ~Connection() {
    if (connected_) SQLDisconnect(dbc_.get());
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  bool connected() const { return connected_; }

  // Runs `sql` as the tool does (SQLExecDirect; a query's first row fetched).
  Statement run(std::string sql) {
    OdbcHandle stmt(SQL_HANDLE_STMT);
    Statement s;
    const auto start = std::chrono::steady_clock::now();
    if (!SQL_SUCCEEDED(stmt.allocate(dbc_.get()))) return s;
    s.rc = SQLExecDirect(stmt.get(), reinterpret_cast<SQLCHAR*>(&sql[0]), SQL_NTS);
    if (SQL_SUCCEEDED(s.rc) && sql.compare(0, 6, "SELECT") == 0) s.rc = SQLFetch(stmt.get());
    SQLCHAR state[6] = {0};
    SQLCHAR message[512] = {0};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (SQL_SUCCEEDED(SQLGetDiagRec(SQL_HANDLE_STMT, stmt.get(), 1, state, &native, message, sizeof message, &length))) {
      s.state = reinterpret_cast<const char*>(state);
      s.native = native;
      s.message = reinterpret_cast<const char*>(message);
    }
    s.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    return s;
  }

 private:
  OdbcHandle env_{SQL_HANDLE_ENV};
  OdbcHandle dbc_{SQL_HANDLE_DBC};
  bool connected_ = false;
};

TEST_F(FreeTdsTest, NetworkFaultsAsFreeTdsReportsThem) {
  // Each fault at the second INSERT of the connection; the data source's
  // Timeout is 1 s. The statement after the fault finds the connection dead.
  const std::string insert = "INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('NET', %d, 'x')";
  auto nth = [&](int n) { return insert.substr(0, insert.find("%d")) + std::to_string(n) + insert.substr(insert.find("%d") + 2); };
  const struct {
    const char* option;
    const char* state;
    long native;
    const char* message;
    int stored;  // rows of the connection's INSERTs that reached the table
  } cases[] = {
      {"--close-at", "01000", 20017, "Unexpected EOF from the server", 1},
      {"--reset-at", "HY000", 0, "Unknown error", 1},
      {"--close-after", "01000", 20017, "Unexpected EOF from the server", 2},
      {"--reset-after", "HY000", 0, "Unknown error", 2},
      {"--stall-at", "HYT00", 0, "Timeout expired", 1},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.option);
    served_->execute("DELETE FROM HvSystem.Hvs401Zls WHERE ZlsTrm = 'NET'");
    serve({k.option, "2@INSERT"}, 1);
    Connection c(freeTdsDsn_, "hvimport", "Kant1ne-Pw");
    ASSERT_TRUE(c.connected());
    EXPECT_EQ(c.run("SELECT TrmNam FROM HvSystem.Hvs1140Trm").rc, SQL_SUCCESS);
    EXPECT_EQ(c.run(nth(1)).rc, SQL_SUCCESS);
    const Statement lost = c.run(nth(2));
    EXPECT_EQ(lost.rc, SQL_ERROR);
    EXPECT_EQ(lost.state, k.state);
    EXPECT_EQ(lost.native, k.native);
    EXPECT_EQ(lost.message, kFreeTds + std::string(k.message));
    const Statement next = c.run(nth(3));
    EXPECT_EQ(next.rc, SQL_ERROR);
    EXPECT_EQ(next.state, "08S01") << next.message;
    EXPECT_EQ(served_->query("SELECT COUNT(*) FROM HvSystem.Hvs401Zls WHERE ZlsTrm = 'NET'"),
              (std::vector<OdbcSandbox::Row>{{std::to_string(k.stored)}}));
    if (std::string(k.option) == "--stall-at") {
      // The time-out, then FreeTDS waits as long again for the attention's
      // answer, which never comes, and closes.
      EXPECT_GE(lost.took + next.took, std::chrono::milliseconds(1900));
      EXPECT_LT(lost.took + next.took, std::chrono::milliseconds(5000));
    }
  }
}

}  // namespace
}  // namespace e2e
