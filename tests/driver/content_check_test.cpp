#include "driver/content_check.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/temp_dir.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

using Mode = SourceFile::Mode;

struct CheckCase {
  const char* name;
  std::string bytes;
  Mode mode;
  int32_t expected;
  int firstByte;  // what the file delivers first after the check (-1: nothing)
};

// The reading end of a pipe that holds `bytes` and has no writer left.
std::FILE* pipeHolding(const std::string& bytes) {
  int ends[2];
#ifdef _WIN32
  if (::_pipe(ends, 4096, _O_BINARY) != 0) return nullptr;
  const bool written = ::_write(ends[1], bytes.data(), static_cast<unsigned>(bytes.size())) ==
                       static_cast<int>(bytes.size());
  ::_close(ends[1]);
  std::FILE* f = ::_fdopen(ends[0], "rb");
#else
  if (::pipe(ends) != 0) return nullptr;
  const bool written = ::write(ends[1], bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  ::close(ends[1]);
  std::FILE* f = ::fdopen(ends[0], "rb");
#endif
  if (!written && f != nullptr) {
    std::fclose(f);
    return nullptr;
  }
  return f;
}

// A source file on a stream the test opened: the tool itself opens only
// ordinary files, which can always seek back.
struct StreamSource : SourceFile {
  StreamSource(std::FILE* stream, Mode mode) : SourceFile(stream, mode) {}
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

// A stream that cannot seek back (one end of a pipe) would lose the bytes the
// check has read; the check must say so instead of passing the stream on.
TEST(CheckinhaltTest, StreamThatCannotSeekBackIsUnreadable) {
  for (const std::string bytes : {"BDE6251,1,2\n", " x", " \t\n"}) {
    SCOPED_TRACE(::testing::PrintToString(bytes));
    std::FILE* pipe = pipeHolding(bytes);
    ASSERT_NE(pipe, nullptr);
    StreamSource file(pipe, Mode::kText);
    EXPECT_EQ(checkinhalt(file), kContentUnreadable);
  }
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
