// The 40p reader's own rules: key characters, the function code, and what a
// canteen booking hands over. The shared frame, the reader table's lookups
// ahead of the records among it, is tested in reader_frame_test.cpp, the
// reader table itself in reader_table_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats.h"

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
      EXPECT_EQ(h.recordCalls(), std::vector<std::string>{"INSERT"});
    } else {
      EXPECT_EQ(b.BewTas.str(), (c.number < 10 ? "0" : "") + std::to_string(c.number));
      EXPECT_EQ(b.BewArt.str(), "F" + std::to_string(c.number));
      EXPECT_EQ(h.recordCalls(), (std::vector<std::string>{"FCD TERM1 " + std::to_string(c.number), "INSERT"}));
    }
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

TEST(Read40pTest, CanteenBookingHandsOverTheRecordSoFarAndTakesNoInsert) {
  Harness40 h;
  h.store.zls[5] = {0, "4711"};
  h.store.kid[4711] = {0, "KST-A"};
  h.store.fcd[3] = {0, "F03"};
  const std::string canteen = rec40("98765432109  ", "310124", "123456", 'K', "05", '1');
  EXPECT_EQ(h.run(canteen), 0);
  EXPECT_EQ(h.recordCalls(), (std::vector<std::string>{"KID 4711 TERM1", "CANTEEN"}));
  ASSERT_EQ(h.store.canteen.size(), 1u);
  expectRecord(h.store.canteen[0], {{"BewSrc", "40p"},
                                    {"BewTID", "TERM1"},
                                    {"BewLID", "05"},
                                    {"BewKst", "KST-A"},
                                    {"BewIDN", "98765432109"},
                                    {"BewDtm", "20240131000000"},
                                    {"BewUhr", "20240131123456"},
                                    {"BewKze", "K"},
                                    {"BewBer", "1"}});
}

}  // namespace
