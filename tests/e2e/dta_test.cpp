// End-to-end imports of dta files (comma-separated booking lines, read in text
// mode) by the built Stempelzug into an emulator database with the demo
// master data.
#include <string>

#include "e2e/e2e_support.h"

namespace e2e {
namespace {

using Row = OdbcSandbox::Row;
using Rows = std::vector<Row>;

// A dta booking row in the column order of ImportTest::bookings().
Row dtaRow(const std::string& lid, const std::string& idn, const std::string& sto, const std::string& kst,
           const std::string& uhr, const std::string& lfn, const std::string& art, const std::string& era,
           const std::string& res = "") {
  return {"BDE6251", lid,  idn, sto, kst, "2025-01-18 00:00:00.000", "2025-01-18 " + uhr + ".000", lfn, art, "",
          era,       "",   "",  "",  "0", "",                       "dta",                          res, ""};
}

std::string withLineEnds(const std::vector<std::string>& lines, const std::string& end) {
  std::string text;
  for (const std::string& l : lines) text += l + end;
  return text;
}

const std::vector<std::string> kSampleLines = {
    "BDE6251,01,4711,20250118,20250118072000,B01,0,SO=1,Kostenstelle=815",
    "BDE6251,02,4712,20250118,20250118073500,B01,0,SO=1",
    "\"BDE6251\",\"01\",\"4711\",\"20250118\",\"20250118120000\",\"K01\",\"100\",\"SO=37136\"",
    "BDE6251,01,4711,20250118,20250118163000,B02,0,SO=1,\"VonBis=0800-1630\"",
};

const Rows kSampleRows = {
    dtaRow("01", "4711", "1", "Lager", "07:20:00", "1", "B01", "0"),
    dtaRow("02", "4712", "1", "Verwaltung", "07:35:00", "2", "B01", "0"),
    dtaRow("01", "4711", "1", "Montage", "16:30:00", "3", "B02", "0", "0800-1630"),
};
const Rows kSampleCanteen = {{"01", "_K", "20250118", "1200", "K01", "4711", "0001"}};

using DtaTest = ImportTest;

TEST_F(DtaTest, SampleFileWithCrLfAndReimport) {
  const std::string bytes = sample("bookings.dta");
  ASSERT_EQ(bytes, withLineEnds(kSampleLines, "\r\n")) << "the shipped sample";
  const std::string path = source("bookings.dta", bytes);

  ProcessResult r = run({path, "dta", kTerminal});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  const Entries oneRun = kStart + Entries{"\nEinlesen Datei " + path} + kEnd;
  EXPECT_EQ(log(), logBytes(oneRun));
  EXPECT_EQ(bookings(), kSampleRows);
  EXPECT_EQ(canteen(), kSampleCanteen);

  // Again, in debug mode: duplicates are reported, the canteen row fails on
  // its key (its diagnostic record follows the failure lines), the summary
  // comes last, and the run still ends with 0.
  r = run({path, "DTA", kTerminal, "/D"});
  EXPECT_EQ(r.status, 0);
  const std::string canteenFailure = "SQLFehler: 2627 Ausweis: 4711  Datum/Uhrzeit: 20250118 1200  Bon: 0001!";
  std::string console;
  for (std::size_t i = 0; i < kSampleLines.size(); ++i) {
    console += "\n" + kSampleLines[i] + "\n";
    if (i == 2) {
      console += "Kantinendaten konnten nicht eingepflegt werden.\n" + canteenFailure + "\n";
      console += "   ODBC 23000 (2627): [HvEmu][HvEmu SQL Server Driver][SQL Server]Violation of PRIMARY KEY "
                 "constraint 'PK_Hvs321Kan'. Cannot insert duplicate key in object 'HvKantine.Hvs321Kan'. The "
                 "duplicate key value is (4711, 20250118, 1200, K01).\n";
    } else {
      console += "   ID " + std::string(i == 1 ? "4712" : "4711") + ": Buchungssatz existiert bereits\n";
    }
  }
  const std::string folder = suite_.root().substr(suite_.root().rfind('/') + 1);
  EXPECT_EQ(r.out, console + folder + "\n" + "Buchungen: 4 gelesen, 0 eingefuegt, 3 doppelt, 1 Fehler, 0 Kantine\n");
  auto duplicate = [](const std::string& id, const std::string& uhr, const std::string& art) {
    return Entries{"ID " + id + ": Buchungssatz existiert bereits",
                   "ID: " + id + ", Terminal: BDE6251, Datum: 20250118, Uhrzeit: " + uhr + ", Art: " + art};
  };
  EXPECT_EQ(log(), logBytes(oneRun + kStart + Entries{"\nEinlesen Datei " + path} +
                            duplicate("4711", "20250118072000", "B01") + duplicate("4712", "20250118073500", "B01") +
                            Entries{"Kantinendaten konnten nicht eingepflegt werden:", canteenFailure} +
                            duplicate("4711", "20250118163000", "B02") + kEnd));
  EXPECT_EQ(bookings(), kSampleRows);
  EXPECT_EQ(canteen(), kSampleCanteen);
}

TEST_F(DtaTest, LineFeedOnlyFileGivesTheSameRows) {
  const std::string path = source("lf.dta", withLineEnds(kSampleLines, "\n"));
  const ProcessResult r = run({path, "dta", kTerminal});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(bookings(), kSampleRows);
  EXPECT_EQ(canteen(), kSampleCanteen);
}

TEST_F(DtaTest, DataEndsAtCtrlZ) {
  const std::string path =
      source("eof.dta", withLineEnds({kSampleLines[0], kSampleLines[1]}, "\r\n") + "\x1a" + kSampleLines[3] + "\r\n");
  const ProcessResult r = run({path, "dta", kTerminal});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(bookings(), (Rows{kSampleRows[0], kSampleRows[1]}));
}

TEST_F(DtaTest, QuotedFieldsWithCommasAndDoubledQuotes) {
  const std::string path = source(
      "quoted.dta",
      withLineEnds({"BDE6251,\"02\",\"47,\"\"11\"\"\",20250118,20250118090000,\"B,1\",0,SO=1",
                    "  BDE6251 , 03,\"\",20250118,20250118091500,B01,0,\"SO=12\",\"Kostenstelle=0042\",ignored"},
                   "\r\n"));
  const ProcessResult r = run({path, "dta", kTerminal});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "");
  // Blanks before a field are dropped, blanks behind it stay: field 0 of the
  // second line is "BDE6251 ". Field 5 "B,1" is cut to the 3 characters of BewArt.
  Row second = dtaRow("03", " ", "12", "Verwaltung", "09:15:00", "2", "B01", "0");
  second[0] = "BDE6251 ";
  EXPECT_EQ(bookings(), (Rows{dtaRow("02", "47,\"11\"", "1", "Verwaltung", "09:00:00", "1", "B,1", "0"), second}));
}

TEST_F(DtaTest, EmptyBlankAndBadLinesAmongGoodOnes) {
  const std::string bad = "BDE6251,01,4711,20250118,20250118100000,B01,0";  // 7 fields
  const std::string path = source("mixed.dta", withLineEnds({"", kSampleLines[0], "   ", bad, "\t", kSampleLines[1], ""},
                                                            "\r\n"));
  const ProcessResult r = run({path, "dta", kTerminal});
  EXPECT_EQ(r.status, 0);
  // A tab is no blank: the line holding one tab is one field, so a bad line too.
  EXPECT_EQ(r.out, "FEHLERHAFTER BUCHUNGSSATZ !!\nFEHLERHAFTER BUCHUNGSSATZ !!\n");
  EXPECT_EQ(log(), logBytes(kStart + Entries{"\nEinlesen Datei " + path, "\nFEHLERHAFTER BUCHUNGSSATZ: " + bad + "\n\n",
                                             "\nFEHLERHAFTER BUCHUNGSSATZ: \t\n\n"} +
                            kEnd));
  EXPECT_EQ(bookings(), (Rows{kSampleRows[0], kSampleRows[1]}));
}

TEST_F(DtaTest, LineOver498CharactersIsReadInPieces) {
  const std::string head = "BDE6251,01,4711,20250118,20250118110000,B01,0,SO=1,\"VonBis=";
  const std::string line = head + std::string(500, 'x') + "\"";
  const std::string path = source("long.dta", line + "\r\n" + kSampleLines[1] + "\r\n");
  const ProcessResult r = run({path, "dta", kTerminal});
  EXPECT_EQ(r.status, 0);
  // The first 498 characters are one line; the rest, with its line end, is a
  // line of one field.
  const std::string rest = (line + "\n").substr(498);
  EXPECT_EQ(r.out, "FEHLERHAFTER BUCHUNGSSATZ !!\n");
  EXPECT_EQ(log(), logBytes(kStart + Entries{"\nEinlesen Datei " + path, "\nFEHLERHAFTER BUCHUNGSSATZ: " + rest + "\n"} +
                            kEnd));
  // BewRes holds at most 136 characters.
  EXPECT_EQ(bookings(), (Rows{dtaRow("02", "4712", "1", "Verwaltung", "07:35:00", "2", "B01", "0"),
                              dtaRow("01", "4711", "1", "Montage", "11:00:00", "1", "B01", "0", std::string(136, 'x'))}));
}

TEST_F(DtaTest, CanteenLinesAndLinesThatAreNot) {
  const std::string path = source(
      "canteen.dta",
      withLineEnds({"BDE6251,01,4711,20250118,20250118120000,K02,100,SO=36292",
                    "BDE6251,01,12345678901,20250118,20250118121500,K03,10,SO=37136",
                    "BDE6251,01,4711,20250118,20250118123000,K04,0,SO=37136",
                    "BDE6251,01,4711,20250118,20250118124500,K01,0,SO=37136 "},
                   "\n"));
  const ProcessResult r = run({path, "dta", kTerminal});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(canteen(), (Rows{{"01", "_K", "20250118", "1200", "K02", "4711", "0001"},
                             {"01", "_K", "20250118", "1215", "K03", "12345678", "0000"}}));
  EXPECT_EQ(bookings(), (Rows{dtaRow("01", "4711", "37136", "Montage", "12:30:00", "1", "K04", "0"),
                              dtaRow("01", "4711", "37136 ", "Montage", "12:45:00", "2", "K01", "0")}));
}

TEST_F(DtaTest, InsertFailureMidFileKeepsImporting) {
  // Each line with 8 fields asks 32 reader lookups and one cost-centre lookup
  // before its insert: statement 34 is the first insert, 68 the second.
  const std::string path = source("fail.dta", withLineEnds({kSampleLines[0], kSampleLines[1], kSampleLines[3]}, "\r\n"));
  const ProcessResult r = run({path, "dta", kTerminal}, {{"HVEMU_FAIL_EXEC", "68:8152:22001"}});
  EXPECT_EQ(r.status, 254);
  EXPECT_EQ(r.out, "   ID 4712: Insert-Fehler: 8152\n");
  EXPECT_EQ(log(), logBytes(kStart + Entries{"\nEinlesen Datei " + path, "\nInsert-Fehler: 8152",
                                             "ID: 4712, Terminal: BDE6251, Datum: 20250118, Uhrzeit: 20250118073500, "
                                             "Art: B01"} +
                            kEnd));
  const Rows rows = {kSampleRows[0], dtaRow("01", "4711", "1", "Montage", "16:30:00", "3", "B02", "0", "0800-1630")};
  EXPECT_EQ(bookings(), rows);

  // The same run with the debug flag: the diagnostic record (its message cut
  // to one line) follows the failure line, the summary comes last; the run log
  // is the same.
  const std::string quietLog = log();
  db_->execute("DELETE FROM HvSystem.Hvs321BEW");
  clearLog();
  const ProcessResult d = run({path, "dta", kTerminal, "/D"}, {{"HVEMU_FAIL_EXEC", "68:8152:22001"}});
  EXPECT_EQ(d.status, 254);
  EXPECT_EQ(d.out, "\n" + kSampleLines[0] + "\n\n" + kSampleLines[1] + "\n" + "   ID 4712: Insert-Fehler: 8152\n" +
                       "   ODBC 22001 (8152): [HvEmu][HvEmu SQL Server Driver][SQL Server]Injected failure\n" + "\n" +
                       kSampleLines[3] + "\n" + suite_.root().substr(suite_.root().rfind('/') + 1) + "\n" +
                       "Buchungen: 3 gelesen, 2 eingefuegt, 0 doppelt, 1 Fehler, 0 Kantine\n");
  EXPECT_EQ(log(), quietLog);
  EXPECT_EQ(bookings(), rows);
}

}  // namespace
}  // namespace e2e
