#include "readers/trim_right.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

struct TrimCase {
  std::string in;
  std::string out;
};

const TrimCase kTrimCases[] = {
    {"", ""},
    {"1234", "1234"},
    {"1234         ", "1234"},
    {"1234\t", "1234"},
    {"1234 \t \t", "1234"},
    {"   1234", "   1234"},            // blanks in front stay
    {"  12 34  ", "  12 34"},          // inner blanks stay
    {"             ", ""},             // only blanks: empty
    {"\t\t", ""},
    {" \t ", ""},
    {"1234\r", "1234\r"},              // a carriage return stops the walk
    {"1234\r  ", "1234\r"},
    {"1234\n ", "1234\n"},
    {"12\v", "12\v"},                  // other white space is no blank
    {"\xE4\xFC ", "\xE4\xFC"},         // bytes above 0x7F are characters
    {"a", "a"},
    {" ", ""},
};

TEST(TrimRightTest, BlanksAndTabsAtTheEndGo) {
  for (const auto& c : kTrimCases) {
    SCOPED_TRACE("input \"" + c.in + "\"");
    const std::string_view trimmed = trimRight(c.in);
    EXPECT_EQ(trimmed, c.out);
    EXPECT_EQ(trimmed.data(), c.in.data()) << "the text's own characters";
  }
}

}  // namespace
