// The database going away in the middle of a file, through Debian's FreeTDS
// driver and the stand-in's TDS server: the connection closed (FIN) or reset
// (RST) when a statement arrives, closed after the statement ran without its
// answer (a lost answer), or a server that stops answering (data source
// Timeout 2 s), each before the first booking insert, in the middle of the
// file, at a lookup, at the canteen insert and at the last record. The import
// stops there with one entry that names the record, soon and with an intact
// run log, and a re-run stores every booking of the file exactly once. Then
// the same stop through the stand-in's own driver, a server error that is
// about one booking only, and a text the driver cannot convert.
#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "e2e/freetds_support.h"

namespace e2e {
namespace {

constexpr int kTimeout = 2;  // seconds: the data source's Timeout
constexpr const char* kLost = "Datenbankverbindung unterbrochen bei Satz ";

// A 40p record: ID (13 bytes), day month year, time, key, reader, one character.
std::string rec40(const std::string& id, const std::string& hhmmss, char key) {
  return id + std::string(13 - id.size(), ' ') + "150125" + hhmmss + key + "01" + "1";
}

// A file of six records: bookings 1, 2, 4, 5 and 6 and a canteen booking 3,
// and the badges of the bookings.
struct Source {
  std::string type;
  std::string bytes;
  std::vector<std::string> badges;
  std::string lookup;  // the position of a lookup of record 4 (counting statements that hold the text)
};

Source file40p() {
  Source s{"40p", "", {"5001", "5002", "5004", "5005", "5006"}, "3@Hvs112Tta"};  // function code of record 4
  s.bytes = rec40("5001", "073000", '1') + rec40("5002", "073100", '1') + rec40("5003", "120500", 'K') +
            rec40("5004", "073300", '1') + rec40("5005", "073400", '1') + rec40("5006", "073500", '1');
  return s;
}

Source fileDta() {
  Source s{"dta", "", {"6001", "6002", "6004", "6005", "6006"}, "100@Hvs401Zls"};  // reader table of line 4
  const std::string head = "BDE6251,01,";
  s.bytes = head + "6001,20250118,20250118072000,B01,0,SO=1,Kostenstelle=815\r\n" + head +
            "6002,20250118,20250118073500,B01,0,SO=1\r\n" + head +
            "6003,20250118,20250118120000,K01,100,SO=37136\r\n" + head +
            "6004,20250118,20250118074000,B01,0,SO=1\r\n" + head +
            "6005,20250118,20250118074500,B02,0,SO=1,\"VonBis=0800-1630\"\r\n" + head +
            "6006,20250118,20250118075000,B01,0,SO=1\r\n";
  return s;
}

// Where the fault strikes, and the record at which the import must stop.
struct Position {
  const char* what;
  std::string at;  // the server's position: all but the lookup's are inserts
  int record;
};

std::vector<Position> positions(const Source& s) {
  return {{"before the first insert", "1@Hvs321BEW", 1},
          {"mid-file", "3@Hvs321BEW", 4},
          {"at a lookup", s.lookup, 4},
          {"at the canteen insert", "1@Hvs321Kan", 3},
          {"at the last record", "5@Hvs321BEW", 6}};
}

// Whole entries, CR LF throughout, the run's end lines last.
void expectIntactLog(const std::string& log) {
  EXPECT_EQ(count(log, "\n"), count(log, "\r\n")) << "a line feed without its carriage return";
  EXPECT_EQ(count(log, "Start : "), 1);
  const std::string end = logBytes(kEnd);
  ASSERT_GE(log.size(), end.size());
  EXPECT_EQ(log.substr(log.size() - end.size()), end);
}

struct Fault {
  const char* option;
  const char* name;
};

void PrintTo(const Source& s, std::ostream* out) { *out << s.type; }
void PrintTo(const Fault& f, std::ostream* out) { *out << f.name; }

class ConnectionLossTest : public FreeTdsTest,
                           public ::testing::WithParamInterface<std::tuple<Source, Fault>> {};

TEST_P(ConnectionLossTest, StopsAtTheRecordAndAReRunStoresEveryBookingOnce) {
  const Source& src = std::get<0>(GetParam());
  const Fault& fault = std::get<1>(GetParam());
  const std::string path = source("loss." + src.type, src.bytes);
  for (const Position& p : positions(src)) {
    SCOPED_TRACE(std::string(fault.name) + " " + p.what + " (" + p.at + ")");
    served_->execute("DELETE FROM HvSystem.Hvs321BEW");
    served_->execute("DELETE FROM HvKantine.Hvs321Kan");
    serve({fault.option, p.at}, kTimeout);

    const auto start = std::chrono::steady_clock::now();
    const Outcome lost = runVia(true, {path, src.type, kTerminal, "/D"});
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_NE(lost.status, 0);
    EXPECT_LT(took, std::chrono::seconds(2 * kTimeout + 3));
    EXPECT_EQ(count(lost.log, kLost), 1) << lost.log;
    EXPECT_EQ(count(lost.log, kLost + std::to_string(p.record) + " (SQLSTATE "), 1) << lost.log;
    // At most the failure of the statement that met the fault, right before.
    EXPECT_LE(count(lost.log, "Insert-Fehler") + count(lost.log, "Kantinendaten konnten"), 1) << lost.log;
    expectIntactLog(lost.log);
    EXPECT_EQ(count(lost.out, kLost), 1) << lost.out;
    // The summary under /D counts the records read up to the loss.
    EXPECT_NE(lost.out.find("Buchungen: " + std::to_string(p.record) + " gelesen"), std::string::npos)
        << lost.out;

    // The fault has fired; the same file again: what is missing, nothing twice.
    const Outcome again = runVia(true, {path, src.type, kTerminal});
    EXPECT_EQ(again.status, 0) << again.out;
    EXPECT_EQ(count(again.log, kLost), 0);
    std::vector<OdbcSandbox::Row> badges;
    for (const std::string& b : src.badges) badges.push_back({b});
    EXPECT_EQ(served_->query("SELECT BewIDN FROM HvSystem.Hvs321BEW ORDER BY BewIDN"), badges);
    EXPECT_EQ(served_->query("SELECT COUNT(*) FROM HvKantine.Hvs321Kan"),
              (std::vector<OdbcSandbox::Row>{{"1"}}));
  }
}

INSTANTIATE_TEST_SUITE_P(FreeTds, ConnectionLossTest,
                         ::testing::Combine(::testing::Values(file40p(), fileDta()),
                                            ::testing::Values(Fault{"--close-at", "FIN"},
                                                              Fault{"--reset-at", "RST"},
                                                              Fault{"--close-after", "lost answer"},
                                                              Fault{"--stall-at", "stall"})),
                         [](const ::testing::TestParamInfo<std::tuple<Source, Fault>>& info) {
                           std::string name = "f" + std::get<0>(info.param).type + "_";
                           for (const char c : std::string(std::get<1>(info.param).name))
                             name += c == ' ' ? '_' : c;
                           return name;
                         });

// Under /D the lost statement's ODBC line follows the loss line when the
// statement was a lookup; after a failed insert it was shown with its failure.
TEST_F(FreeTdsTest, LostConnectionShowsTheStatementsRecordOnceUnderDebug) {
  const Source src = file40p();
  const std::string path = source("loss.40p", src.bytes);
  const std::string eof =
      "   ODBC 01000 (20017): " + std::string(kFreeTds) + "Unexpected EOF from the server\n";
  const struct {
    std::string at;
    int status;
    std::string shown;
  } cases[] = {
      {src.lookup, 255, kLost + std::string("4 (SQLSTATE 01000): Import abgebrochen\n") + eof},
      // The failed insert's 20017 is the first error.
      {"2@Hvs321BEW", 254,
       "   ID 5002: Insert-Fehler: 20017\n" + eof + kLost + "2 (SQLSTATE 01000): Import abgebrochen\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.at);
    served_->execute("DELETE FROM HvSystem.Hvs321BEW");
    serve({"--close-at", c.at}, kTimeout);
    const Outcome lost = runVia(true, {path, "40p", kTerminal, "/D"});
    EXPECT_EQ(lost.status, c.status);
    EXPECT_NE(lost.out.find(c.shown), std::string::npos) << lost.out;
    EXPECT_EQ(count(lost.out, eof), 1);
  }
}

// The same stop through the stand-in's driver in the tool's process, every
// statement from the 40th on failing as FreeTDS reports a dead link.
TEST_F(ImportTest, InjectedLinkFailureStopsTheImportInProcess) {
  const Source src = file40p();
  const std::string path = source("loss.40p", src.bytes);
  const ProcessResult r = run({path, "40p", kTerminal}, {{"HVEMU_FAIL_EXEC", "40+:0:08S01"}});
  EXPECT_EQ(r.status, 255);
  // 32 reader lookups; records 1 and 2 take three statements each; record 3's
  // cost-centre lookup is the 39th, its canteen insert the 40th.
  EXPECT_EQ(r.out,
            "Kantinendaten konnten nicht eingepflegt werden.\n"
            "SQLFehler: -1 Ausweis: 5003  Datum/Uhrzeit: 20250115 1205  Bon: 0001!\n" +
                std::string(kLost) + "3 (SQLSTATE 08S01): Import abgebrochen\n");
  EXPECT_EQ(count(log(), kLost), 1);
  EXPECT_EQ(bookings().size(), 2u);
}

// A failure of one booking keeps the connection, and the import goes on with
// the next: server errors; and a text FreeTDS cannot convert to the server's
// code page (a byte CP1252 leaves undefined), which fails in the driver
// (HY001) without reaching the server and without a native code.
TEST_F(FreeTdsTest, FailureOfOneBookingGoesOnToTheNext) {
  struct Case {
    std::vector<std::string> switches;
    std::string bytes;
    std::string failure;  // on the console under /D
    int status;
    std::size_t stored;  // bookings in the table afterwards
  };
  const std::string serverError = "   ID 6002: Insert-Fehler: ";
  std::vector<Case> cases = {
      {{"--fail-exec", "2@Hvs321BEW:547:23000"}, fileDta().bytes, serverError + "547\n", 254, 4},
      {{"--fail-exec", "2@Hvs321BEW:2628:22001"}, fileDta().bytes, serverError + "2628\n", 254, 4}};
  for (const char undefined : {'\x81', '\x8D', '\x8F', '\x90', '\x9D'}) {
    const std::string badge = std::string("70") + undefined + "1";
    const std::string bytes = "BDE6251,01," + badge + ",20250119,20250119072000,B01,0,SO=1\r\n" +
                              "BDE6251,01,7002,20250119,20250119073000,B01,0,SO=1\r\n";
    const std::string failure = "   ID " + badge +
                                ": Insert-Fehler: -1\n   ODBC HY001 (0): " + std::string(kFreeTds) +
                                "Memory allocation failure\n";
    cases.push_back({{}, bytes, failure, 255, 1});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failure);
    served_->execute("DELETE FROM HvSystem.Hvs321BEW");
    serve(c.switches, kTimeout);
    const Outcome r = runVia(true, {source("one.dta", c.bytes), "dta", kTerminal, "/D"});
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.out.find(c.failure), std::string::npos) << r.out;
    EXPECT_EQ(count(r.log, kLost), 0);
    EXPECT_EQ(count(r.log, "Insert-Fehler"), 1);
    EXPECT_EQ(bookings(*served_).size(), c.stored);
  }
}

}  // namespace
}  // namespace e2e
