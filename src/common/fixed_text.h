// FixedText<N>: a zero-terminated single-byte text in a buffer of N bytes, as the
// booking record and the work texts of the import hold them. It can never be
// written past its end: every assignment keeps at most N - 1 bytes, stops at the
// first zero byte of its source, and leaves the rest of the buffer zero.
#ifndef HV_COMMON_FIXED_TEXT_H
#define HV_COMMON_FIXED_TEXT_H

#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

template <std::size_t N>
class FixedText {
  static_assert(N >= 1, "a text field needs room for its terminator");

 public:
  static constexpr std::size_t kWidth = N;         // bytes, terminator included
  static constexpr std::size_t kMaxLength = N - 1;  // characters

  FixedText() { clear(); }
  FixedText(std::string_view text) { assign(text); }  // NOLINT: texts convert freely

  FixedText& operator=(std::string_view text) {
    assign(text);
    return *this;
  }

  // All bytes zero: the empty text.
  void clear() { buf_.fill('\0'); }

  // Bounded copy: the first zero byte of `text` ends it, at most N - 1 bytes are
  // kept, and every byte behind the copy is zero.
  void assign(std::string_view text) {
    const char* from = text.data();
    const std::size_t limit = text.size() < kMaxLength ? text.size() : kMaxLength;
    std::size_t n = 0;
    if (limit <= kByteByByte) {
      while (n < limit && from[n] != '\0') {
        buf_[n] = from[n];
        ++n;
      }
    } else {
      // Longer texts: the library's search and copy (the text may be this
      // one's own, hence memmove).
      const void* zero = std::memchr(from, '\0', limit);
      n = zero == nullptr ? limit : static_cast<std::size_t>(static_cast<const char*>(zero) - from);
      std::memmove(buf_.data(), from, n);
    }
    for (; n < N; ++n) buf_[n] = '\0';
  }

  // Bounded copy of a byte range taken from a source record.
  void assign(const char* bytes, std::size_t count) { assign(std::string_view(bytes, count)); }

  // Appends as much of `text` as fits (up to its first zero byte).
  void append(std::string_view text) {
    std::size_t n = size();
    for (std::size_t i = 0; i < text.size() && n < kMaxLength && text[i] != '\0'; ++i) {
      buf_[n++] = text[i];
    }
  }

  // Writes raw bytes at byte offset `pos` without moving the terminator, as a
  // C program writing into the middle of a cleared field would; bytes that would
  // land on or past the last byte are dropped, so the text stays terminated.
  void overwrite(std::size_t pos, std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size() && pos + i < kMaxLength; ++i) buf_[pos + i] = bytes[i];
  }

  const char* c_str() const { return buf_.data(); }
  std::size_t size() const { return ::strnlen(buf_.data(), N); }
  bool empty() const { return buf_[0] == '\0'; }
  std::string_view view() const { return std::string_view(buf_.data(), size()); }
  std::string str() const { return std::string(view()); }
  char operator[](std::size_t i) const { return buf_[i]; }

  // The whole buffer, for ODBC binding and byte-level checks.
  char* data() { return buf_.data(); }
  const char* data() const { return buf_.data(); }

  friend bool operator==(const FixedText& a, std::string_view b) { return a.view() == b; }
  friend bool operator!=(const FixedText& a, std::string_view b) { return a.view() != b; }
  friend bool operator==(const FixedText& a, const FixedText& b) { return a.view() == b.view(); }

 private:
  // Up to this many characters a byte loop copies faster than library calls.
  static constexpr std::size_t kByteByByte = 8;

  std::array<char, N> buf_;
};

#endif  // HV_COMMON_FIXED_TEXT_H
