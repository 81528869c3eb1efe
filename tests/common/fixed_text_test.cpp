#include "common/fixed_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Every byte of the buffer behind the text must be zero.
template <std::size_t N>
void expectZeroBehindText(const FixedText<N>& t) {
  for (std::size_t i = t.size(); i < N; ++i) EXPECT_EQ(t.data()[i], '\0') << "byte " << i;
}

TEST(FixedText, StartsEmptyWithAllBytesZero) {
  FixedText<6> t;
  EXPECT_TRUE(t.empty());
  EXPECT_EQ(t.size(), 0u);
  EXPECT_EQ(t, "");
  expectZeroBehindText(t);
  static_assert(FixedText<6>::kWidth == 6 && FixedText<6>::kMaxLength == 5, "widths");
}

TEST(FixedText, AssignKeepsAtMostWidthMinusOneAndStopsAtZeroByte) {
  struct Case {
    std::string source;
    std::string kept;
  };
  const std::vector<Case> cases = {
      {"", ""},
      {"a", "a"},
      {"abc", "abc"},
      {"abcd", "abc"},
      {"abcdefgh", "abc"},
      {std::string("a\0bc", 4), "a"},
      {std::string("\0abc", 4), ""},
      {"\xE4\xFF\x80", "\xE4\xFF\x80"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("source of " + std::to_string(c.source.size()) + " bytes: " + c.source);
    FixedText<4> t;
    t = "zzz";  // earlier content must not survive
    t = c.source;
    EXPECT_EQ(t.view(), c.kept);
    EXPECT_EQ(t.str(), c.kept);
    EXPECT_EQ(t.size(), c.kept.size());
    EXPECT_EQ(t.empty(), c.kept.empty());
    expectZeroBehindText(t);

    FixedText<4> fromBytes;
    fromBytes.assign(c.source.data(), c.source.size());
    EXPECT_EQ(fromBytes, t);
  }
}

TEST(FixedText, AssignSweepOverLengthsAndZeroBytes) {
  // Every length around the width, with no zero byte or one at each position;
  // short texts and long ones take different ways through assign.
  constexpr std::size_t kWidth = 20;
  for (std::size_t length = 0; length <= kWidth + 4; ++length) {
    for (std::size_t zeroAt = 0; zeroAt <= length; ++zeroAt) {  // zeroAt == length: no zero byte
      std::string source;
      for (std::size_t i = 0; i < length; ++i) source += static_cast<char>('a' + i % 26);
      if (zeroAt < length) source[zeroAt] = '\0';
      const std::string kept = source.substr(0, std::min({zeroAt, length, kWidth - 1}));
      SCOPED_TRACE("length " + std::to_string(length) + ", zero at " + std::to_string(zeroAt));
      FixedText<kWidth> t(std::string(kWidth - 1, 'z'));  // earlier content must not survive
      t = source;
      EXPECT_EQ(t.str(), kept);
      expectZeroBehindText(t);
      // A prefix of its own text, as trimming does.
      t.assign(t.view().substr(0, kept.size() / 2));
      EXPECT_EQ(t.str(), kept.substr(0, kept.size() / 2));
      expectZeroBehindText(t);
    }
  }
}

TEST(FixedText, AssignFromByteRangeTakesOnlyTheRange) {
  const char record[] = "K07ABCDEF";
  FixedText<3> two;
  two.assign(record + 1, 2);
  EXPECT_EQ(two, "07");
  FixedText<10> part;
  part.assign(record + 3, 4);
  EXPECT_EQ(part, "ABCD");
  expectZeroBehindText(part);
}

TEST(FixedText, AppendAddsWhatFits) {
  struct Case {
    std::string start;
    std::string added;
    std::string result;
  };
  const std::vector<Case> cases = {
      {"", "ab", "ab"},           {"ab", "cd", "abcd"},          {"ab", "cdef", "abcd"},
      {"abcd", "e", "abcd"},      {"a", std::string("b\0c", 3), "ab"}, {"", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.start + " + " + c.added);
    FixedText<5> t(c.start);
    t.append(c.added);
    EXPECT_EQ(t.view(), c.result);
    expectZeroBehindText(t);
  }
}

TEST(FixedText, OverwriteNeverTouchesTheTerminator) {
  struct Case {
    std::string start;
    std::size_t pos;
    std::string bytes;
    std::string text;        // the text as read afterwards
    std::string wholeBuffer;  // the first 19 bytes of the buffer
  };
  const std::vector<Case> cases = {
      {"20240131", 8, "000000", "20240131000000", "20240131000000" + std::string(5, '\0')},
      {"20240131235959", 8, "000000", "20240131000000", "20240131000000" + std::string(5, '\0')},
      {"2024", 8, "000000", "2024", "2024" + std::string(4, '\0') + "000000" + std::string(5, '\0')},
      {"", 0, "ab", "ab", "ab" + std::string(17, '\0')},
      {"123456789012345678", 16, "abcdef", "1234567890123456abc", "1234567890123456abc"},
      {"", 18, "abc", "", std::string(18, '\0') + "a"},
      {"x", 19, "abc", "x", "x" + std::string(18, '\0')},
      {"x", 40, "abc", "x", "x" + std::string(18, '\0')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.start + " @" + std::to_string(c.pos) + " " + c.bytes);
    FixedText<20> t(c.start);
    t.overwrite(c.pos, c.bytes);
    EXPECT_EQ(t.view(), c.text);
    EXPECT_EQ(std::string(t.data(), 19), c.wholeBuffer);
    EXPECT_EQ(t.data()[19], '\0');
  }
}

TEST(FixedText, ComparisonsAndAccess) {
  FixedText<8> a("abc");
  FixedText<8> b("abc");
  EXPECT_TRUE(a == "abc");
  EXPECT_TRUE(a != "abcd");
  EXPECT_TRUE(a == b);
  EXPECT_EQ(a[1], 'b');
  EXPECT_EQ(a[3], '\0');
  EXPECT_STREQ(a.c_str(), "abc");
  a.clear();
  EXPECT_TRUE(a.empty());
  expectZeroBehindText(a);
}

}  // namespace
