// The field splitter of the delimited (dta) booking lines and the list of
// fields it yields.
//
// A line holds fields separated by commas; a field may be enclosed in double
// quotes, inside which commas and blanks are ordinary characters and a doubled
// quote stands for one quote. Blanks before a field are dropped, nothing else is
// trimmed. The line ends at its first NUL, LF or CR.
#ifndef HV_READERS_FIELD_LIST_H
#define HV_READERS_FIELD_LIST_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The fields of one line, in line order. Owns its field texts. The slots grow
// in steps of 10 (10, 20, 30, ...), visible through capacity(). A list always
// holds at least one field: a line without fields has no list at all.
class FieldList {
 public:
  static constexpr int32_t kGrowth = 10;

  FieldList();
  FieldList(const FieldList&) = delete;
  FieldList& operator=(const FieldList&) = delete;

  int32_t count() const { return static_cast<int32_t>(fields_.size()); }
  int32_t capacity() const { return capacity_; }
  // Field i (0 to count() - 1).
  const std::string& field(int32_t i) const { return fields_[static_cast<std::size_t>(i)]; }
  const std::vector<std::string>& fields() const { return fields_; }

  // Copies `text` into the next slot, first adding 10 slots when all are used.
  // Throws std::bad_alloc when memory runs out; the list is then unchanged.
  void append(std::string_view text);

 private:
  std::vector<std::string> fields_;
  int32_t capacity_ = 0;
};

// A field keeps at most this many characters; the rest of a longer field is
// read past and dropped.
constexpr std::size_t kMaxFieldLength = 249;

// The fields of `line`; null when the line holds no field (empty, or blanks
// only). The caller owns the list.
std::unique_ptr<FieldList> splitFields(std::string_view line);

// Appends a copy of `text` to the list in `holder`, creating the list first when
// `holder` is null. 1 when the field was added, 0 when memory ran out (the
// holder then holds the list unchanged, or null when it could not be created).
int appendField(std::unique_ptr<FieldList>& holder, std::string_view text);

// Frees the list and all its fields; a null list is accepted. Returns 0.
int releaseFields(std::unique_ptr<FieldList> list);

#endif  // HV_READERS_FIELD_LIST_H
