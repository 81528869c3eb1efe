#include <gtest/gtest.h>

#include <cstdarg>
#include <limits>
#include <string>
#include <vector>

#include "common/console.h"
#include "common/decimal.h"
#include "common/format.h"

namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

TEST(ParseDecimal, ReadsLikeAtoi) {
  struct Case {
    std::string text;
    int32_t value;
  };
  const std::vector<Case> cases = {
      {"42", 42},
      {"0042", 42},
      {"7", 7},
      {"07", 7},
      {"", 0},
      {"x", 0},
      {"x12", 0},
      {"12x", 12},
      {"12 34", 12},
      {"  -17x", -17},
      {"+5", 5},
      {"-0", 0},
      {"- 5", 0},
      {"+-5", 0},
      {" \t\n\v\f\r9", 9},
      {"\xA0" "5", 0},
      {std::string("7\0" "8", 3), 7},
      {"2147483647", kMax},
      {"2147483648", kMax},
      {"99999999999999999999999", kMax},
      {"-2147483647", -2147483647},
      {"-2147483648", kMin},
      {"-2147483649", kMin},
      {"-99999999999999999999999", kMin},
      {"000000000000000000000000000012", 12},
      {"999999999", 999999999},
      {"000000009", 9},
      {"1234567890", 1234567890},
      {"4294967295", kMax},
      {"123456789x", 123456789},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("[" + c.text + "]");
    EXPECT_EQ(parseDecimal(c.text), c.value);
  }
}

TEST(ParseDecimal, StopsAtTheEndOfTheView) {
  const std::string text = "12345";
  EXPECT_EQ(parseDecimal(std::string_view(text).substr(0, 2)), 12);
  EXPECT_EQ(parseDecimal(std::string_view(text).substr(3)), 45);
  EXPECT_EQ(parseDecimal(std::string_view()), 0);
}

TEST(DecimalText, WritesWhatPrintfWritesForZeroPaddedWidths) {
  const std::vector<int32_t> values = {0,    1,    7,     9,     10,    42,    99,   100,   999,  1000,
                                       4711, 12345, kMax, kMax - 1, -1,  -7,    -10,  -99,  -100, -4711,
                                       kMin, kMin + 1};
  for (const int32_t value : values) {
    for (const int width : {0, 1, 2, 3, 4, 5, 11, 12, 16}) {
      EXPECT_EQ(DecimalText(value, width).view(), formatText("%0*d", width, value))
          << "value " << value << ", width " << width;
    }
    EXPECT_EQ(DecimalText(value).view(), formatText("%d", value)) << "value " << value;
  }
}

std::string viaV(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string out = formatTextV(fmt, args);
  va_end(args);
  return out;
}

TEST(FormatText, FormatsPrintfStyleWithoutLimit) {
  EXPECT_EQ(formatText("ID %s: Insert-Fehler: %d", "4711", -1), "ID 4711: Insert-Fehler: -1");
  EXPECT_EQ(formatText("%02d.%02d.%04d", 1, 3, 2027), "01.03.2027");
  EXPECT_EQ(formatText("'%ld'", 0L), "'0'");
  EXPECT_EQ(formatText("100%%"), "100%");
  EXPECT_EQ(formatText("%s", ""), "");
  EXPECT_EQ(formatText("unzul\xE4ssig %s", "\xFF"), "unzul\xE4ssig \xFF");
  const std::string longText(10000, 'L');
  const std::string formatted = formatText("\nFEHLERHAFTER BUCHUNGSSATZ: %s\n", longText.c_str());
  EXPECT_EQ(formatted, "\nFEHLERHAFTER BUCHUNGSSATZ: " + longText + "\n");
  EXPECT_EQ(viaV("%s-%d-%s", "a", 2, longText.c_str()), "a-2-" + longText);
  // Around the length where formatting switches from one pass to two.
  for (const std::size_t n : {1022u, 1023u, 1024u, 1025u, 2047u}) {
    const std::string text(n, 'x');
    EXPECT_EQ(formatText("%s!", text.c_str()), text + "!") << "length " << n;
  }
}

TEST(Console, CapturesTextByteForByte) {
  std::string captured;
  Console console(&captured);
  console.write("FEHLERHAFTER BUCHUNGSSATZ !!\n");
  console.printf("\n%s", "T1,07\n");
  console.write(std::string_view("a\0b", 3));
  console.printf("%d%%", 5);
  EXPECT_EQ(captured, "FEHLERHAFTER BUCHUNGSSATZ !!\n\nT1,07\n" + std::string("a\0b", 3) + "5%");
}

}  // namespace
