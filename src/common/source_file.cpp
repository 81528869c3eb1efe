#include "common/source_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr int kCtrlZ = 0x1A;

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
  return std::unique_ptr<SourceFile>(new SourceFile(f, mode));
}

std::unique_ptr<SourceFile> SourceFile::fromStream(std::FILE* stream, Mode mode) {
  if (stream == nullptr) return nullptr;
  return std::unique_ptr<SourceFile>(new SourceFile(stream, mode));
}

SourceFile::~SourceFile() { std::fclose(file_); }

long SourceFile::seekEnd() {
  if (std::fseek(file_, 0, SEEK_END) != 0) return -1;
  return std::ftell(file_);
}

bool SourceFile::rewind() {
  ended_ = false;
  std::clearerr(file_);
  return std::fseek(file_, 0, SEEK_SET) == 0;
}

int SourceFile::getByte() {
  if (mode_ == Mode::kBinary) {
    const int c = std::fgetc(file_);
    return c == EOF ? -1 : c;
  }
  if (ended_) return -1;
  const int c = std::fgetc(file_);
  if (c == EOF) return -1;
  if (c == kCtrlZ) {
    ended_ = true;
    return -1;
  }
  if (c == '\r') {
    const int next = std::fgetc(file_);
    if (next == '\n') return '\n';
    if (next != EOF) std::ungetc(next, file_);
  }
  return c;
}

bool SourceFile::readItem(char* buf, std::size_t size) {
  if (mode_ == Mode::kBinary) return std::fread(buf, size, 1, file_) == 1;
  for (std::size_t i = 0; i < size; ++i) {
    const int c = getByte();
    if (c < 0) return false;
    buf[i] = static_cast<char>(c);
  }
  return true;
}

bool SourceFile::readLine(char* buf, std::size_t cap) {
  std::size_t n = 0;
  while (n + 1 < cap) {
    const int c = getByte();
    if (c < 0) break;
    buf[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  buf[n] = '\0';
  return n > 0;
}
