// What the fuzz targets share: a check that turns a broken promise into a
// finding, and a source file on disk that holds the current input, because the
// readers and the configuration reader take their data from a file.
#ifndef HV_FUZZ_FUZZ_SUPPORT_H
#define HV_FUZZ_FUZZ_SUPPORT_H

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// A finding: the broken promise is printed and the process aborts, which
// libFuzzer reports as a crash and saves the input for.
#define FUZZ_CHECK(cond, what)                                                    \
  do {                                                                            \
    if (!(cond)) {                                                                \
      std::fprintf(stderr, "%s:%d: check failed: %s (%s)\n", __FILE__, __LINE__, \
                   #cond, what);                                                  \
      std::abort();                                                               \
    }                                                                             \
  } while (0)

// The bytes of one fuzz input as a text.
inline std::string_view inputText(const uint8_t* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

// One file per fuzzing process in the temporary folder, rewritten for every
// input and removed when the process ends normally.
class ScratchFile {
 public:
  ScratchFile() {
    const char* dir = std::getenv("TMPDIR");
    path_ = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/hv-fuzz-" +
            std::to_string(static_cast<long>(::getpid())) + ".src";
  }
  ~ScratchFile() { std::remove(path_.c_str()); }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  // Replaces the file's content by `bytes`; returns the path. The file is
  // overwritten in place and then cut to length: emptying it first would make
  // some file systems write it out to disk on every input.
  const std::string& write(std::string_view bytes) {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT, 0600);
    FUZZ_CHECK(fd >= 0, "cannot open the scratch source file");
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
      FUZZ_CHECK(n > 0, "cannot write the scratch source file");
      done += static_cast<std::size_t>(n);
    }
    FUZZ_CHECK(::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0, "cannot cut the scratch source file");
    FUZZ_CHECK(::close(fd) == 0, "cannot close the scratch source file");
    return path_;
  }

 private:
  std::string path_;
};

#endif  // HV_FUZZ_FUZZ_SUPPORT_H
