// The canteen booking against the emulator: values taken from the record, the
// text the server receives, the stored row, and the failure messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db_test_fixture.h"
#include "described_texts.h"

namespace {

using Rows = std::vector<OdbcSandbox::Row>;
const char kCanteenRows[] = "SELECT KanPor, KanFcd, KanDtm, KanUhr, KanMsk, KanAwn, KanDat FROM HvKantine.Hvs321Kan";

BookingRecord canteenBooking(const char* source) {
  BookingRecord r = sampleBooking();
  r.BewIDN = "12345678";
  r.BewSrc = source;
  r.BewArt = "K02";
  return r;
}

using Canteen = DbTest;

TEST_F(Canteen, RowFromTheRecord) {
  struct Case {
    const char* name;
    BookingRecord record;
    std::vector<std::string> row;  // KanPor .. KanDat
  };
  std::vector<Case> cases;
  const auto add = [&](const char* name, const char* source, auto change, std::vector<std::string> row) {
    BookingRecord r = canteenBooking(source);
    change(r);
    cases.push_back({name, r, std::move(row)});
  };
  add("dta, Era 100", "dta", [](BookingRecord& r) { r.BewEra = "100"; },
      {"01", "_K", "20240131", "1234", "K02", "12345678", "0001"});
  add("dta, Era 10", "dta", [](BookingRecord& r) { r.BewEra = "10"; },
      {"01", "_K", "20240131", "1234", "K02", "12345678", "0000"});
  add("dta, Era empty", "dta", [](BookingRecord&) {}, {"01", "_K", "20240131", "1234", "K02", "12345678", "0000"});
  add("40p, Ber 1", "40p", [](BookingRecord& r) { r.BewBer = "1"; },
      {"01", "_K", "20240131", "1234", "K01", "12345678", "0001"});
  add("40p, Ber 2", "40p", [](BookingRecord& r) { r.BewBer = "2"; r.BewEra = "100"; },
      {"01", "_K", "20240131", "1234", "K01", "12345678", "0000"});
  add("badge of 13", "40p", [](BookingRecord& r) { r.BewIDN = "1234567890123"; },
      {"01", "_K", "20240131", "1234", "K01", "12345678", "0000"});
  add("badge of one blank", "40p", [](BookingRecord& r) { r.BewIDN = " "; },
      {"01", "_K", "20240131", "1234", "K01", " ", "0000"});
  add("time of 8 characters", "40p", [](BookingRecord& r) { r.BewUhr = "20240131"; },
      {"01", "_K", "20240131", "", "K01", "12345678", "0000"});
  add("time of 9 characters", "40p", [](BookingRecord& r) { r.BewUhr = "202401311"; },
      {"01", "_K", "20240131", "1", "K01", "12345678", "0000"});
  add("quote in badge", "dta", [](BookingRecord& r) { r.BewIDN = "O'B"; r.BewArt = "K'"; },
      {"01", "_K", "20240131", "1234", "K'", "O'B", "0000"});

  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sandbox.execute("DELETE FROM HvKantine.Hvs321Kan");
    sandbox.startTrace();
    const BookingRecord before = c.record;
    EXPECT_EQ(store.bookCanteen(c.record).code, 0);
    EXPECT_TRUE(sameRecord(c.record, before));
    std::vector<std::string> quoted;
    for (const auto& v : c.row) quoted.push_back(quotesDoubled(v));
    EXPECT_EQ(sandbox.traceLines(), std::vector<std::string>{describedCanteen("HvKantine", quoted)});
    EXPECT_EQ(sandbox.query(kCanteenRows), Rows{c.row});
    EXPECT_EQ(db.statementResult(), 0);
  }
  EXPECT_EQ(consoleText, "");
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(Canteen, InjectedFailureIsReportedInLogAndOnConsole) {
  BookingRecord r = canteenBooking("dta");
  r.BewEra = "100";
  {
    ScopedEnv fail("HVEMU_FAIL_EXEC", "1:2627:23000");
    EXPECT_EQ(store.bookCanteen(r).code, 2627);
  }
  EXPECT_EQ(db.statementResult(), 2627);
  EXPECT_EQ(consoleText,
            "Kantinendaten konnten nicht eingepflegt werden.\n"
            "SQLFehler: 2627 Ausweis: 12345678  Datum/Uhrzeit: 20240131 1234  Bon: 0001!\n");
  EXPECT_EQ(log.entries, (std::vector<std::string>{
                             "Kantinendaten konnten nicht eingepflegt werden:",
                             "SQLFehler: 2627 Ausweis: 12345678  Datum/Uhrzeit: 20240131 1234  Bon: 0001!"}));
  EXPECT_TRUE(sandbox.query(kCanteenRows).empty());
}

TEST_F(Canteen, ServerErrorGivesItsNativeCode) {
  // A schema the database does not know: the server refuses the table name.
  const auto& o = sandbox.options();
  writeIniValues(sandbox.file("other.ini"), o.user, o.password, "NoSuchSchema.", sandbox.dsn());
  Database other;
  ASSERT_EQ(other.dbConnect(sandbox.file("other.ini"), console), 0);
  OdbcBookingStore otherStore(other, log, console);
  BookingRecord r = canteenBooking("40p");
  r.BewUhr = "20240131";
  const StoreResult result = otherStore.bookCanteen(r);
  const long code = other.diagnostics().nativeError;
  EXPECT_NE(code, 0);
  EXPECT_EQ(result.code, code);
  EXPECT_EQ(other.statementResult(), code);
  EXPECT_EQ(consoleText, "Kantinendaten konnten nicht eingepflegt werden.\nSQLFehler: " + std::to_string(code) +
                             " Ausweis: 12345678  Datum/Uhrzeit: 20240131   Bon: 0000!\n");
  ASSERT_EQ(log.entries.size(), 2u);
  EXPECT_EQ(log.entries[1],
            "SQLFehler: " + std::to_string(code) + " Ausweis: 12345678  Datum/Uhrzeit: 20240131   Bon: 0000!");
}

TEST_F(Canteen, SchemaThatIsNoPlainIdentifierIsNeverSent) {
  const auto& o = sandbox.options();
  for (const char* value : {"Hv;Kan--.", "Hv Kantine.", "dbo.HvX.", "ABCDEFGHIJKLMNOPQRSTU."}) {
    SCOPED_TRACE(value);
    consoleText.clear();
    log.entries.clear();
    writeIniValues(sandbox.file("odd.ini"), o.user, o.password, value, sandbox.dsn());
    Database other;
    ASSERT_EQ(other.dbConnect(sandbox.file("odd.ini"), console), 0);
    other.setStatementResult(77);
    OdbcBookingStore otherStore(other, log, console);
    sandbox.startTrace();
    EXPECT_EQ(otherStore.insertCanteen("12345678", "20240131", "1234", "01", "_K", "K01", "0000").code, -1);
    EXPECT_EQ(otherStore.bookCanteen(canteenBooking("40p")).code, -1);
    EXPECT_TRUE(sandbox.traceLines().empty());
    EXPECT_EQ(other.statementResult(), 77);
    EXPECT_EQ(consoleText,
              "Kantinendaten konnten nicht eingepflegt werden.\n"
              "SQLFehler: -1 Ausweis: 12345678  Datum/Uhrzeit: 20240131 1234  Bon: 0000!\n");
    EXPECT_EQ(log.entries.size(), 2u);
  }
  EXPECT_TRUE(sandbox.query(kCanteenRows).empty());
}

// Without a configured schema (no SCHEMA, or a value of one character) the
// statement goes out with the empty schema and the server answers it: the
// login's default schema has no canteen table.
TEST_F(Canteen, EmptySchemaIsSentAndTheServerAnswers) {
  const auto& o = sandbox.options();
  for (const char* value : {"", "x"}) {
    SCOPED_TRACE(std::string("SCHEMA value \"") + value + "\"");
    consoleText.clear();
    log.entries.clear();
    writeIniValues(sandbox.file("empty.ini"), o.user, o.password, value, sandbox.dsn());
    Database other;
    ASSERT_EQ(other.dbConnect(sandbox.file("empty.ini"), console), 0);
    EXPECT_EQ(other.schema(), "");
    OdbcBookingStore otherStore(other, log, console);
    sandbox.startTrace();
    EXPECT_EQ(otherStore.insertCanteen("12345678", "20240131", "1234", "01", "_K", "K01", "0000").code, 208);
    const std::vector<std::string> sent = sandbox.traceLines();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].rfind(" INSERT INTO .Hvs321Kan         (KanPor,", 0), 0u) << sent[0];
    EXPECT_EQ(other.statementResult(), 208);
  }
  EXPECT_TRUE(sandbox.query(kCanteenRows).empty());
}

}  // namespace
