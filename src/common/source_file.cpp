#include "common/source_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

std::unique_ptr<SourceFile> SourceFile::open(const std::string& path, Mode mode) {
  // A folder opens on some platforms but is no source file.
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || (st.st_mode & S_IFMT) == S_IFDIR) return nullptr;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return nullptr;
  std::setvbuf(f, nullptr, _IONBF, 0);  // the reader keeps its own buffer
  return std::unique_ptr<SourceFile>(new SourceFile(f, mode));
}

SourceFile::~SourceFile() { std::fclose(file_); }

long SourceFile::seekEnd() {
  dropBuffer();
  if (std::fseek(file_, 0, SEEK_END) != 0) return -1;
  return std::ftell(file_);
}

bool SourceFile::rewind() {
  dropBuffer();
  ended_ = false;
  std::clearerr(file_);
  return std::fseek(file_, 0, SEEK_SET) == 0;
}

int SourceFile::peekStored() {
  if (pos_ == end_) {
    pos_ = 0;
    end_ = std::fread(buffer_, 1, kBufferSize, file_);
    if (end_ == 0) return -1;
  }
  return static_cast<unsigned char>(buffer_[pos_]);
}

int SourceFile::getByteSlow() {
  if (mode_ == Mode::kText && ended_) return -1;
  const int c = peekStored();
  if (c < 0) return -1;
  ++pos_;
  if (mode_ == Mode::kBinary) return c;
  if (c == kEndOfText) {
    ended_ = true;
    dropBuffer();  // nothing behind it is delivered, not even from the buffer
    return -1;
  }
  if (c == kCarriageReturn && peekStored() == '\n') {
    ++pos_;
    return '\n';
  }
  return c;
}

bool SourceFile::readItem(char* buf, std::size_t size) {
  for (std::size_t i = 0; i < size;) {
    if (mode_ == Mode::kBinary && pos_ < end_) {
      // Binary bytes need no look at each one: as many as the buffer has.
      const std::size_t n = std::min(size - i, end_ - pos_);
      std::memcpy(buf + i, buffer_ + pos_, n);
      pos_ += n;
      i += n;
      continue;
    }
    const int c = getByte();
    if (c < 0) return false;
    buf[i++] = static_cast<char>(c);
  }
  return true;
}

bool SourceFile::readLine(char* buf, std::size_t cap) {
  const bool text = mode_ == Mode::kText;
  std::size_t n = 0;
  while (n + 1 < cap) {
    // The bytes that need no text-mode care go straight from the buffer.
    const std::size_t take = std::min(end_ - pos_, cap - 1 - n);
    const char* from = buffer_ + pos_;
    std::size_t i = 0;
    bool lineEnd = false;
    for (; i < take; ++i) {
      const char c = from[i];
      if (text && (c == static_cast<char>(kCarriageReturn) || c == static_cast<char>(kEndOfText))) break;
      buf[n + i] = c;
      if (c == '\n') {
        lineEnd = true;
        ++i;
        break;
      }
    }
    pos_ += i;
    n += i;
    if (lineEnd || n + 1 >= cap) break;
    // An empty buffer, a CR or a 0x1A: one byte the careful way.
    const int c = getByte();
    if (c < 0) break;
    buf[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  buf[n] = '\0';
  return n > 0;
}
