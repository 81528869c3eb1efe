#include "readers/field_list.h"

#include <new>
#include <utility>

FieldList::FieldList() {
  ends_.reserve(kGrowth);
  capacity_ = kGrowth;
}

bool FieldList::closeField() noexcept {
  if (count() == capacity_) {
    try {
      ends_.reserve(static_cast<std::size_t>(capacity_) + kGrowth);
    } catch (const std::bad_alloc&) {
      dropPending();
      return false;
    }
    capacity_ += kGrowth;
  }
  ends_.push_back(text_.size());  // within the reserved slots: cannot fail
  return true;
}

void FieldList::clear() {
  text_.clear();
  ends_.clear();
}

namespace {

constexpr char kComma = ',';
constexpr char kQuote = '"';
constexpr char kBlank = ' ';

bool endsLine(char c) { return c == '\0' || c == '\n' || c == '\r'; }

// Walks one line left to right, building each field in place in the list. The
// last-seen character is the last one looked at inside a field; a line end met
// right after a comma that closed an unquoted field adds one empty field.
class Splitter {
 public:
  Splitter(std::string_view line, FieldList& list) : line_(line), list_(list) {}

  void run() {
    for (;;) {
      while (at(pos_) == kBlank) ++pos_;
      const char c = at(pos_);
      if (endsLine(c)) {
        if (lastSeen_ == kComma) add();
        return;
      }
      if (c == kComma) {
        lastSeen_ = '\0';
        add();
        ++pos_;
        continue;
      }
      if (c == kQuote) {
        ++pos_;
        readField(kQuote);
      } else {
        keep(c);
        ++pos_;
        readField(kComma);
      }
    }
  }

 private:
  char at(std::size_t i) const { return i < line_.size() ? line_[i] : '\0'; }

  // Characters past the field's limit are dropped.
  void keep(char c) { list_.keep(c); }

  // Keeps the characters from pos_ up to the next line end or `terminator`.
  void keepRun(char terminator) {
    const std::size_t begin = pos_;
    while (pos_ < line_.size()) {
      const char c = line_[pos_];
      if (c == terminator || endsLine(c)) break;
      ++pos_;
    }
    if (pos_ > begin) list_.keep(line_.data() + begin, pos_ - begin);
  }

  // A field without a slot is left out; the split goes on.
  void add() { (void)list_.closeField(); }

  // The rest of a field after its first character (unquoted) or its opening
  // quote (quoted), up to and including what ends it. Ordinary characters are
  // taken a run at a time; the character that ends a run is handled alone.
  void readField(char terminator) {
    for (;;) {
      keepRun(terminator);
      const char d = at(pos_);
      lastSeen_ = d;
      if (endsLine(d)) {  // the line end itself is left for the next field start
        add();
        return;
      }
      if (d == terminator && terminator == kComma) {
        ++pos_;
        add();
        return;
      }
      if (d == terminator) {  // a quote inside a quoted field
        const char e = at(pos_ + 1);
        if (e == kQuote) {
          keep(kQuote);
          pos_ += 2;
          continue;
        }
        pos_ += e == kComma ? 2 : 1;  // any other character is met by the next field
        add();
        return;
      }
    }
  }

  std::string_view line_;
  FieldList& list_;
  std::size_t pos_ = 0;
  char lastSeen_ = '\0';
};

}  // namespace

bool splitFieldsInto(std::string_view line, FieldList& list) {
  list.clear();
  try {
    list.reserve(line.size());  // a line's fields never hold more characters than the line
  } catch (const std::bad_alloc&) {
    return false;
  }
  Splitter(line, list).run();
  return list.count() > 0;
}
