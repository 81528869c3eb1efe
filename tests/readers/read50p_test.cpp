// The 50p reader's own rules: the cost centre and the default key asked on
// every record. The shared frame is tested in reader_frame_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats.h"

namespace {

struct Harness50 : ReaderHarness {
  Harness50() : ReaderHarness("TERM5", "source.50p") {}
  int32_t run(const std::string& bytes, BookingStore* other = nullptr) {
    return ReaderHarness::run(read50p, bytes, other);
  }
};

const std::string kPlain = rec50("010225", "073000", "4711         ", "0004711");

TEST(Read50pTest, CostCentreNumberReadLikeAtoi) {
  struct Case {
    std::string bytes;
    int number;
  };
  const Case cases[] = {{"0004711", 4711},
                        {"       ", 0},
                        {"  42   ", 42},
                        {"-12    ", -12},
                        {"12A4567", 12},
                        {"00X4711", 0},
                        {"+000009", 9},
                        {"ABCDEFG", 0},
                        {"\t\t0815 ", 815},
                        {"9999999", 9999999},
                        {std::string("\0"
                                     "004711",
                                     7),
                         0},
                        {std::string("47\0"
                                     "1100",
                                     7),
                         47}};
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
  StoreResult lookupTtaAps(std::string_view terminal, int32_t& key) override {
    calls.push_back("APS " + std::string(terminal));
    if (++asked_ == 1) key = 5;
    return {0, {}};
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
  StoreResult lookupTtaAps(std::string_view terminal, int32_t& key) override {
    calls.push_back("APS " + std::string(terminal));
    key = 7;
    return {100, {}};
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
}

}  // namespace
