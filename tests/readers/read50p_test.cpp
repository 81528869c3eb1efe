// The 50p reader: cost centre and default key asked on every record, running
// numbers, and the fields of the booking record it hands over.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reader_harness.h"
#include "readers/readers.h"

namespace {

struct Harness50 : ReaderHarness {
  Harness50() : ReaderHarness("TERM5", "source.50p") {}
  int32_t run(const std::string& bytes, BookingStore* other = nullptr) {
    return ReaderHarness::run(read50p, bytes, other);
  }
};

// Day 0-1, month 2-3, year 4-5, time 6-11, ID 12-24, cost-centre number 25-31.
std::string rec50(const std::string& ddmmyy, const std::string& hhmmss, const std::string& id13,
                  const std::string& costCentre7) {
  return fixedRecord("50p", 32, {ddmmyy, hhmmss, id13, costCentre7});
}

const std::string kPlain = rec50("010225", "073000", "4711         ", "0004711");

TEST(Read50pTest, EveryFieldHandedOver) {
  Harness50 h;
  h.store.kid[4711] = {0, "KST-4711"};
  h.store.apsResult = 0;
  h.store.apsKey = 3;
  h.store.fcd[3] = {0, "F03"};
  EXPECT_EQ(h.run(kPlain), 0);
  ASSERT_EQ(h.store.inserted.size(), 1u);
  const BookingRecord& b = h.store.inserted[0];
  EXPECT_EQ(b.BewSrc.str(), "50p");
  EXPECT_EQ(b.BewTID.str(), "TERM5");
  EXPECT_EQ(b.BewIDN.str(), "4711");
  EXPECT_EQ(b.BewDtm.str(), "20250201000000");
  EXPECT_EQ(b.BewUhr.str(), "20250201073000");
  EXPECT_EQ(b.BewKst.str(), "KST-4711");
  EXPECT_EQ(b.BewTas.str(), "03");
  EXPECT_EQ(b.BewArt.str(), "F03");
  EXPECT_EQ(b.BewSto.str(), "0");
  EXPECT_EQ(b.BewLfn.str(), "1");
  for (const auto* unset : {b.BewSch.c_str(), b.BewLID.c_str(), b.BewEra.c_str(), b.BewKze.c_str(), b.BewBer.c_str(),
                            b.BewErq.c_str(), b.BewQua.c_str(), b.BewRes.c_str()}) {
    EXPECT_STREQ(unset, "");
  }
  EXPECT_EQ(b.BewSta, 0);
  EXPECT_EQ(h.out, "");
  EXPECT_TRUE(h.log.entries.empty());
}

TEST(Read50pTest, LookupsOnEveryRecordInOrderAndNoReaderTable) {
  Harness50 h;
  h.store.apsResult = 0;
  h.store.apsKey = 3;
  const std::string second = rec50("020225", "080000", "12           ", "0000012");
  EXPECT_EQ(h.run(kPlain + second + kPlain), 0);
  EXPECT_EQ(h.store.calls,
            (std::vector<std::string>{"KID 4711 TERM5", "APS TERM5", "FCD TERM5 3", "INSERT", "KID 12 TERM5",
                                      "APS TERM5", "FCD TERM5 3", "INSERT", "KID 4711 TERM5", "APS TERM5",
                                      "FCD TERM5 3", "INSERT"}));
  EXPECT_EQ(h.store.count("ZLS"), 0);
  EXPECT_EQ(h.store.count("CANTEEN"), 0);
}

TEST(Read50pTest, CostCentreNumberReadLikeAtoi) {
  struct Case {
    std::string bytes;
    int number;
  };
  const Case cases[] = {{"0004711", 4711}, {"       ", 0},       {"  42   ", 42},  {"-12    ", -12},
                        {"12A4567", 12},   {"+000009", 9},       {"ABCDEFG", 0},  {"\t\t0815 ", 815},
                        {"9999999", 9999999}, {std::string("\0" "004711", 7), 0}, {std::string("47\0" "1100", 7), 47}};
  for (const auto& c : cases) {
    SCOPED_TRACE("cost-centre bytes \"" + c.bytes + "\"");
    Harness50 h;
    EXPECT_EQ(h.run(rec50("010225", "073000", "1            ", c.bytes)), 0);
    ASSERT_GE(h.store.calls.size(), 1u);
    EXPECT_EQ(h.store.calls[0], "KID " + std::to_string(c.number) + " TERM5");
  }
}

TEST(Read50pTest, CostCentreQuestionMarksWhenNotFound) {
  struct Case {
    std::string name;
    bool listed;
    FakeStore::TextAnswer answer;
    std::string kst;
  };
  const Case cases[] = {{"found", true, {0, "KST"}, "KST"},
                        {"no row", false, {}, "???"},
                        {"statement failed", true, {208, "junk"}, "???"},
                        {"empty cost centre", true, {0, ""}, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness50 h;
    if (c.listed) h.store.kid[0] = c.answer;
    EXPECT_EQ(h.run(rec50("010225", "073000", "1            ", "       ")), 0);
    ASSERT_EQ(h.store.inserted.size(), 1u);
    EXPECT_EQ(h.store.inserted[0].BewKst.str(), c.kst);
    EXPECT_EQ(h.out, "");
  }
}

TEST(Read50pTest, DefaultKeyAndFunctionCode) {
  struct Case {
    std::string name;
    int32_t apsResult;
    int32_t apsKey;
    bool fcdListed;
    std::string tas;
    std::string art;
    bool fcdAsked;
  };
  const Case cases[] = {
      {"key 3 with code", 0, 3, true, "03", "F", true},
      {"key 16 without code", 0, 16, false, "16", "???", true},
      {"key 0", 0, 0, true, "00", "F", true},
      {"NULL key column", 0, 99, true, "", "", false},
      {"no default key row", 100, 7, true, "", "", false},
      {"statement failed", 208, 7, true, "", "", false},
      // BewTas holds two characters: wider keys keep the first two.
      {"key 123", 0, 123, true, "12", "F", true},
      {"key -5", 0, -5, true, "-5", "F", true},
      {"key -10", 0, -10, true, "-1", "F", true},
  };
  for (const auto& c : cases) {
    for (bool debug : {false, true}) {
      SCOPED_TRACE(c.name + (debug ? " debug" : ""));
      Harness50 h;
      h.ctx.debug = debug;
      h.store.kid[4711] = {0, "KST"};
      h.store.apsResult = c.apsResult;
      h.store.apsKey = c.apsKey;
      if (c.fcdListed) h.store.fcd[c.apsKey] = {0, "F"};
      EXPECT_EQ(h.run(kPlain), 0);
      ASSERT_EQ(h.store.inserted.size(), 1u);
      EXPECT_EQ(h.store.inserted[0].BewTas.str(), c.tas);
      EXPECT_EQ(h.store.inserted[0].BewArt.str(), c.art);
      std::vector<std::string> expected{"KID 4711 TERM5", "APS TERM5"};
      if (c.fcdAsked) expected.push_back("FCD TERM5 " + std::to_string(c.apsKey));
      expected.push_back("INSERT");
      EXPECT_EQ(h.store.calls, expected);
      std::string out;
      if (debug) out += kPlain + "\n";
      if (debug && c.art == "???") out += "   ID 4711: Buchungsart nicht gefunden\n";
      EXPECT_EQ(h.out, out);
    }
  }
}

// A default-key lookup that reports success but delivers nothing after the
// first record, as a lookup without a statement handle does.
class SilentApsStore : public FakeStore {
 public:
  int32_t lookupTtaAps(std::string_view terminal, int32_t& key) override {
    calls.push_back("APS " + std::string(terminal));
    if (++asked_ == 1) key = 5;
    return 0;
  }

 private:
  int asked_ = 0;
};

TEST(Read50pTest, KeyNumberStartsWithoutKeyOnEveryRecord) {
  Harness50 h;
  SilentApsStore store;
  for (int k = 0; k < 99; ++k) store.fcd[k] = {0, "F" + std::to_string(k)};
  EXPECT_EQ(h.run(kPlain + kPlain, &store), 0);
  EXPECT_EQ(store.calls, (std::vector<std::string>{"KID 4711 TERM5", "APS TERM5", "FCD TERM5 5", "INSERT",
                                                   "KID 4711 TERM5", "APS TERM5", "INSERT"}));
  ASSERT_EQ(store.inserted.size(), 2u);
  EXPECT_EQ(store.inserted[0].BewTas.str(), "05");
  EXPECT_EQ(store.inserted[0].BewArt.str(), "F5");
  EXPECT_EQ(store.inserted[1].BewTas.str(), "");
  EXPECT_EQ(store.inserted[1].BewArt.str(), "");
}

// A default-key lookup that fails but still writes a key number.
class FailingApsStore : public FakeStore {
 public:
  int32_t lookupTtaAps(std::string_view terminal, int32_t& key) override {
    calls.push_back("APS " + std::string(terminal));
    key = 7;
    return 100;
  }
};

TEST(Read50pTest, FailedDefaultKeyLookupGivesNoKey) {
  Harness50 h;
  FailingApsStore store;
  store.fcd[7] = {0, "F07"};
  EXPECT_EQ(h.run(kPlain, &store), 0);
  EXPECT_EQ(store.calls, (std::vector<std::string>{"KID 4711 TERM5", "APS TERM5", "INSERT"}));
  ASSERT_EQ(store.inserted.size(), 1u);
  EXPECT_EQ(store.inserted[0].BewTas.str(), "");
  EXPECT_EQ(store.inserted[0].BewArt.str(), "");
  EXPECT_EQ(h.ctx.lastResult, 0);
}

TEST(Read50pTest, RunningNumbersWrapAndFailedInsertsUseOneUp) {
  Harness50 h;
  std::string bytes;
  for (int i = 0; i < 1000; ++i) bytes += kPlain;
  h.store.insertResults = {0, -1};
  EXPECT_EQ(h.run(bytes), -1);
  ASSERT_EQ(h.store.inserted.size(), 1000u);
  EXPECT_EQ(h.store.inserted[1].BewLfn.str(), "2");
  EXPECT_EQ(h.store.inserted[2].BewLfn.str(), "3");
  EXPECT_EQ(h.store.inserted[998].BewLfn.str(), "999");
  EXPECT_EQ(h.store.inserted[999].BewLfn.str(), "1");
  EXPECT_EQ(h.out, "   ID 4711: Insert-Fehler: -1\n");
}

TEST(Read50pTest, DuplicateAndFailureOutcomes) {
  Harness50 h;
  h.ctx.debug = true;
  h.store.insertResults = {2627, 547, 2627};
  const std::string blankId = rec50("311224", "235959", "             ", "0004711");
  const std::string detail = "ID:  , Terminal: TERM5, Datum: 20241231000000, Uhrzeit: 20241231235959, Art: ";
  EXPECT_EQ(h.run(blankId + blankId + blankId), 547);
  EXPECT_EQ(h.ctx.lastResult, 0);
  EXPECT_EQ(h.log.entries, (std::vector<std::string>{"ID  : Buchungssatz existiert bereits", detail,
                                                     "\nInsert-Fehler: 547", detail,
                                                     "ID  : Buchungssatz existiert bereits", detail}));
  EXPECT_EQ(h.out, blankId + "\n" + "   ID  : Buchungssatz existiert bereits\n" + blankId + "\n" +
                       "   ID  : Insert-Fehler: 547\n" + blankId + "\n" + "   ID  : Buchungssatz existiert bereits\n");
  ASSERT_EQ(h.store.inserted.size(), 3u);
  EXPECT_EQ(h.store.inserted[0].BewIDN.str(), " ");
  EXPECT_EQ(h.store.inserted[0].BewKst.str(), "???");
}

TEST(Read50pTest, DamagedRecordAndTruncatedFile) {
  Harness50 h;
  std::string damaged = kPlain;
  damaged[27] = 'X';  // cost-centre number 0004711 becomes 00X4711
  damaged[0] = '\0';  // the day lost
  EXPECT_EQ(h.run(kPlain + damaged), 0);
  EXPECT_EQ(h.store.calls, (std::vector<std::string>{"KID 4711 TERM5", "APS TERM5", "INSERT", "KID 0 TERM5",
                                                     "APS TERM5", "INSERT"}));
  ASSERT_EQ(h.store.inserted.size(), 2u);
  EXPECT_EQ(h.store.inserted[1].BewDtm.str(), "202502000000");

  Harness50 cut;
  EXPECT_EQ(cut.run((kPlain + kPlain).substr(0, 63)), -1);
  EXPECT_TRUE(cut.store.calls.empty());
  EXPECT_EQ(cut.out, "falsche Satzlaenge der Quelldatei(50p)\nQuelldatei(50p): Zeichenanzahl 63\n");
  EXPECT_EQ(cut.log.entries, std::vector<std::string>{"falsche Satzlaenge der Quelldatei(50p)"});
}

}  // namespace
