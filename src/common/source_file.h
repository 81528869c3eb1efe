// SourceFile: a file opened for reading in binary mode or in Windows text mode.
// Text mode is emulated the same way on every platform: a CR LF pair is
// delivered as one LF (a CR alone stays), and a byte 0x1A ends the data.
// Binary mode delivers the bytes as stored. The file is only ever read.
#ifndef HV_COMMON_SOURCE_FILE_H
#define HV_COMMON_SOURCE_FILE_H

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

class SourceFile {
 public:
  enum class Mode { kBinary, kText };

  // Opens `path` for reading; nullptr when it cannot be opened (missing file,
  // no rights) or is no ordinary file (a folder, FIFO, device or socket).
  // Never blocks.
  static std::unique_ptr<SourceFile> open(const std::string& path, Mode mode);

  ~SourceFile();
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;

  Mode mode() const { return mode_; }

  // Seeks to the end and returns the position reached: the size on disk in
  // either mode. -1 when the seek or the position fails.
  long seekEnd();
  // Back to the first byte; clears the end-of-data state. False when it fails.
  bool rewind();

  // The next byte of the data (0..255), or -1 at the end of the data or on a
  // read error.
  int getByte() {
    // Most bytes come straight from the buffer; the slow path refills it and
    // does the text-mode work (CR LF, 0x1A).
    if (pos_ < end_) {
      const unsigned char c = static_cast<unsigned char>(buffer_[pos_]);
      if (mode_ == Mode::kBinary || (c != kCarriageReturn && c != kEndOfText)) {
        ++pos_;
        return c;
      }
    }
    return getByteSlow();
  }

  // Reads one whole item of `size` bytes into `buf`, as fread(buf, size, 1)
  // does; false when the data ends before the item is complete.
  bool readItem(char* buf, std::size_t size);

  // Reads a line as fgets does with a buffer of `cap` bytes: at most cap - 1
  // bytes, up to and including a line feed, then a terminating zero byte.
  // Returns the number of bytes read (a zero byte among them counts too); 0
  // when nothing could be read. REQUIRES: cap >= 2.
  std::size_t readLine(char* buf, std::size_t cap);

 protected:
  // Takes over `file`, opened for reading; it is closed with the SourceFile.
  SourceFile(std::FILE* file, Mode mode) : file_(file), mode_(mode) {}

 private:
  static constexpr unsigned char kCarriageReturn = '\r';
  static constexpr unsigned char kEndOfText = 0x1A;  // text mode: ends the data
  static constexpr std::size_t kBufferSize = 4096;

  int getByteSlow();
  // The next stored byte without taking it, or -1 at the end of the file.
  int peekStored();
  // Drops what the buffer holds (before a seek).
  void dropBuffer() { pos_ = end_ = 0; }

  std::FILE* file_;
  Mode mode_;
  bool ended_ = false;  // text mode: a byte 0x1A was met
  // Bytes read ahead from the file: buffer_[pos_] to buffer_[end_ - 1].
  char buffer_[kBufferSize];
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
};

#endif  // HV_COMMON_SOURCE_FILE_H
