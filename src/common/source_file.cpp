#include "common/source_file.h"

#include <sys/stat.h>

namespace {
constexpr int kCtrlZ = 0x1A;
}

std::unique_ptr<SourceFile> SourceFile::open(const std::string& path, Mode mode) {
  // A folder opens on some platforms but is no source file.
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || (st.st_mode & S_IFMT) == S_IFDIR) return nullptr;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return nullptr;
  return std::unique_ptr<SourceFile>(new SourceFile(f, mode));
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
