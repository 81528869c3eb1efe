// The 62p reader: every value from the record, no lookups, its own running
// number, a NULL cost centre and the two-blank failure line.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "reader_harness.h"
#include "readers/readers.h"

namespace {

struct Harness62 : ReaderHarness {
  Harness62() : ReaderHarness("TERM6", "source.62p") {}
  int32_t run(const std::string& bytes) { return ReaderHarness::run(read62p, bytes); }
};

// Day 0-1, month 2-3, year 4-5, time 6-11, running number 12-14, reader 15-16,
// two characters 17-18, ID 19-31, one character 32.
std::string rec62(const std::string& ddmmyy, const std::string& hhmmss, const std::string& lfn3,
                  const std::string& lid2, const std::string& erq2, const std::string& id13, char era) {
  return fixedRecord("62p", 33, {ddmmyy, hhmmss, lfn3, lid2, erq2, id13, std::string_view(&era, 1)});
}

const std::string kPlain = rec62("290224", "120000", "042", "07", "AB", "8150         ", 'E');

TEST(Read62pTest, EveryFieldFromTheRecordAndNoLookups) {
  Harness62 h;
  EXPECT_EQ(h.run(kPlain), 0);
  EXPECT_EQ(h.store.calls, std::vector<std::string>{"INSERT"});
  ASSERT_EQ(h.store.inserted.size(), 1u);
  const BookingRecord& b = h.store.inserted[0];
  EXPECT_EQ(b.BewSrc.str(), "62p");
  EXPECT_EQ(b.BewTID.str(), "TERM6");
  EXPECT_EQ(b.BewDtm.str(), "20240229000000");
  EXPECT_EQ(b.BewUhr.str(), "20240229120000");
  EXPECT_EQ(b.BewLfn.str(), "042");
  EXPECT_EQ(b.BewLID.str(), "07");
  EXPECT_EQ(b.BewErq.str(), "AB");
  EXPECT_EQ(b.BewIDN.str(), "8150");
  EXPECT_EQ(b.BewEra.str(), "E");
  EXPECT_EQ(b.BewSto.str(), "0");
  // No cost centre (sent as NULL), no function code, no key.
  for (const auto* unset : {b.BewSch.c_str(), b.BewArt.c_str(), b.BewTas.c_str(), b.BewKze.c_str(), b.BewBer.c_str(),
                            b.BewKst.c_str(), b.BewQua.c_str(), b.BewRes.c_str()}) {
    EXPECT_STREQ(unset, "");
  }
  EXPECT_EQ(b.BewSta, 0);
}

TEST(Read62pTest, RunningNumberComesFromTheRecordUnchanged) {
  struct Case {
    std::string lfn;
    std::string expected;
  };
  const Case cases[] = {{"042", "042"}, {"   ", "   "}, {"999", "999"}, {"1  ", "1  "}, {"x7\xE4", "x7\xE4"},
                        {std::string("4\0" "2", 3), "4"}};
  for (const auto& c : cases) {
    SCOPED_TRACE("running-number bytes \"" + c.lfn + "\"");
    Harness62 h;
    const std::string rec = rec62("290224", "120000", c.lfn, "07", "AB", "8150         ", 'E');
    EXPECT_EQ(h.run(rec + rec), 0);
    ASSERT_EQ(h.store.inserted.size(), 2u);
    EXPECT_EQ(h.store.inserted[0].BewLfn.str(), c.expected);
    EXPECT_EQ(h.store.inserted[1].BewLfn.str(), c.expected);  // never counted
  }
}

TEST(Read62pTest, BlankIdBecomesOneBlank) {
  Harness62 h;
  EXPECT_EQ(h.run(rec62("290224", "120000", "001", "07", "AB", "             ", ' ')), 0);
  ASSERT_EQ(h.store.inserted.size(), 1u);
  EXPECT_EQ(h.store.inserted[0].BewIDN.str(), " ");
  EXPECT_EQ(h.store.inserted[0].BewEra.str(), " ");
}

TEST(Read62pTest, FailedInsertLineHasTwoBlanksDuplicateLineThree) {
  for (bool debug : {false, true}) {
    SCOPED_TRACE(debug ? "debug" : "quiet");
    Harness62 h;
    h.ctx.debug = debug;
    h.store.insertResults = {547, 2627, 8152};
    const std::string detail = "ID: 8150, Terminal: TERM6, Datum: 20240229000000, Uhrzeit: 20240229120000, Art: ";
    EXPECT_EQ(h.run(kPlain + kPlain + kPlain + kPlain), 547);
    EXPECT_EQ(h.ctx.lastResult, 0);
    EXPECT_EQ(h.log.entries,
              (std::vector<std::string>{"\nInsert-Fehler: 547", detail, "ID 8150: Buchungssatz existiert bereits",
                                        detail, "\nInsert-Fehler: 8152", detail}));
    std::string out;
    const std::string echo = debug ? kPlain + "\n" : "";
    out += echo + "  ID 8150: Insert-Fehler: 547\n";
    out += echo + (debug ? "   ID 8150: Buchungssatz existiert bereits\n" : "");
    out += echo + "  ID 8150: Insert-Fehler: 8152\n";
    out += echo;
    EXPECT_EQ(h.out, out);
  }
}

TEST(Read62pTest, TwoRecordsAndBadLengths) {
  Harness62 two;
  EXPECT_EQ(two.run(kPlain + kPlain), 0);
  EXPECT_EQ(two.store.count("INSERT"), 2);

  Harness62 cut;
  EXPECT_EQ(cut.run((kPlain + kPlain).substr(0, 65)), -1);
  EXPECT_TRUE(cut.store.calls.empty());
  EXPECT_EQ(cut.out, "falsche Satzlaenge der Quelldatei(62p)\nQuelldatei(62p): Zeichenanzahl 65\n");
  EXPECT_EQ(cut.log.entries, std::vector<std::string>{"falsche Satzlaenge der Quelldatei(62p)"});

  Harness62 shortFile;
  EXPECT_EQ(shortFile.run(kPlain.substr(0, 32)), 0);
  EXPECT_TRUE(shortFile.store.calls.empty());
  EXPECT_EQ(shortFile.out, "Quelldatei(62p): unzul\xE4" "ssige Zeichen ???\nQuelldatei(62p): Zeichenanzahl 32\n");
  EXPECT_EQ(shortFile.log.entries, std::vector<std::string>{"Quelldatei(62p): falsche Zeichenanzahl 32"});
}

TEST(Read62pTest, DamagedRecordGoesInAsItStands) {
  Harness62 h;
  std::string damaged = kPlain;
  damaged[9] = '\xFF';   // a minute byte
  damaged[15] = '\0';    // the reader field lost
  EXPECT_EQ(h.run(damaged), 0);
  ASSERT_EQ(h.store.inserted.size(), 1u);
  EXPECT_EQ(h.store.inserted[0].BewUhr.str(), "20240229120\xFF" "00");
  EXPECT_EQ(h.store.inserted[0].BewLID.str(), "");
  EXPECT_EQ(h.store.inserted[0].BewIDN.str(), "8150");
}

}  // namespace
