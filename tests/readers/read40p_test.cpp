// The 40p reader: reader cost-centre table, key characters, canteen bookings,
// running numbers and the fields of the booking record it hands over.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "reader_harness.h"
#include "readers/readers.h"

namespace {

struct Harness40 : ReaderHarness {
  Harness40() : ReaderHarness("TERM1", "source.40p") {}
  int32_t run(const std::string& bytes) { return ReaderHarness::run(read40p, bytes); }
  // The calls after the 32 reader lookups at the start.
  std::vector<std::string> recordCalls() const {
    if (store.calls.size() < 32) return {};
    return std::vector<std::string>(store.calls.begin() + 32, store.calls.end());
  }
};

// ID 0-12, day 13-14, month 15-16, year 17-18, time 19-24, key 25, reader 26-27, byte 28.
std::string rec40(const std::string& id13, const std::string& ddmmyy, const std::string& hhmmss, char key,
                  const std::string& reader, char ber = '0') {
  return fixedRecord("40p", 29, {id13, ddmmyy, hhmmss, std::string_view(&key, 1), reader, std::string_view(&ber, 1)});
}

const std::string kPlain = rec40("1234         ", "311224", "235959", '3', "05", '1');

TEST(Read40pTest, EveryFieldHandedOver) {
  Harness40 h;
  h.store.zls[5] = {0, "4711"};
  h.store.kid[4711] = {0, "KST-A"};
  h.store.fcd[3] = {0, "F03"};
  EXPECT_EQ(h.run(kPlain), 0);
  ASSERT_EQ(h.store.inserted.size(), 1u);
  const BookingRecord& b = h.store.inserted[0];
  EXPECT_EQ(b.BewSrc.str(), "40p");
  EXPECT_EQ(b.BewTID.str(), "TERM1");
  EXPECT_EQ(b.BewLID.str(), "05");
  EXPECT_EQ(b.BewIDN.str(), "1234");
  EXPECT_EQ(b.BewSto.str(), "0");
  EXPECT_EQ(b.BewDtm.str(), "20241231000000");
  EXPECT_EQ(b.BewUhr.str(), "20241231235959");
  EXPECT_EQ(b.BewLfn.str(), "1");
  EXPECT_EQ(b.BewArt.str(), "F03");
  EXPECT_EQ(b.BewTas.str(), "03");
  EXPECT_EQ(b.BewKze.str(), "3");
  EXPECT_EQ(b.BewBer.str(), "1");
  EXPECT_EQ(b.BewKst.str(), "KST-A");
  for (const auto* unset : {b.BewSch.c_str(), b.BewEra.c_str(), b.BewErq.c_str(), b.BewQua.c_str(), b.BewRes.c_str()}) {
    EXPECT_STREQ(unset, "");
  }
  EXPECT_EQ(b.BewSta, 0);
  EXPECT_EQ(h.out, "");
  EXPECT_TRUE(h.log.entries.empty());
}

TEST(Read40pTest, ReaderTableIsFilledFirstThenLookupsPerRecordInOrder) {
  Harness40 h;
  h.store.zls[5] = {0, "4711"};
  h.store.kid[4711] = {0, "KST-A"};
  h.store.fcd[3] = {0, "F03"};
  const std::string noKst = rec40("5            ", "010124", "080000", 'A', "07");
  EXPECT_EQ(h.run(kPlain + noKst + kPlain), 0);
  std::vector<std::string> expected = readerTableLookups("TERM1");
  for (const char* c : {"KID 4711 TERM1", "FCD TERM1 3", "INSERT", "FCD TERM1 10", "INSERT", "KID 4711 TERM1",
                        "FCD TERM1 3", "INSERT"}) {
    expected.push_back(c);
  }
  EXPECT_EQ(h.store.calls, expected);
}

TEST(Read40pTest, ReaderLookupsRunBeforeTheLengthCheckWhateverTheLength) {
  for (std::size_t len : {0u, 1u, 28u, 30u, 57u, 58u}) {
    SCOPED_TRACE("length " + std::to_string(len));
    Harness40 h;
    std::string bytes;
    while (bytes.size() < len) bytes += kPlain;
    bytes.resize(len);
    h.run(bytes);
    ASSERT_GE(h.store.calls.size(), 32u);
    EXPECT_EQ(std::vector<std::string>(h.store.calls.begin(), h.store.calls.begin() + 32), readerTableLookups("TERM1"));
    EXPECT_EQ(h.store.count("ZLS"), 32);
    EXPECT_EQ(h.store.count("INSERT"), static_cast<int>(len % 29 == 0 ? len / 29 : 0));
  }
}

TEST(Read40pTest, KeyCharacters) {
  struct Case {
    char key;
    int number;  // 99: no key
    std::string kze;
  };
  std::vector<Case> cases;
  for (char c = '0'; c <= '9'; ++c) cases.push_back({c, c - '0', std::string(1, c)});
  for (char c = 'A'; c <= 'G'; ++c) cases.push_back({c, 10 + (c - 'A'), std::string(1, c)});
  for (char c : {'a', 'c', 'g', 'k', ':', ';', '<', '=', '>', '?', '@', ' ', 'H', 'J', 'L', 'Z', '/', '\xE4'}) {
    cases.push_back({c, 99, std::string(1, c)});
  }
  cases.push_back({'\0', 99, ""});
  for (const auto& c : cases) {
    SCOPED_TRACE("key byte " + std::to_string(static_cast<unsigned char>(c.key)));
    Harness40 h;
    for (int k = 0; k <= 16; ++k) h.store.fcd[k] = {0, "F" + std::to_string(k)};
    EXPECT_EQ(h.run(rec40("1234         ", "311224", "235959", c.key, "05")), 0);
    ASSERT_EQ(h.store.inserted.size(), 1u);
    const BookingRecord& b = h.store.inserted[0];
    EXPECT_EQ(b.BewKze.str(), c.kze);
    if (c.number == 99) {
      EXPECT_EQ(b.BewTas.str(), "");
      EXPECT_EQ(b.BewArt.str(), "");
      EXPECT_EQ(h.store.count("FCD"), 0);
    } else {
      EXPECT_EQ(b.BewTas.str(), (c.number < 10 ? "0" : "") + std::to_string(c.number));
      EXPECT_EQ(b.BewArt.str(), "F" + std::to_string(c.number));
      EXPECT_EQ(h.recordCalls(), (std::vector<std::string>{"FCD TERM1 " + std::to_string(c.number), "INSERT"}));
    }
    EXPECT_EQ(h.store.count("CANTEEN"), 0);
  }
}

TEST(Read40pTest, MissingFunctionCodeGivesQuestionMarksAndADebugLine) {
  for (bool debug : {false, true}) {
    SCOPED_TRACE(debug ? "debug" : "quiet");
    Harness40 h;
    h.ctx.debug = debug;
    const std::string rec = rec40("  42         ", "311224", "235959", 'G', "05");
    EXPECT_EQ(h.run(rec), 0);
    ASSERT_EQ(h.store.inserted.size(), 1u);
    EXPECT_EQ(h.store.inserted[0].BewTas.str(), "16");
    EXPECT_EQ(h.store.inserted[0].BewArt.str(), "???");
    EXPECT_EQ(h.recordCalls(), (std::vector<std::string>{"FCD TERM1 16", "INSERT"}));
    EXPECT_EQ(h.out, debug ? rec + "\n" + "   ID   42: Buchungsart nicht gefunden\n" : "");
    EXPECT_TRUE(h.log.entries.empty());
  }
}

TEST(Read40pTest, CostCentreFromReaderTableAndCostCentreLookup) {
  struct Case {
    std::string name;
    FakeStore::TextAnswer zls;  // answer for reader 5
    bool kidAsked;
    int kidNumber;
    FakeStore::TextAnswer kid;  // answer for that number
    std::string kst;
  };
  const Case cases[] = {
      {"found", {0, "4711"}, true, 4711, {0, "KST-A"}, "KST-A"},
      {"leading zeros", {0, "0004711"}, true, 4711, {0, "KST-A"}, "KST-A"},
      {"not a number", {0, "ABC"}, true, 0, {0, "KST-0"}, "KST-0"},
      {"cost centre missing", {0, "4711"}, true, 4711, {100, ""}, ""},
      {"cost centre lookup fails", {0, "4711"}, true, 4711, {208, "junk"}, ""},
      {"reader without row", {100, ""}, false, 0, {}, ""},
      {"reader lookup fails", {208, "4711"}, false, 0, {}, ""},
      {"reader with empty cost-centre number", {0, ""}, false, 0, {}, ""},
      {"thirty characters", {0, "12"}, true, 12, {0, std::string(30, 'K')}, std::string(30, 'K')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness40 h;
    h.store.zls[5] = c.zls;
    if (c.kidAsked) h.store.kid[c.kidNumber] = c.kid;
    EXPECT_EQ(h.run(rec40("1            ", "311224", "235959", ' ', "05")), 0);
    ASSERT_EQ(h.store.inserted.size(), 1u);
    EXPECT_EQ(h.store.inserted[0].BewKst.str(), c.kst);
    std::vector<std::string> expected;
    if (c.kidAsked) expected.push_back("KID " + std::to_string(c.kidNumber) + " TERM1");
    expected.push_back("INSERT");
    EXPECT_EQ(h.recordCalls(), expected);
    EXPECT_EQ(h.out, "");
  }
}

// A reader lookup that fails but still writes into its output: the reader
// must not take what a failed lookup left behind.
class ScribblingZlsStore : public FakeStore {
 public:
  int32_t lookupZlsKst(std::string_view terminal, int32_t reader, FixedText<31>& out) override {
    FakeStore::lookupZlsKst(terminal, reader, out);
    out = "4711";
    return reader == 5 ? 208 : 0;
  }
};

TEST(Read40pTest, FailedReaderLookupLeavesTheEntryEmpty) {
  Harness40 h;
  ScribblingZlsStore store;
  store.kid[4711] = {0, "KST-A"};
  const std::string reader5 = rec40("1            ", "311224", "235959", ' ', "05");
  const std::string reader6 = rec40("2            ", "311224", "235959", ' ', "06");
  SourceFile* file = h.tryOpen(reader5 + reader6);
  ASSERT_TRUE(file);
  EXPECT_EQ(read40p(*file, h.ctx, store), 0);
  ASSERT_EQ(store.inserted.size(), 2u);
  EXPECT_EQ(store.inserted[0].BewKst.str(), "");
  EXPECT_EQ(store.inserted[1].BewKst.str(), "KST-A");
  EXPECT_EQ(std::vector<std::string>(store.calls.begin() + 32, store.calls.end()),
            (std::vector<std::string>{"INSERT", "KID 4711 TERM1", "INSERT"}));
}

TEST(Read40pTest, ReaderNumbersSelectTheirTableEntry) {
  struct Case {
    std::string reader;
    int entry;  // 0: outside 1..32, no entry
  };
  const Case cases[] = {{"01", 1}, {"32", 32}, {"7 ", 7}, {" 9", 9}, {"+5", 5}, {"00", 0}, {"33", 0}, {"99", 0},
                        {"  ", 0}, {"-1", 0}, {"--", 0}, {"AB", 0}, {std::string("\0\0", 2), 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE("reader \"" + c.reader + "\"");
    Harness40 h;
    for (int n = 1; n <= 32; ++n) {
      h.store.zls[n] = {0, std::to_string(1000 + n)};
      h.store.kid[1000 + n] = {0, "KST" + std::to_string(n)};
    }
    EXPECT_EQ(h.run(rec40("1            ", "311224", "235959", 'x', c.reader)), 0);
    ASSERT_EQ(h.store.inserted.size(), 1u);
    const BookingRecord& b = h.store.inserted[0];
    EXPECT_EQ(b.BewLID.str(), c.reader.substr(0, c.reader.find('\0')));
    if (c.entry == 0) {
      EXPECT_EQ(b.BewKst.str(), "");
      EXPECT_EQ(h.recordCalls(), std::vector<std::string>{"INSERT"});
    } else {
      EXPECT_EQ(b.BewKst.str(), "KST" + std::to_string(c.entry));
      EXPECT_EQ(h.recordCalls(),
                (std::vector<std::string>{"KID " + std::to_string(1000 + c.entry) + " TERM1", "INSERT"}));
    }
  }
}

TEST(Read40pTest, CanteenBookingTakesNoInsertAndNoRunningNumber) {
  Harness40 h;
  h.store.zls[5] = {0, "4711"};
  h.store.kid[4711] = {0, "KST-A"};
  h.store.fcd[3] = {0, "F03"};
  const std::string canteen = rec40("98765432109  ", "310124", "123456", 'K', "05", '1');
  EXPECT_EQ(h.run(kPlain + canteen + kPlain), 0);
  EXPECT_EQ(h.ctx.counts.read, 3);
  EXPECT_EQ(h.ctx.counts.inserted, 2);
  EXPECT_EQ(h.ctx.counts.canteen, 1);
  std::vector<std::string> expected = readerTableLookups("TERM1");
  for (const char* c : {"KID 4711 TERM1", "FCD TERM1 3", "INSERT", "KID 4711 TERM1", "CANTEEN", "KID 4711 TERM1",
                        "FCD TERM1 3", "INSERT"}) {
    expected.push_back(c);
  }
  EXPECT_EQ(h.store.calls, expected);
  ASSERT_EQ(h.store.inserted.size(), 2u);
  EXPECT_EQ(h.store.inserted[0].BewLfn.str(), "1");
  EXPECT_EQ(h.store.inserted[1].BewLfn.str(), "2");
  ASSERT_EQ(h.store.canteen.size(), 1u);
  const BookingRecord& k = h.store.canteen[0];
  EXPECT_EQ(k.BewSrc.str(), "40p");
  EXPECT_EQ(k.BewTID.str(), "TERM1");
  EXPECT_EQ(k.BewLID.str(), "05");
  EXPECT_EQ(k.BewKst.str(), "KST-A");
  EXPECT_EQ(k.BewIDN.str(), "98765432109");
  EXPECT_EQ(k.BewDtm.str(), "20240131000000");
  EXPECT_EQ(k.BewUhr.str(), "20240131123456");
  EXPECT_EQ(k.BewKze.str(), "K");
  EXPECT_EQ(k.BewBer.str(), "1");
  for (const auto* unset : {k.BewSto.c_str(), k.BewTas.c_str(), k.BewArt.c_str(), k.BewLfn.c_str()}) {
    EXPECT_STREQ(unset, "");
  }
}

TEST(Read40pTest, CanteenBookingLeavesFirstErrorAndLastResultOfItsLookup) {
  Harness40 h;
  h.store.zls[5] = {0, "4711"};  // no cost centre 4711: the canteen record's lookup answers 100
  h.store.insertResults = {547};
  const std::string canteen = rec40("1            ", "310124", "123456", 'K', "05", '0');
  EXPECT_EQ(h.run(kPlain + canteen), 547);
  EXPECT_EQ(h.ctx.lastResult, 100);
  EXPECT_EQ(h.store.count("CANTEEN"), 1);
  EXPECT_EQ(h.out, "   ID 1234: Insert-Fehler: 547\n");

  // A canteen row that could not be written counts as failed; with the debug
  // flag its diagnostic record follows (the canteen booking printed its own
  // lines before). The first error stays the insert's.
  for (const bool debug : {false, true}) {
    Harness40 d;
    d.ctx.debug = debug;
    d.store.fcd[3] = {0, "F03"};
    d.store.canteenResults = {2627};
    d.store.failureDiagnostic = "   ODBC 23000 (2627): duplicate\n";
    EXPECT_EQ(d.run(canteen + kPlain), 0);
    EXPECT_EQ(d.ctx.counts.failed, 1);
    EXPECT_EQ(d.ctx.counts.canteen, 0);
    EXPECT_EQ(d.ctx.counts.inserted, 1);
    EXPECT_EQ(d.out, debug ? canteen + "\n   ODBC 23000 (2627): duplicate\n" + kPlain + "\n" : "");
  }
}

TEST(Read40pTest, RunningNumberWrapsAndCanteenRecordsDoNotCount) {
  Harness40 h;
  const std::string canteen = rec40("1            ", "310124", "123456", 'K', "05");
  std::string bytes;
  for (int i = 0; i < 1001; ++i) {
    bytes += kPlain;
    if (i % 100 == 0) bytes += canteen;
  }
  h.store.insertResults = {0, 0, 8152};  // a failed insert uses its number up
  EXPECT_EQ(h.run(bytes), 8152);
  ASSERT_EQ(h.store.inserted.size(), 1001u);
  for (std::size_t i = 0; i < h.store.inserted.size(); ++i) {
    ASSERT_EQ(h.store.inserted[i].BewLfn.str(), std::to_string(i % 999 + 1)) << "insert " << i;
  }
  EXPECT_EQ(h.store.inserted[999].BewLfn.str(), "1");
  EXPECT_EQ(h.store.count("CANTEEN"), 11);
}

TEST(Read40pTest, DuplicateInTheMiddleAndFailuresReported) {
  Harness40 h;
  h.store.fcd[3] = {0, "F03"};
  h.store.insertResults = {0, 2627, 0, 547, 8152};
  const std::string detail = "ID: 1234, Terminal: TERM1, Datum: 20241231000000, Uhrzeit: 20241231235959, Art: F03";
  EXPECT_EQ(h.run(kPlain + kPlain + kPlain + kPlain + kPlain), 547);
  EXPECT_EQ(h.log.entries, (std::vector<std::string>{"ID 1234: Buchungssatz existiert bereits", detail,
                                                     "\nInsert-Fehler: 547", detail, "\nInsert-Fehler: 8152",
                                                     detail}));
  EXPECT_EQ(h.out, "   ID 1234: Insert-Fehler: 547\n   ID 1234: Insert-Fehler: 8152\n");
  EXPECT_EQ(h.ctx.lastResult, 8152);
  EXPECT_EQ(h.store.count("INSERT"), 5);
}

TEST(Read40pTest, DuplicateOnlyCountsAsSuccessWithDebugLine) {
  Harness40 h;
  h.ctx.debug = true;
  h.store.insertResults = {2627};
  const std::string rec = rec40("77           ", "311224", "235959", 'x', "05");
  EXPECT_EQ(h.run(rec), 0);
  EXPECT_EQ(h.ctx.lastResult, 0);
  EXPECT_EQ(h.out, rec + "\n" + "   ID 77: Buchungssatz existiert bereits\n");
}

TEST(Read40pTest, DamagedRecords) {
  Harness40 h;
  std::string flipped = kPlain;
  flipped[15] = '\x92';  // a month byte damaged
  flipped[3] = '\0';     // an ID byte zeroed
  EXPECT_EQ(h.run(kPlain + flipped), 0);
  ASSERT_EQ(h.store.inserted.size(), 2u);
  EXPECT_EQ(h.store.inserted[1].BewIDN.str(), "123");
  EXPECT_EQ(h.store.inserted[1].BewDtm.str(), "2024\x92" "231000000");
  EXPECT_EQ(h.store.inserted[1].BewUhr.str(), "2024\x92" "231235959");

  Harness40 cut;
  const std::string bytes = (kPlain + kPlain).substr(0, 57);
  EXPECT_EQ(cut.run(bytes), -1);
  EXPECT_EQ(cut.store.count("INSERT"), 0);
  EXPECT_EQ(cut.out, "falsche Satzlaenge der Quelldatei(40p)\nQuelldatei(40p): Zeichenanzahl 57\n");
  EXPECT_EQ(cut.log.entries, std::vector<std::string>{"falsche Satzlaenge der Quelldatei(40p)"});
}

TEST(Read40pTest, HighBytesPassUnchanged) {
  Harness40 h;
  h.ctx.debug = true;
  const std::string rec = rec40("M\xFC\xDF" "ller\xE4     ", "311224", "235959", 'x', "05", '\xB0');
  EXPECT_EQ(h.run(rec), 0);
  ASSERT_EQ(h.store.inserted.size(), 1u);
  EXPECT_EQ(h.store.inserted[0].BewIDN.str(), "M\xFC\xDF" "ller\xE4");
  EXPECT_EQ(h.store.inserted[0].BewBer.str(), "\xB0");
  EXPECT_EQ(h.out, rec + "\n");
}

}  // namespace
