#include "common/source_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

using Mode = SourceFile::Mode;

// The visible form of bytes, for failure messages.
std::string shown(std::string_view bytes) {
  std::string out;
  for (const char c : bytes) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\x1A') {
      out += "^Z";
    } else if (c == '\0') {
      out += "\\0";
    } else {
      out += c;
    }
  }
  return "[" + out + "]";
}

struct FileWith {
  ScopedTempDir dir;
  std::string path = dir.file("quelle.dat");
  explicit FileWith(std::string_view bytes) { writeFileBytes(path, bytes); }
  std::unique_ptr<SourceFile> open(Mode mode) const {
    std::unique_ptr<SourceFile> f = SourceFile::open(path, mode);
    EXPECT_NE(f, nullptr) << path;
    return f;
  }
};

std::string allBytes(SourceFile& f) {
  std::string out;
  for (int c = f.getByte(); c >= 0; c = f.getByte()) out += static_cast<char>(c);
  return out;
}

TEST(SourceFile, OpenFailsForMissingFileAndFolder) {
  ScopedTempDir dir;
  EXPECT_EQ(SourceFile::open(dir.file("fehlt.dta"), Mode::kText), nullptr);
  EXPECT_EQ(SourceFile::open(dir.file("fehlt.dta"), Mode::kBinary), nullptr);
  EXPECT_EQ(SourceFile::open(dir.path(), Mode::kText), nullptr);
  EXPECT_EQ(SourceFile::open(dir.path(), Mode::kBinary), nullptr);
}

#ifndef _WIN32
// Only ordinary files are sources. A FIFO without a writer must be refused at
// once instead of blocking the run; devices and sockets are no sources either.
TEST(SourceFile, OpenRefusesWhatIsNoOrdinaryFileWithoutBlocking) {
  ScopedTempDir dir;
  const std::string fifo = dir.file("quelle.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string socketPath = dir.file("quelle.sock");
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof addr.sun_path);
  socketPath.copy(addr.sun_path, socketPath.size());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  for (const std::string& path : {fifo, socketPath, std::string("/dev/null")}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(SourceFile::open(path, Mode::kText), nullptr);
    EXPECT_EQ(SourceFile::open(path, Mode::kBinary), nullptr);
  }
  ::close(sock);
}
#endif

TEST(SourceFile, TextModeTranslatesLikeWindowsTextMode) {
  struct Case {
    std::string stored;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"a\r\nb", "a\nb"},
      {"a\rb", "a\rb"},
      {"a\r", "a\r"},
      {"\r\r\n", "\r\n"},
      {"\r\n\r\n", "\n\n"},
      {"\n\r", "\n\r"},
      {"ab\x1A" "cd", "ab"},
      {"\x1A", ""},
      {"a\r\x1A\n", "a\r"},
      {std::string("a\0b\r\n", 5), std::string("a\0b\n", 4)},
      {"\xE4\xFF\x80", "\xE4\xFF\x80"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("stored " + shown(c.stored));
    FileWith file(c.stored);
    std::unique_ptr<SourceFile> text = file.open(Mode::kText);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->mode(), Mode::kText);
    EXPECT_EQ(shown(allBytes(*text)), shown(c.text));
    EXPECT_EQ(text->getByte(), -1);  // the end stays the end

    std::unique_ptr<SourceFile> binary = file.open(Mode::kBinary);
    ASSERT_NE(binary, nullptr);
    EXPECT_EQ(binary->mode(), Mode::kBinary);
    EXPECT_EQ(shown(allBytes(*binary)), shown(c.stored));
  }
}

TEST(SourceFile, ReadLineComesInPiecesAtTheCap) {
  struct Case {
    std::string stored;
    std::size_t cap;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"abcdefgh\n", 5, {"abcd", "efgh", "\n"}},
      {"abc\n", 5, {"abc\n"}},
      {"abcd\n", 5, {"abcd", "\n"}},
      {"ab\r\ncd\r\n", 5, {"ab\n", "cd\n"}},
      {"ab\r\ncd", 5, {"ab\n", "cd"}},
      {"\n\n", 2, {"\n", "\n"}},
      {"abc", 2, {"a", "b", "c"}},
      {"ab\ncd\x1A" "ef\n", 10, {"ab\n", "cd"}},
      {"\x1A" "ab\n", 10, {}},
      {"", 10, {}},
      {std::string(600, 'x') + "\n", 499, {std::string(498, 'x'), std::string(102, 'x') + "\n"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("stored " + shown(c.stored.substr(0, 20)) + " cap " + std::to_string(c.cap));
    FileWith file(c.stored);
    std::unique_ptr<SourceFile> f = file.open(Mode::kText);
    ASSERT_NE(f, nullptr);
    std::vector<std::string> lines;
    std::vector<char> buf(c.cap + 1, '#');
    while (f->readLine(buf.data(), c.cap)) {
      lines.emplace_back(buf.data());
      EXPECT_EQ(buf[c.cap], '#') << "written past the cap";
    }
    EXPECT_EQ(lines, c.lines);
    EXPECT_FALSE(f->readLine(buf.data(), c.cap));
    EXPECT_EQ(buf[0], '\0');  // an empty text when nothing was read
  }
}

// What text mode delivers of `stored`: CR LF as LF, nothing from a 0x1A on.
std::string textModeView(const std::string& stored) {
  std::string out;
  for (std::size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] == '\x1A') break;
    if (stored[i] == '\r' && i + 1 < stored.size() && stored[i + 1] == '\n') continue;
    out += stored[i];
  }
  return out;
}

// The pieces readLine gives of `data` with a buffer of `cap` bytes.
std::vector<std::string> linePieces(const std::string& data, std::size_t cap) {
  std::vector<std::string> lines;
  std::string piece;
  for (const char c : data) {
    piece += c;
    if (c == '\n' || piece.size() == cap - 1) {
      lines.push_back(piece);
      piece.clear();
    }
  }
  if (!piece.empty()) lines.push_back(piece);
  return lines;
}

TEST(SourceFile, ReadsAlikeAcrossTheReadAheadBoundary) {
  // The file is read ahead in blocks: a CR LF pair, a lone CR or a 0x1A at
  // every place around the end of the first and second block reads the same.
  for (const std::size_t before : {4090u, 4093u, 4094u, 4095u, 4096u, 4097u, 8190u, 8191u, 8192u}) {
    for (const std::string mark : {"\r\n", "\r", "\n", "\x1A"}) {
      const std::string stored = std::string(before, 'a') + mark + "bc\r\nd" + std::string(5000, 'e') + "\n";
      SCOPED_TRACE(std::to_string(before) + " bytes, then " + shown(mark));
      FileWith file(stored);
      std::unique_ptr<SourceFile> text = file.open(Mode::kText);
      std::unique_ptr<SourceFile> binary = file.open(Mode::kBinary);
      ASSERT_TRUE(text && binary);
      std::vector<std::string> lines;
      std::vector<char> buf(499);
      while (text->readLine(buf.data(), buf.size())) lines.emplace_back(buf.data());
      EXPECT_EQ(lines, linePieces(textModeView(stored), buf.size()));
      ASSERT_TRUE(text->rewind());
      EXPECT_EQ(allBytes(*text), textModeView(stored));
      EXPECT_EQ(allBytes(*binary), stored);
      // Whole items of a record length that does not divide the block size.
      ASSERT_TRUE(binary->rewind());
      std::string items;
      char item[29];
      while (binary->readItem(item, sizeof item)) items.append(item, sizeof item);
      EXPECT_EQ(items, stored.substr(0, stored.size() - stored.size() % sizeof item));
    }
  }
}

TEST(SourceFile, BinaryReadLineKeepsCrLf) {
  FileWith file("ab\r\ncd");
  std::unique_ptr<SourceFile> f = file.open(Mode::kBinary);
  char buf[10];
  ASSERT_TRUE(f->readLine(buf, sizeof buf));
  EXPECT_STREQ(buf, "ab\r\n");
  ASSERT_TRUE(f->readLine(buf, sizeof buf));
  EXPECT_STREQ(buf, "cd");
  EXPECT_FALSE(f->readLine(buf, sizeof buf));
}

TEST(SourceFile, ReadItemTakesWholeItemsOnly) {
  FileWith file("abc\r\ndefg\x1Ahij");
  std::unique_ptr<SourceFile> text = file.open(Mode::kText);
  char item[5];
  ASSERT_TRUE(text->readItem(item, 4));
  EXPECT_EQ(std::string(item, 4), "abc\n");
  ASSERT_TRUE(text->readItem(item, 4));
  EXPECT_EQ(std::string(item, 4), "defg");
  EXPECT_FALSE(text->readItem(item, 1));

  std::unique_ptr<SourceFile> binary = file.open(Mode::kBinary);
  ASSERT_TRUE(binary->readItem(item, 5));
  EXPECT_EQ(std::string(item, 5), "abc\r\n");
  ASSERT_TRUE(binary->readItem(item, 5));
  EXPECT_EQ(std::string(item, 5), "defg\x1A");
  EXPECT_FALSE(binary->readItem(item, 4));  // only "hij" is left
}

TEST(SourceFile, SeekEndGivesTheSizeOnDiskAndRewindStartsAgain) {
  const std::string stored = "ab\r\ncd\x1A" "ef\r\n";
  for (const Mode mode : {Mode::kText, Mode::kBinary}) {
    SCOPED_TRACE(mode == Mode::kText ? "text" : "binary");
    FileWith file(stored);
    std::unique_ptr<SourceFile> f = file.open(mode);
    EXPECT_EQ(f->seekEnd(), static_cast<long>(stored.size()));
    EXPECT_EQ(f->getByte(), -1);
    ASSERT_TRUE(f->rewind());
    const std::string expected = mode == Mode::kText ? "ab\ncd" : stored;
    EXPECT_EQ(shown(allBytes(*f)), shown(expected));
    // After the 0x1A of text mode, rewind reads from the start again.
    ASSERT_TRUE(f->rewind());
    EXPECT_EQ(shown(allBytes(*f)), shown(expected));
  }
}

}  // namespace
