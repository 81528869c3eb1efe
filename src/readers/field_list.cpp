#include "readers/field_list.h"

#include <new>
#include <utility>

FieldList::FieldList() {
  fields_.reserve(kGrowth);
  capacity_ = kGrowth;
}

void FieldList::append(std::string_view text) {
  std::string copy(text);
  if (count() == capacity_) {
    fields_.reserve(static_cast<std::size_t>(capacity_) + kGrowth);
    capacity_ += kGrowth;
  }
  fields_.push_back(std::move(copy));  // within the reserved slots: cannot fail
}

int appendField(std::unique_ptr<FieldList>& holder, std::string_view text) {
  try {
    if (!holder) holder = std::make_unique<FieldList>();
    holder->append(text);
    return 1;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int releaseFields(std::unique_ptr<FieldList> list) {
  list.reset();
  return 0;
}

namespace {

constexpr char kComma = ',';
constexpr char kQuote = '"';
constexpr char kBlank = ' ';

bool endsLine(char c) { return c == '\0' || c == '\n' || c == '\r'; }

// Walks one line left to right. The last-seen character is the last one looked
// at inside a field; a line end met right after a comma that closed an unquoted
// field adds one empty field.
class Splitter {
 public:
  explicit Splitter(std::string_view line) : line_(line) {}

  std::unique_ptr<FieldList> run() {
    for (;;) {
      field_.clear();
      while (at(pos_) == kBlank) ++pos_;
      const char c = at(pos_);
      if (endsLine(c)) {
        if (lastSeen_ == kComma) add();
        return std::move(list_);
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
  void keep(char c) {
    if (field_.size() < kMaxFieldLength) field_ += c;
  }

  // A failed append leaves the field out; the split goes on.
  void add() { (void)appendField(list_, field_); }

  // The rest of a field after its first character (unquoted) or its opening
  // quote (quoted), up to and including what ends it.
  void readField(char terminator) {
    for (;;) {
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
      keep(d);
      ++pos_;
    }
  }

  std::string_view line_;
  std::size_t pos_ = 0;
  char lastSeen_ = '\0';
  std::string field_;
  std::unique_ptr<FieldList> list_;
};

}  // namespace

std::unique_ptr<FieldList> splitFields(std::string_view line) {
  return Splitter(line).run();
}
