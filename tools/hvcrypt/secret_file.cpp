#include "secret_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "common/format.h"

namespace {

std::string systemError() { return std::strerror(errno); }

#ifdef _WIN32

// A new file beside `path`, owner-only as far as a mode goes on Windows (the
// folder's access list is inherited); -1 with `problem` set when none.
int createBeside(const std::string& path, std::string& temporary, std::string& problem) {
  temporary = path + formatText(".%lu.new", static_cast<unsigned long>(::GetCurrentProcessId()));
  const int fd = ::_open(temporary.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) problem = "cannot create " + temporary + ": " + systemError();
  return fd;
}

// The old file's owner is the folder's business on Windows.
void keepOwner(int, const std::string&, std::string&) {}

// Bytes written by one call, at most `bytes.size()`; -1 on failure.
long writeSome(int fd, std::string_view bytes) {
  constexpr std::size_t kChunk = 1u << 30;
  return ::_write(fd, bytes.data(), static_cast<unsigned>(bytes.size() < kChunk ? bytes.size() : kChunk));
}

bool flushAndClose(int fd) {
  const bool flushed = ::_commit(fd) == 0;
  return ::_close(fd) == 0 && flushed;
}

bool moveOver(const std::string& from, const std::string& to) {
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void removeFile(const std::string& path) { ::_unlink(path.c_str()); }

#else  // POSIX

int createBeside(const std::string& path, std::string& temporary, std::string& problem) {
  temporary = path + ".XXXXXX";
  const int fd = ::mkstemp(&temporary[0]);
  if (fd < 0) {
    problem = "cannot create a new file beside " + path + ": " + systemError();
  } else if (::fchmod(fd, S_IRUSR | S_IWUSR) != 0) {
    problem = "cannot restrict " + temporary + " to its owner: " + systemError();
    ::close(fd);
    ::unlink(temporary.c_str());
    return -1;
  }
  return fd;
}

// The account that runs the import tool must still be able to read the file
// when an administrator replaces it as root.
void keepOwner(int fd, const std::string& path, std::string& warning) {
  struct stat old {};
  if (::stat(path.c_str(), &old) != 0) return;
  if (old.st_uid == ::geteuid() && old.st_gid == ::getegid()) return;
  if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
    warning = formatText(
        "%s now belongs to user %ld and group %ld, no longer to user %ld and group %ld: "
        "the account that runs the import tool must be able to read it",
        path.c_str(), static_cast<long>(::geteuid()), static_cast<long>(::getegid()),
        static_cast<long>(old.st_uid), static_cast<long>(old.st_gid));
  }
}

long writeSome(int fd, std::string_view bytes) {
  ssize_t n = 0;
  while ((n = ::write(fd, bytes.data(), bytes.size())) < 0 && errno == EINTR) {
  }
  return static_cast<long>(n);
}

bool flushAndClose(int fd) {
  const bool flushed = ::fsync(fd) == 0;
  return ::close(fd) == 0 && flushed;
}

bool moveOver(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

void removeFile(const std::string& path) { ::unlink(path.c_str()); }

#endif

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const long n = writeSome(fd, bytes);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

std::string replaceFile(const std::string& path, std::string_view bytes, std::string& warning) {
  std::string temporary;
  std::string problem;
  const int fd = createBeside(path, temporary, problem);
  if (fd < 0) return problem;
  keepOwner(fd, path, warning);
  const bool written = writeAll(fd, bytes);
  std::string why = written ? std::string() : systemError();
  const bool closed = flushAndClose(fd);
  if (written && !closed) why = systemError();
  if (!written || !closed) {
    problem = "writing " + temporary + " failed: " + why;
  } else if (!moveOver(temporary, path)) {
    problem = "cannot rename " + temporary + " to " + path + ": " + systemError();
  }
  if (!problem.empty()) removeFile(temporary);
  return problem;
}

std::string readableByOthers(const std::string& path) {
#ifdef _WIN32
  (void)path;
  return std::string();
#else
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || (st.st_mode & (S_IRGRP | S_IROTH)) == 0) return std::string();
  return formatText(
      "%s has mode %04o: others than its owner can read it, and with it the password "
      "(chmod 600, owned by the account that runs the import tool)",
      path.c_str(), static_cast<unsigned>(st.st_mode & 07777));
#endif
}
