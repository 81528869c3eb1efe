// The field splitter of the delimited (dta) booking lines and the list of
// fields it yields.
//
// A line holds fields separated by commas; a field may be enclosed in double
// quotes, inside which commas and blanks are ordinary characters and a doubled
// quote stands for one quote. Blanks before a field are dropped, nothing else is
// trimmed. The line ends at its first NUL, LF or CR.
#ifndef HV_READERS_FIELD_LIST_H
#define HV_READERS_FIELD_LIST_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A field keeps at most this many characters; the rest of a longer field is
// read past and dropped.
constexpr std::size_t kMaxFieldLength = 249;

// The fields of one line, in line order. Owns its field texts, kept one after
// the other in one text. The slots grow in steps of 10 (10, 20, 30, ...),
// visible through capacity(). The list is refilled line after line
// (splitFieldsInto), keeping its room, so that reading a file does not
// allocate per line.
class FieldList {
 public:
  static constexpr int32_t kGrowth = 10;

  FieldList();
  FieldList(const FieldList&) = delete;
  FieldList& operator=(const FieldList&) = delete;

  int32_t count() const { return static_cast<int32_t>(ends_.size()); }
  int32_t capacity() const { return capacity_; }
  // Field i (0 to count() - 1); valid until the list changes.
  std::string_view field(int32_t i) const {
    const std::size_t index = static_cast<std::size_t>(i);
    const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
    return std::string_view(text_.data() + begin, ends_[index] - begin);
  }
  // No fields any more; the room stays.
  void clear();

  // Building a field in place, as the splitter does: keep() puts a character
  // or a run of them behind the last field (at most kMaxFieldLength in all,
  // the rest are dropped), closeField() makes the characters kept since the next field,
  // dropPending() forgets them. closeField() is false when no slot could be
  // added; the characters are then dropped and the list is unchanged.
  // REQUIRES for keep(): room for the character (see reserve()).
  void keep(char c) {
    if (text_.size() - lastEnd() < kMaxFieldLength) text_.push_back(c);
  }
  void keep(const char* run, std::size_t count) {
    const std::size_t used = text_.size() - lastEnd();
    const std::size_t room = used < kMaxFieldLength ? kMaxFieldLength - used : 0;
    if (room > 0) text_.append(run, count < room ? count : room);
  }
  bool closeField() noexcept;
  void dropPending() { text_.resize(lastEnd()); }
  // Room for `characters` more characters. Throws std::bad_alloc.
  void reserve(std::size_t characters) {
    if (text_.capacity() - text_.size() < characters) text_.reserve(text_.size() + characters);
  }

 private:
  std::size_t lastEnd() const { return ends_.empty() ? 0 : ends_.back(); }

  std::string text_;               // the characters of all fields, in order
  std::vector<std::size_t> ends_;  // where field i ends in text_
  int32_t capacity_ = 0;
};

// The fields of `line` into `list`, which is cleared first; false when the
// line holds no field (empty, or blanks only; the list is then empty).
bool splitFieldsInto(std::string_view line, FieldList& list);

#endif  // HV_READERS_FIELD_LIST_H
