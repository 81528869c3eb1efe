// The 62p reader's own rules: its running number and other fields taken from
// the record as they stand, no lookups. The shared frame is tested in
// reader_frame_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats.h"

namespace {

TEST(Read62pTest, OwnFieldsComeFromTheRecordAsTheyStand) {
  struct Case {
    std::string lfn3;
    std::string lid2;
    std::string erq2;
    char era;
    ExpectedFields own;  // BewLfn, BewLID, BewErq, BewEra
  };
  const Case cases[] = {
      {"042", "07", "AB", 'E', {{"BewLfn", "042"}, {"BewLID", "07"}, {"BewErq", "AB"}, {"BewEra", "E"}}},
      {"   ", "  ", "  ", ' ', {{"BewLfn", "   "}, {"BewLID", "  "}, {"BewErq", "  "}, {"BewEra", " "}}},
      {"999", "99", "Z9", '9', {{"BewLfn", "999"}, {"BewLID", "99"}, {"BewErq", "Z9"}, {"BewEra", "9"}}},
      {"x7\xE4",
       "\xFF"
       "1",
       "1 ",
       '\xB0',
       {{"BewLfn", "x7\xE4"},
        {"BewLID",
         "\xFF"
         "1"},
        {"BewErq", "1 "},
        {"BewEra", "\xB0"}}},
      // A zero byte ends its field.
      {std::string("4\0"
                   "2",
                   3),
       std::string("\0"
                   "7",
                   2),
       std::string("A\0", 2),
       '\0',
       {{"BewLfn", "4"}, {"BewLID", ""}, {"BewErq", "A"}, {"BewEra", ""}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("running number " + ::testing::PrintToString(c.lfn3));
    ReaderHarness h("TERM6", "source.62p");
    const std::string rec = rec62("290224", "120000", c.lfn3, c.lid2, c.erq2, "8150         ", c.era);
    EXPECT_EQ(h.run(read62p, rec + rec), 0);
    EXPECT_EQ(h.store.calls, (std::vector<std::string>{"INSERT", "INSERT"}));
    ASSERT_EQ(h.store.inserted.size(), 2u);
    for (const BookingRecord& b : h.store.inserted) {  // never counted
      ExpectedFields fields = c.own;
      fields.insert({{"BewSrc", "62p"},
                     {"BewTID", "TERM6"},
                     {"BewIDN", "8150"},
                     {"BewSto", "0"},
                     {"BewDtm", "20240229000000"},
                     {"BewUhr", "20240229120000"}});
      expectRecord(b, fields);
    }
  }
}

}  // namespace
