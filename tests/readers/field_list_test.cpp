#include "readers/field_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/field_texts.h"

namespace {

// The line with its control characters made visible, for failure messages.
std::string shown(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\0': out += "\\0"; break;
      default: out += c;
    }
  }
  return "[" + out + "]";
}

// The fields of `line` from a fresh list, checked against a list refilled line
// after line (one for all the tests' lines, as the dta reader keeps one).
std::vector<std::string> fieldsOf(std::string_view line) {
  static FieldList reused;
  const bool found = splitFieldsInto(line, reused);
  const std::vector<std::string> fresh = fieldTextsOf(line);
  EXPECT_EQ(found, !fresh.empty()) << shown(line);
  std::vector<std::string> refilled;
  for (int32_t i = 0; i < reused.count(); ++i) refilled.emplace_back(reused.field(i));
  EXPECT_EQ(refilled, fresh) << shown(line);
  return fresh;
}

struct SplitCase {
  std::string line;
  std::vector<std::string> fields;
};

TEST(SplitFields, LinesWithoutFieldsYieldNoList) {
  const std::vector<std::string> lines = {"", "\n", "\r\n", "   ", "  \n", "  \r\n", "\r", std::string("\0a,b", 4),
                                          "\na,b"};
  for (const std::string& line : lines) {
    FieldList list;
    EXPECT_FALSE(splitFieldsInto(line, list)) << shown(line);
    EXPECT_EQ(list.count(), 0) << shown(line);
    EXPECT_EQ(fieldsOf(line), std::vector<std::string>{}) << shown(line);
  }
}

TEST(SplitFields, Grammar) {
  const std::vector<SplitCase> cases = {
      // plain fields and line ends
      {"a,b", {"a", "b"}},
      {"a,b\n", {"a", "b"}},
      {"a,b\r\n", {"a", "b"}},
      {"a,b\rc,d", {"a", "b"}},
      {"a,b\nc,d", {"a", "b"}},
      {std::string("a,b\0c", 5), {"a", "b"}},
      {"a", {"a"}},
      // a comma that closed an unquoted field right before the line end
      {"a,b,", {"a", "b", ""}},
      {"a,b,   ", {"a", "b", ""}},
      {"a,b,  \r\n", {"a", "b", ""}},
      {"a, b ,", {"a", "b ", ""}},
      // empty fields
      {"a,,b", {"a", "", "b"}},
      {"a,,", {"a", ""}},
      {"a,b,,", {"a", "b", ""}},
      {",", {""}},
      {",,", {"", ""}},
      {" ,a", {"", "a"}},
      {",a", {"", "a"}},
      // blanks: dropped before a field only; a tab is an ordinary character
      {" a  , b", {"a  ", "b"}},
      {"a ,\"b\"", {"a ", "b"}},
      {"\ta,b\t", {"\ta", "b\t"}},
      // quoted fields
      {"\"x, y\"", {"x, y"}},
      {"\"a\"\"b\"", {"a\"b"}},
      {"\"\"\"\"", {"\""}},
      {"\"a\"\"\"", {"a\""}},
      {"\"\"", {""}},
      {"\"\",", {""}},
      {"\"ab\",", {"ab"}},
      {"\"ab\",\r\n", {"ab"}},
      {"\"ab\" ", {"ab"}},
      {"\"ab\",\"cd\"", {"ab", "cd"}},
      {"\"ab\"cd,e", {"ab", "cd", "e"}},
      {"\"ab\" ,x", {"ab", "", "x"}},
      {"\"ab\"\"", {"ab\""}},
      {"\"ab\"\"cd\",e", {"ab\"cd", "e"}},
      // an unclosed quoted field runs to the line end
      {"\"ab,cd", {"ab,cd"}},
      {"\"ab,cd\r\n", {"ab,cd"}},
      {"a,\"b ,", {"a", "b ,"}},
      // a quote inside an unquoted field is an ordinary character
      {"a\"b,c", {"a\"b", "c"}},
      {"ab\",c\"", {"ab\"", "c\""}},
      // bytes 0x80 to 0xFF are ordinary characters
      {"unzul\xE4ssig,\xFF", {"unzul\xE4ssig", "\xFF"}},
      // a dta line
      {"T1,07,4711,20240131,20240131235959,K02,100,SO=37136,Kostenstelle=0042\r\n",
       {"T1", "07", "4711", "20240131", "20240131235959", "K02", "100", "SO=37136", "Kostenstelle=0042"}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE("line " + shown(c.line));
    EXPECT_EQ(fieldsOf(c.line), c.fields);
  }
}

TEST(SplitFields, LongFieldsAreCutTo249Characters) {
  const std::string max(kMaxFieldLength, 'x');
  const std::vector<SplitCase> cases = {
      {max, {max}},
      {max + "y", {max}},
      {std::string(497, 'z') + "\n", {std::string(kMaxFieldLength, 'z')}},
      {std::string(300, 'a') + ",b", {std::string(kMaxFieldLength, 'a'), "b"}},
      {"\"" + std::string(300, 'q') + "\",b", {std::string(kMaxFieldLength, 'q'), "b"}},
      {"\"" + std::string(248, 'q') + "\"\"\"\"x\",b", {std::string(248, 'q') + "\"", "b"}},
      {"a," + std::string(260, ' ') + std::string(260, 'c') + ",", {"a", std::string(kMaxFieldLength, 'c'), ""}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE("line of " + std::to_string(c.line.size()) + " bytes: " + shown(c.line.substr(0, 20)));
    EXPECT_EQ(fieldsOf(c.line), c.fields);
  }
}

TEST(SplitFields, ListGrowsByTenSlots) {
  struct Case {
    int fields;
    int capacity;
  };
  const std::vector<Case> cases = {{1, 10}, {9, 10}, {10, 10}, {11, 20}, {20, 20}, {21, 30}, {45, 50}};
  for (const Case& c : cases) {
    std::string line;
    std::vector<std::string> expected;
    for (int i = 0; i < c.fields; ++i) {
      expected.push_back("f" + std::to_string(i));
      line += (i > 0 ? "," : "") + expected.back();
    }
    SCOPED_TRACE(line);
    FieldList list;
    ASSERT_TRUE(splitFieldsInto(line, list));
    EXPECT_EQ(list.count(), c.fields);
    EXPECT_EQ(list.capacity(), c.capacity);
    EXPECT_EQ(fieldsOf(line), expected);
  }
}

}  // namespace
