// StatementText: the text of one SQL statement while it is built and run. A
// growable character buffer that keeps its room from one statement to the
// next, so a run that reserves it once builds every statement without an
// allocation; appending is a bounds check and a copy. There is no length
// limit: a longer text makes more room.
#ifndef HV_DB_STATEMENT_TEXT_H
#define HV_DB_STATEMENT_TEXT_H

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

class StatementText {
 public:
  StatementText() = default;
  explicit StatementText(std::size_t room) { reserve(room); }
  StatementText(const StatementText&) = delete;
  StatementText& operator=(const StatementText&) = delete;

  // Empty again; the room stays.
  void clear() { size_ = 0; }
  // Room for at least `room` characters and a terminator in all.
  void reserve(std::size_t room);

  void append(const char* text, std::size_t count) {
    char* end = extend(count);
    if (count > 0) std::memcpy(end, text, count);
    size_ += count;
  }
  void append(std::string_view text) { append(text.data(), text.size()); }
  void push_back(char c) {
    *extend(1) = c;
    ++size_;
  }

  // Writing in place: extend() makes room for `count` more characters and
  // returns where they go; commit() takes the characters up to `end` (at most
  // that many) into the text.
  char* extend(std::size_t count) {
    if (room_ - size_ < count + 1) grow(count + 1);  // + 1: the terminator always fits
    return data_.get() + size_;
  }
  void commit(const char* end) { size_ = static_cast<std::size_t>(end - data_.get()); }

  // The text followed by a zero byte, as the driver manager takes it.
  char* terminated() {
    *extend(0) = '\0';
    return data_.get();
  }

  std::size_t size() const { return size_; }
  std::string_view view() const { return std::string_view(data_.get(), size_); }
  std::string str() const { return std::string(view()); }

 private:
  void grow(std::size_t more);

  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
  std::size_t room_ = 0;
};

inline void StatementText::reserve(std::size_t room) {
  if (room + 1 > room_) grow(room + 1 - size_);  // size_ < room_, so no wrap
}

inline void StatementText::grow(std::size_t more) {
  std::size_t room = room_ < 64 ? 64 : room_;
  while (room - size_ < more) room *= 2;
  std::unique_ptr<char[]> bigger(new char[room]);
  if (size_ > 0) std::memcpy(bigger.get(), data_.get(), size_);
  data_ = std::move(bigger);
  room_ = room;
}

#endif  // HV_DB_STATEMENT_TEXT_H
