// The field splitter of the dta lines against a second, plain reading of the
// line grammar: for every line both must give the same fields in the same
// order, or none at all. Also the list's own promises: at least one field for
// a line that has any, slots in steps of 10, no field longer than the field
// buffer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "readers/field_list.h"

namespace {

bool endsLine(char c) { return c == '\0' || c == '\n' || c == '\r'; }

// The grammar written out once more, character by character: blanks before a
// field are dropped, a quoted field runs to its closing quote (a doubled quote
// is one quote character), an unquoted one to the next comma, and an empty
// field is added at the line end only right after a comma that closed an
// unquoted field. A field keeps its first kMaxFieldLength characters.
class PlainSplit {
 public:
  explicit PlainSplit(std::string_view line) : line_(line) {}

  // False when the line yields no list.
  bool run(std::vector<std::string>& fields) {
    bool commaClosedUnquoted = false;
    for (;;) {
      std::string field;
      while (at(pos_) == ' ') ++pos_;
      const char c = at(pos_);
      if (endsLine(c)) {
        if (commaClosedUnquoted) fields.push_back(field);
        return !fields.empty();
      }
      commaClosedUnquoted = false;
      if (c == ',') {
        fields.push_back(field);
        ++pos_;
        continue;
      }
      if (c == '"') {
        ++pos_;
        for (;;) {
          const char d = at(pos_);
          if (endsLine(d)) break;
          if (d == '"' && at(pos_ + 1) == '"') {
            keep(field, '"');
            pos_ += 2;
            continue;
          }
          if (d == '"') {
            pos_ += at(pos_ + 1) == ',' ? 2 : 1;
            break;
          }
          keep(field, d);
          ++pos_;
        }
      } else {
        for (;;) {
          const char d = at(pos_);
          if (endsLine(d)) break;
          ++pos_;
          if (d == ',') {
            commaClosedUnquoted = true;
            break;
          }
          keep(field, d);
        }
      }
      fields.push_back(field);
    }
  }

 private:
  char at(std::size_t i) const { return i < line_.size() ? line_[i] : '\0'; }
  static void keep(std::string& field, char c) {
    if (field.size() < kMaxFieldLength) field += c;
  }

  std::string_view line_;
  std::size_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view line = inputText(data, size);
  std::vector<std::string> expected;
  const bool hasFields = PlainSplit(line).run(expected);

  FieldList list;
  FUZZ_CHECK(splitFieldsInto(line, list) == hasFields, "fields exactly when the line holds a field");
  FUZZ_CHECK(list.capacity() % FieldList::kGrowth == 0, "slots grow in steps of 10");
  if (hasFields) {
    FUZZ_CHECK(list.count() >= 1, "a line with fields yields at least one");
    FUZZ_CHECK(list.capacity() >= list.count() && list.capacity() - list.count() < FieldList::kGrowth,
               "no more slots than the fields need");
  }
  std::vector<std::string> fields;
  for (int32_t i = 0; i < list.count(); ++i) fields.emplace_back(list.field(i));
  FUZZ_CHECK(fields == expected, "the fields of the line grammar");
  for (const std::string& f : fields) {
    FUZZ_CHECK(f.size() <= kMaxFieldLength, "a field fits the field buffer");
  }
  return 0;
}
