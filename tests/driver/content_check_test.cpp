#include "driver/content_check.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

namespace {

using Mode = SourceFile::Mode;

struct CheckCase {
  const char* name;
  std::string bytes;
  Mode mode;
  int32_t expected;
  int firstByte;  // what the file delivers first after the check (-1: nothing)
};

std::string modeName(Mode mode) { return mode == Mode::kText ? "text" : "binary"; }

TEST(CheckinhaltTest, ClassifiesContentAndRewinds) {
  const CheckCase cases[] = {
      {"empty", "", Mode::kBinary, kContentEmpty, -1},
      {"empty", "", Mode::kText, kContentEmpty, -1},
      {"CR LF only", "\r\n\r\n", Mode::kBinary, kContentPresent, '\r'},
      {"CR LF only", "\r\n\r\n", Mode::kText, kContentWhitespace, '\n'},
      {"blanks tabs line feeds", " \t\n \n\t", Mode::kBinary, kContentWhitespace, ' '},
      {"blanks tabs line feeds", " \t\n \n\t", Mode::kText, kContentWhitespace, ' '},
      {"0x1A first", "\x1a" "abc", Mode::kText, kContentWhitespace, -1},
      {"0x1A first", "\x1a" "abc", Mode::kBinary, kContentPresent, 0x1a},
      {"blank then 0x1A then content", " \x1a x", Mode::kText, kContentWhitespace, ' '},
      {"blank then 0x1A then content", " \x1a x", Mode::kBinary, kContentPresent, ' '},
      {"content after blanks", "   x", Mode::kBinary, kContentPresent, ' '},
      {"content after blanks", "   x", Mode::kText, kContentPresent, ' '},
      {"lone CR", "\r", Mode::kText, kContentPresent, '\r'},
      {"NUL byte", std::string(1, '\0'), Mode::kBinary, kContentPresent, 0},
      {"NUL byte", std::string(1, '\0'), Mode::kText, kContentPresent, 0},
      {"high byte", "\n\xe4", Mode::kText, kContentPresent, '\n'},
  };
  for (const CheckCase& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " in " + modeName(c.mode) + " mode");
    ScopedTempDir dir;
    const std::string path = dir.file("source");
    writeFileBytes(path, c.bytes);
    auto file = SourceFile::open(path, c.mode);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(checkinhalt(*file), c.expected);
    EXPECT_EQ(file->getByte(), c.firstByte) << "not positioned at the first byte";
  }
}

TEST(CheckinhaltTest, ReaderSeesWholeFileAfterwards) {
  ScopedTempDir dir;
  const std::string path = dir.file("source");
  writeFileBytes(path, "  ab\r\ncd");
  auto file = SourceFile::open(path, Mode::kText);
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(checkinhalt(*file), kContentPresent);
  char line[16];
  ASSERT_TRUE(file->readLine(line, sizeof line));
  EXPECT_EQ(std::string(line), "  ab\n");
  EXPECT_EQ(readFileBytes(path), "  ab\r\ncd") << "the check must not change the file";
}

TEST(UpperInPlaceTest, OnlyAsciiLettersChange) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"dta", "DTA"},
      {"Dta", "DTA"},
      {"40p_neu", "40P_NEU"},
      {"/d", "/D"},
      {"", ""},
      {"az{`@[AZ", "AZ{`@[AZ"},
      {"\xe4\xf6\xfc\xdf x\x80\xff", "\xe4\xf6\xfc\xdf X\x80\xff"},
  };
  for (const auto& c : cases) {
    std::string text = c.in;
    std::string& result = upperInPlace(text);
    EXPECT_EQ(&result, &text) << "not in place";
    EXPECT_EQ(text, c.out) << "input: " << c.in;
  }
}

}  // namespace
