#include "readers/trim_right.h"

#include <gtest/gtest.h>

#include <string>

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

TEST(TrimRightTest, CharBufferInPlace) {
  for (const auto& c : kTrimCases) {
    SCOPED_TRACE("input \"" + c.in + "\"");
    std::string buf = c.in;
    buf.push_back('\0');
    char* result = trimRight(&buf[0]);
    EXPECT_EQ(result, &buf[0]);
    EXPECT_EQ(std::string(result), c.out);
  }
}

TEST(TrimRightTest, FixedTextInPlaceLeavesZeroTail) {
  for (const auto& c : kTrimCases) {
    SCOPED_TRACE("input \"" + c.in + "\"");
    FixedText<51> text(c.in);
    FixedText<51>& result = trimRight(text);
    EXPECT_EQ(&result, &text);
    EXPECT_EQ(text.str(), c.out);
    for (std::size_t i = c.out.size(); i < FixedText<51>::kWidth; ++i) {
      ASSERT_EQ(text.data()[i], '\0') << "byte " << i;
    }
  }
}

TEST(TrimRightTest, TrimmedLengthOfViews) {
  for (const auto& c : kTrimCases) {
    SCOPED_TRACE("input \"" + c.in + "\"");
    EXPECT_EQ(trimmedLength(c.in), c.out.size());
  }
}

TEST(TrimRightTest, NullBufferIsReturned) { EXPECT_EQ(trimRight(static_cast<char*>(nullptr)), nullptr); }

}  // namespace
