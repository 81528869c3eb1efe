// The booking insert against the emulator: the text the server receives, the
// stored row, duplicates, dates the server refuses, and quotes in values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db_test_fixture.h"
#include "described_texts.h"

namespace {

using Rows = std::vector<OdbcSandbox::Row>;
const std::string& kNull = OdbcSandbox::kNull;

// All columns of the stored row (the emulator shows a DATETIME with milliseconds).
const char kColumns[] =
    "BewSch, BewTID, BewLID, BewIDN, BewSto, BewKst, BewDtm, BewUhr, BewLfn, BewArt, BewTas, BewEra, BewKze, "
    "BewBer, BewErq, BewSta, BewQua, BewSrc, BewRes";

using BookingInsert = DbTest;

TEST_F(BookingInsert, ServerReceivesTheDescribedTextAndStoresTheRow) {
  BookingRecord r = sampleBooking();
  r.BewSch = "S";
  r.BewEra = "E";
  r.BewKze = "K";
  r.BewBer = "1";
  r.BewErq = "EQ";
  r.BewQua = "Q";
  r.BewRes = "Rest";
  sandbox.startTrace();
  EXPECT_EQ(store.insertBooking(r).code, 0);
  EXPECT_EQ(db.statementResult(), 0);
  EXPECT_EQ(sandbox.traceLines(),
            std::vector<std::string>{describedInsert({"S", "TDB1", "01", "4711", "0", "'KST-100'",
                                                      "2024-01-31 00:00:00", "2024-01-31 12:34:56", "1", "K01",
                                                      "03", "E", "K", "1", "EQ", "0", "Q", "40p", "Rest"})});
  EXPECT_EQ(bookings(kColumns, "4711"),
            (Rows{{"S", "TDB1", "01", "4711", "0", "KST-100", "2024-01-31 00:00:00.000", "2024-01-31 12:34:56.000", "1",
                   "K01", "03", "E", "K", "1", "EQ", "0", "Q", "40p", "Rest"}}));
  // Nothing is reported by the insert itself.
  EXPECT_EQ(consoleText, "");
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(BookingInsert, EmptyCostCentreIsStoredAsNull) {
  BookingRecord r = sampleBooking();
  r.BewKst.clear();
  sandbox.startTrace();
  EXPECT_EQ(store.insertBooking(r).code, 0);
  const auto trace = sandbox.traceLines();
  ASSERT_EQ(trace.size(), 1u);
  EXPECT_NE(trace[0].find("'4711', '0', NULL ,"), std::string::npos) << trace[0];
  EXPECT_EQ(bookings("BewKst", "4711"), (Rows{{kNull}}));
}

TEST_F(BookingInsert, SameBookingTwiceIsADuplicate) {
  const BookingRecord r = sampleBooking();
  EXPECT_EQ(store.insertBooking(r).code, 0);
  EXPECT_EQ(store.insertBooking(r).code, 2627);
  EXPECT_EQ(db.statementResult(), 2627);
  EXPECT_EQ(db.diagnostics().nativeError, 2627);
  EXPECT_EQ(db.diagnostics().state(), "23000");
  EXPECT_FALSE(db.diagnostics().text().empty());
  EXPECT_EQ(bookings("BewLfn", "4711").size(), 1u);
}

TEST_F(BookingInsert, DateTheServerRefusesGivesItsNativeCode) {
  const struct {
    const char* name;
    const char* dtm;
  } cases[] = {{"month 13", "20241345000000"},
               {"not a date", "abcdefghijklmn"},
               {"empty date", ""},
               {"31 February", "20240231000000"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BookingRecord r = sampleBooking();
    r.BewIDN = std::string("bad ") + c.name;
    r.BewDtm = c.dtm;
    const int32_t result = store.insertBooking(r).code;
    // Conversion failed (241) or out of range (242): the server's own code.
    EXPECT_TRUE(result == 241 || result == 242) << result;
    EXPECT_EQ(result, db.diagnostics().nativeError);
    EXPECT_EQ(db.statementResult(), result);
    EXPECT_TRUE(bookings("BewLfn", r.BewIDN.str()).empty());
  }
}

TEST_F(BookingInsert, QuotesInValuesAreStoredIntact) {
  BookingRecord r = sampleBooking();
  r.BewIDN = "O'Brien";
  r.BewKst = "K'1";
  r.BewRes = "it's ''quoted''";
  sandbox.startTrace();
  EXPECT_EQ(store.insertBooking(r).code, 0);
  EXPECT_EQ(bookings("BewIDN, BewKst, BewRes", "O'Brien"), (Rows{{"O'Brien", "K'1", "it's ''quoted''"}}));
  const auto trace = sandbox.traceLines();
  ASSERT_EQ(trace.size(), 1u);
  EXPECT_NE(trace[0].find("'O''Brien', '0', 'K''1' ,"), std::string::npos) << trace[0];
}

TEST_F(BookingInsert, StatementLongerThan1024CharactersReachesTheServerWhole) {
  BookingRecord r = sampleBooking();
  r.BewIDN = "long";
  r.BewTID = std::string(255, '\'');
  r.BewRes = std::string(136, '\'');
  sandbox.startTrace();
  EXPECT_EQ(store.insertBooking(r).code, 0);
  const auto trace = sandbox.traceLines();
  ASSERT_EQ(trace.size(), 1u);
  EXPECT_GT(trace[0].size(), 1024u);
  EXPECT_EQ(trace[0], db.sqlText());
  EXPECT_EQ(bookings("BewTID, BewRes", "long"), (Rows{{r.BewTID.str(), r.BewRes.str()}}));
}

TEST_F(BookingInsert, ClearedRecordIsStillSent) {
  // All texts empty: the dates are the bare separators, which the server refuses.
  sandbox.startTrace();
  const int32_t result = store.insertBooking(BookingRecord()).code;
  EXPECT_EQ(sandbox.traceLines(),
            std::vector<std::string>{describedInsert(
                {"", "", "", "", "", "NULL", "-- ::", "-- ::", "", "", "", "", "", "", "", "0", "", "", ""})});
  EXPECT_EQ(result, db.diagnostics().nativeError);
  EXPECT_NE(result, 0);
}

}  // namespace
