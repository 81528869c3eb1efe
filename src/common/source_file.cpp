#include "common/source_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cstring>

namespace {

// Opens `path` for reading as a stream, but only when it is an ordinary file.
// A folder, a FIFO, a device or a socket is refused before anything is read
// from it: a FIFO without a writer would block the run, and a source that
// cannot seek back to its first byte would lose what the content check read.
// The descriptor is checked, not the name, so nothing can be swapped in
// between; on POSIX it is opened without blocking for that check.
std::FILE* openRegularFile(const std::string& path) {
#ifdef _WIN32
  const int fd = ::_open(path.c_str(), _O_RDONLY | _O_BINARY);
  if (fd < 0) return nullptr;
  struct _stat64 st;
  if (::_fstat64(fd, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
    ::_close(fd);
    return nullptr;
  }
  std::FILE* f = ::_fdopen(fd, "rb");
  if (f == nullptr) ::_close(fd);
  return f;
#else
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return nullptr;
  struct stat st;
  const int flags = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
      ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return nullptr;
  }
  std::FILE* f = ::fdopen(fd, "rb");
  if (f == nullptr) ::close(fd);
  return f;
#endif
}

}  // namespace

std::unique_ptr<SourceFile> SourceFile::open(const std::string& path, Mode mode) {
  std::FILE* f = openRegularFile(path);
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

std::size_t SourceFile::readLine(char* buf, std::size_t cap) {
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
  return n;
}
