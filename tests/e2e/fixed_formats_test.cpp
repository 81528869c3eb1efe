// End-to-end imports of the fixed-length formats 40p, 50p and 62p by the built
// Stempelzug into an emulator database with the demo master data.
#include <string>

#include "e2e/e2e_support.h"

namespace e2e {
namespace {

using Row = OdbcSandbox::Row;
using Rows = std::vector<Row>;

// A booking row in the column order of ImportTest::bookings().
Row booking(const std::string& lid, const std::string& idn, const std::string& kst, const std::string& day,
            const std::string& time, const std::string& lfn, const std::string& art, const std::string& tas,
            const std::string& era, const std::string& kze, const std::string& ber, const std::string& erq,
            const std::string& src) {
  return {"BDE6251", lid, idn, "0", kst, day + " 00:00:00.000", day + " " + time + ".000", lfn, art, tas, era, kze,
          ber, erq, "0", "", src, "", ""};
}

std::string folderLine(const SuiteRoot& suite) { return suite.root().substr(suite.root().rfind('/') + 1) + "\n"; }

using FixedFormatTest = ImportTest;

TEST_F(FixedFormatTest, Sample40pWithCanteenBookingAndReimport) {
  const std::string bytes = sample("bookings.40p");
  ASSERT_EQ(bytes.size(), 5u * 29u);
  const std::string path = source("bookings.40p", bytes);

  ProcessResult r = run({path, "40p", kTerminal, "/D"});
  EXPECT_EQ(r.status, 0) << r.out;
  std::string echo;
  for (std::size_t i = 0; i < bytes.size(); i += 29) echo += bytes.substr(i, 29) + "\n";
  EXPECT_EQ(r.out, echo + folderLine(suite_) + "Buchungen: 5 gelesen, 4 eingefuegt, 0 doppelt, 0 Fehler, 1 Kantine\n");
  const Entries oneRun = kStart + Entries{"\nEinlesen Datei " + path} + kEnd;
  EXPECT_EQ(log(), logBytes(oneRun));
  const Rows expected = {
      booking("01", "4711", "Montage", "2025-01-15", "07:30:00", "1", "B02", "01", "", "1", "0", "", "40p"),
      booking("02", "4712", "Verwaltung", "2025-01-15", "07:45:00", "2", "B03", "02", "", "2", "0", "", "40p"),
      booking("02", "4712", "Verwaltung", "2025-01-15", "16:30:00", "3", "B03", "02", "", "2", "0", "", "40p"),
      booking("03", "4711", "Lager", "2025-01-15", "17:00:00", "4", "", "", "", "x", "0", "", "40p"),
  };
  EXPECT_EQ(bookings(), expected);
  const Rows canteenRows = {{"01", "_K", "20250115", "1205", "K01", "4711", "0001"}};
  EXPECT_EQ(canteen(), canteenRows);

  // The same file again: every booking is a duplicate, the canteen row fails
  // on its key; nothing counts as a failure of the run.
  r = run({path, "40p", kTerminal});
  EXPECT_EQ(r.status, 0);
  const std::string canteenFailure = "SQLFehler: 2627 Ausweis: 4711  Datum/Uhrzeit: 20250115 1205  Bon: 0001!";
  EXPECT_EQ(r.out, "Kantinendaten konnten nicht eingepflegt werden.\n" + canteenFailure + "\n");
  auto duplicate = [](const std::string& id, const std::string& time, const std::string& art) {
    return Entries{"ID " + id + ": Buchungssatz existiert bereits",
                   "ID: " + id + ", Terminal: BDE6251, Datum: 20250115000000, Uhrzeit: 20250115" + time + ", Art: " + art};
  };
  EXPECT_EQ(log(), logBytes(oneRun + kStart + Entries{"\nEinlesen Datei " + path} + duplicate("4711", "073000", "B02") +
                            duplicate("4712", "074500", "B03") +
                            Entries{"Kantinendaten konnten nicht eingepflegt werden:", canteenFailure} +
                            duplicate("4712", "163000", "B03") + duplicate("4711", "170000", "") + kEnd));
  EXPECT_EQ(bookings(), expected);
  EXPECT_EQ(canteen(), canteenRows);
}

TEST_F(FixedFormatTest, Sample50p) {
  const std::string path = source("bookings.50p", sample("bookings.50p"));
  const ProcessResult r = run({path, "50P", kTerminal});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(log(), logBytes(kStart + Entries{"\nEinlesen Datei " + path} + kEnd));
  const Rows expected = {
      booking("", "4711", "Montage", "2025-01-16", "07:15:00", "1", "B01", "00", "", "", "", "", "50p"),
      booking("", "4712", "Verwaltung", "2025-01-16", "08:00:00", "2", "B01", "00", "", "", "", "", "50p"),
      booking("", "4711", "Lager", "2025-01-16", "16:15:00", "3", "B01", "00", "", "", "", "", "50p"),
  };
  EXPECT_EQ(bookings(), expected);
  EXPECT_TRUE(canteen().empty());
}

TEST_F(FixedFormatTest, Sample62pAndDuplicatesInDebugMode) {
  const std::string path = source("bookings.62p", sample("bookings.62p"));
  ProcessResult r = run({path, "62p", kTerminal});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  Rows expected = {
      booking("01", "4711", OdbcSandbox::kNull, "2025-01-17", "07:00:00", "001", "", "", "1", "", "", "00", "62p"),
      booking("02", "4712", OdbcSandbox::kNull, "2025-01-17", "07:30:00", "002", "", "", "1", "", "", "00", "62p"),
      booking("01", "4711", OdbcSandbox::kNull, "2025-01-17", "16:00:00", "003", "", "", "2", "", "", "00", "62p"),
  };
  EXPECT_EQ(bookings(), expected);

  clearLog();
  r = run({path, "62p", kTerminal, "/d"});
  EXPECT_EQ(r.status, 0);
  const std::string bytes = readFileBytes(path);
  std::string console;
  const char* ids[] = {"4711", "4712", "4711"};
  for (int i = 0; i < 3; ++i) {
    console += bytes.substr(static_cast<std::size_t>(i) * 33, 33) + "\n";
    console += std::string("   ID ") + ids[i] + ": Buchungssatz existiert bereits\n";
  }
  EXPECT_EQ(r.out, console + folderLine(suite_) + "Buchungen: 3 gelesen, 0 eingefuegt, 3 doppelt, 0 Fehler, 0 Kantine\n");
  EXPECT_EQ(bookings(), expected);
}

TEST_F(FixedFormatTest, ShortFiles) {
  const struct {
    const char* type;
    std::size_t length;
  } cases[] = {{"40p", 28}, {"50p", 31}, {"62p", 32}, {"40p", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " of " + std::to_string(c.length) + " bytes");
    clearLog();
    const std::string path = source("short.bin", std::string(c.length, '1'));
    const ProcessResult r = run({path, c.type, kTerminal});
    const std::string n = std::to_string(c.length);
    const std::string name = std::string("Quelldatei(") + c.type + ")";
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, name + ": unzul\xE4ssige Zeichen ???\n" + name + ": Zeichenanzahl " + n + "\n");
    EXPECT_EQ(log(), logBytes(kStart + Entries{"\nEinlesen Datei " + path, name + ": falsche Zeichenanzahl " + n} + kEnd));
  }
  EXPECT_TRUE(bookings().empty());
}

TEST_F(FixedFormatTest, BadRecordLength) {
  const struct {
    const char* type;
    std::size_t length;
  } cases[] = {{"40p", 30}, {"40p", 59}, {"50p", 33}, {"62p", 65}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " of " + std::to_string(c.length) + " bytes");
    clearLog();
    const std::string path = source("bad.bin", std::string(c.length, '1'));
    const ProcessResult r = run({path, c.type, kTerminal});
    const std::string type = c.type;
    EXPECT_EQ(r.status, 255) << "-1";
    EXPECT_EQ(r.out, "falsche Satzlaenge der Quelldatei(" + type + ")\nQuelldatei(" + type + "): Zeichenanzahl " +
                         std::to_string(c.length) + "\n");
    EXPECT_EQ(log(), logBytes(kStart + Entries{"\nEinlesen Datei " + path, "falsche Satzlaenge der Quelldatei(" + type + ")"} +
                              kEnd));
  }
  EXPECT_TRUE(bookings().empty());
}

TEST_F(FixedFormatTest, InsertFailureMidFileKeepsImporting) {
  // The second statement of the run (the second insert: 62p asks no master
  // data) fails with a foreign-key error; the first and third are stored.
  const std::string path = source("fail.62p", sample("bookings.62p"));
  const ProcessResult r = run({path, "62p", kTerminal}, {{"HVEMU_FAIL_EXEC", "2:547:23000"}});
  EXPECT_EQ(r.status, 254) << "547 does not fit 8 bits";
  EXPECT_EQ(r.out, "  ID 4712: Insert-Fehler: 547\n");
  EXPECT_EQ(log(), logBytes(kStart + Entries{"\nEinlesen Datei " + path, "\nInsert-Fehler: 547",
                                             "ID: 4712, Terminal: BDE6251, Datum: 20250117000000, Uhrzeit: "
                                             "20250117073000, Art: "} +
                            kEnd));
  const Rows rows = bookings();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][2], "4711");
  EXPECT_EQ(rows[0][7], "001");
  EXPECT_EQ(rows[1][7], "003");

  // The same run with the debug flag: the failed insert's diagnostic record
  // follows its line, the summary comes last; the run log is the same.
  const std::string quietLog = log();
  db_->execute("DELETE FROM HvSystem.Hvs321BEW");
  clearLog();
  const ProcessResult d = run({path, "62p", kTerminal, "/D"}, {{"HVEMU_FAIL_EXEC", "2:547:23000"}});
  EXPECT_EQ(d.status, 254);
  const std::string bytes = readFileBytes(path);
  EXPECT_EQ(d.out, bytes.substr(0, 33) + "\n" + bytes.substr(33, 33) + "\n" + "  ID 4712: Insert-Fehler: 547\n" +
                       "   ODBC 23000 (547): [HvEmu][HvEmu SQL Server Driver][SQL Server]Injected failure\n" +
                       bytes.substr(66, 33) + "\n" + folderLine(suite_) +
                       "Buchungen: 3 gelesen, 2 eingefuegt, 0 doppelt, 1 Fehler, 0 Kantine\n");
  EXPECT_EQ(log(), quietLog);
  EXPECT_EQ(bookings(), rows);
}

TEST_F(FixedFormatTest, FirstFailureDecidesTheResult) {
  // Insert 1 gets no statement handle (-1), insert 3 fails with 547 later on.
  const std::string path = source("fail.62p", sample("bookings.62p"));
  const ProcessResult r =
      run({path, "62p", kTerminal}, {{"HVEMU_FAIL_STMT_ALLOC", "1"}, {"HVEMU_FAIL_EXEC", "2:547:23000"}});
  EXPECT_EQ(r.status, 255) << "-1 of the first failure";
  EXPECT_EQ(r.out, "  ID 4711: Insert-Fehler: -1\n  ID 4711: Insert-Fehler: 547\n");

  // With the debug flag: an insert without a statement handle has no record
  // of its own, so only the second failure shows one.
  db_->execute("DELETE FROM HvSystem.Hvs321BEW");
  const ProcessResult d = run({path, "62p", kTerminal, "/D"},
                              {{"HVEMU_FAIL_STMT_ALLOC", "1"}, {"HVEMU_FAIL_EXEC", "2:547:23000"}});
  EXPECT_EQ(d.status, 255);
  const std::string bytes = readFileBytes(path);
  EXPECT_EQ(d.out, bytes.substr(0, 33) + "\n" + "  ID 4711: Insert-Fehler: -1\n" + bytes.substr(33, 33) + "\n" +
                       bytes.substr(66, 33) + "\n" + "  ID 4711: Insert-Fehler: 547\n" +
                       "   ODBC 23000 (547): [HvEmu][HvEmu SQL Server Driver][SQL Server]Injected failure\n" +
                       folderLine(suite_) + "Buchungen: 3 gelesen, 1 eingefuegt, 0 doppelt, 2 Fehler, 0 Kantine\n");
  const Rows rows = bookings();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][2], "4712");
}

TEST_F(FixedFormatTest, ServerRejectsABadDateMidFile40p) {
  // The second record has month 13: the server cannot convert the date; the
  // records after it are still imported.
  std::string bytes = sample("bookings.40p");
  bytes.replace(29 + 15, 2, "13");
  const std::string path = source("baddate.40p", bytes);
  const ProcessResult r = run({path, "40p", kTerminal});
  EXPECT_EQ(r.status, 242) << r.out;
  EXPECT_EQ(r.out, "   ID 4712: Insert-Fehler: 242\n");
  EXPECT_EQ(log(), logBytes(kStart + Entries{"\nEinlesen Datei " + path, "\nInsert-Fehler: 242",
                                             "ID: 4712, Terminal: BDE6251, Datum: 20251315000000, Uhrzeit: "
                                             "20251315074500, Art: B03"} +
                            kEnd));
  EXPECT_EQ(bookings().size(), 3u);
  EXPECT_EQ(canteen().size(), 1u);
}

}  // namespace
}  // namespace e2e
