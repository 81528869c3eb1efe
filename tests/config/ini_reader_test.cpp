// The configuration file reader: field positions and copies, the matching rule
// over line pairs, line lengths, field bounds and the quirks of the format.
#include "config/ini_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "config/value_crypt.h"
#include "support/temp_dir.h"

namespace {

std::string enc(std::string_view text) { return encryptValue(text, kConfigKey); }

TEST(FindCharTest, GivesTheNthOrTheLastOccurrence) {
  struct Case {
    std::string text;
    int n;
    int expected;
  };
  const Case cases[] = {
      {"a;b;c", 1, 1}, {"a;b;c", 2, 3}, {"a;b;c", 3, 3}, {";;", 2, 1},  {"x;", 2, 1},
      {"abc", 1, -1},  {"", 1, -1},     {";", 1, 0},     {"a;b\n", 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("text \"" + c.text + "\" n " + std::to_string(c.n));
    EXPECT_EQ(findChar(c.text, ';', c.n), c.expected);
  }
}

TEST(SubStringTest, CopiesLengthOrRestOrNothing) {
  struct Case {
    std::string text;
    int start;
    int length;
    std::string expected;  // dest starts as "old"
  };
  const Case cases[] = {
      {"abcdef", 1, 3, "bcd"},  {"abcdef", 2, 0, "cdef"}, {"abc\n", 0, 0, "abc\n"},
      {"abcdef", 1, -1, "old"}, {"abcdef", 0, -7, "old"}, {"abc", 3, 0, ""},
      {"abc", 1, 10, "bc"},     {"abc", 0, 3, "abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("text \"" + c.text + "\" start " + std::to_string(c.start) + " length " +
                 std::to_string(c.length));
    std::string dest = "old";
    subString(c.text, c.start, c.length, dest);
    EXPECT_EQ(dest, c.expected);
  }
}

struct LookupCase {
  const char* what;
  std::string content;
  std::string group;
  std::string key;
  int32_t number;
  std::string expected;
};

void runLookups(const LookupCase* begin, const LookupCase* end) {
  const ScopedTempDir dir;
  const std::string path = dir.file("Horavelle.Ini");
  for (const LookupCase* c = begin; c != end; ++c) {
    SCOPED_TRACE(testing::Message() << c->what << ": group \"" << c->group << "\" key \"" << c->key
                                    << "\" number " << c->number << "\nfile:\n" << c->content);
    writeFileBytes(path, c->content);
    EXPECT_EQ(getIniValue(c->group, c->key, c->number, path), c->expected);
  }
}

const std::string kTwoPairs = ";Datenbank;\n1;LOGIN;" + enc("sa") + "\n;Datenbank;\n2;PASS;" + enc("geheim") + "\n";

TEST(GetIniValueTest, MatchesGroupOrKeyOrNumber) {
  const LookupCase cases[] = {
      {"key", kTwoPairs, "", "PASS", 0, "geheim"},
      {"key of the first pair", kTwoPairs, "", "LOGIN", 0, "sa"},
      {"group alone", kTwoPairs, "Datenbank", "none", 99, "sa"},
      {"number alone", kTwoPairs, "other", "none", 2, "geheim"},
      {"case-sensitive key", kTwoPairs, "x", "pass", 9, ""},
      {"no blanks trimmed", kTwoPairs, "x", "PASS ", 9, ""},
      {"missing key", kTwoPairs, "x", "SCHEMA", 9, ""},
      {"CR LF line ends", ";Datenbank;\r\n1;LOGIN;" + enc("sa") + "\r\n;Datenbank;\r\n2;PASS;" +
                              enc("geheim") + "\r\n", "", "PASS", 0, "geheim"},
      {"first of two equal keys", kTwoPairs + ";G;\n3;PASS;" + enc("zweites") + "\n", "", "PASS", 0,
       "geheim"},
      {"text ends at 0x1A", ";G;\n1;A;" + enc("a") + "\n\x1A;G;\n2;B;" + enc("b") + "\n", "", "B", 0,
       ""},
      {"empty file", "", "", "A", 0, ""},
  };
  runLookups(std::begin(cases), std::end(cases));
}

TEST(GetIniValueTest, KeepsTheQuirksOfTheLineFormat) {
  const std::string b = ";G;\n2;B;" + enc("b") + "\n";
  const LookupCase cases[] = {
      {"odd line count: last line is a group line", ";G;\n1;A;" + enc("a") + "\n;G;\n", "", "B", 0,
       ""},
      {"entry without line feed reads empty", ";G;\n1;A;" + enc("a"), "", "A", 0, ""},
      {"group line with one semicolon matches the empty group", ";G\n1;A;" + enc("a") + "\n" + b, "",
       "B", 0, "a"},
      {"group line without semicolon matches the empty group", "G\n1;A;" + enc("a") + "\n" + b, "",
       "B", 0, "a"},
      {"non-numeric number reads as 0", ";G;\nX;A;" + enc("a") + "\n" + b, "", "B", 0, "a"},
      {"\";;\" group is the rest of the line", ";;\n1;A;" + enc("a") + "\n" + b, "", "B", 0, "b"},
      {"\";;\" group includes the line feed", ";;\n1;A;" + enc("a") + "\n" + b, ";\n", "none", 9,
       "a"},
      {"empty value field is the line feed", ";G;\n1;A;\n;G;\n2;A;" + enc("a") + "\n", "", "A", 0,
       ""},
      {"entry line without semicolon is the value", ";G;\n" + enc("whole"), "x", "y", 0, "whole"},
      {"entry line with one semicolon has no key", ";G;\n5;A" + enc("a") + "\n" + b, "", "B", 0, "b"},
      {"blank filler stays part of the value", ";G;\n1;A;" + enc("ab  ") + "\n", "", "A", 0, "ab  "},
      {"plaintext ends at a zero byte", ";G;\n1;A;" + enc(std::string("ab\0cd", 5)) + "\n", "", "A",
       0, "ab"},
      {"lower-case hex is taken as it stands", ";G;\n1;A;0123456789abcdef\n", "", "A", 0,
       decodeIniValue("0123456789abcdef")},
  };
  runLookups(std::begin(cases), std::end(cases));
}

TEST(GetIniValueTest, ReadsNumbersAsAtoiDoes) {
  struct Case {
    std::string text;
    int32_t number;
  };
  const Case cases[] = {
      {"7", 7},
      {"  7", 7},
      {"\t-12", -12},
      {"+7", 7},
      {"7x", 7},
      {"00000000007", 7},                                        // 11 characters: whole
      {"000000000007", 0},                                       // 12: cut to 11 zeros
      {"99999999999", std::numeric_limits<int32_t>::max()},      // stops at the limit
      {"-9999999999", std::numeric_limits<int32_t>::min()},
      {"-2147483648", std::numeric_limits<int32_t>::min()},
  };
  const ScopedTempDir dir;
  const std::string path = dir.file("Horavelle.Ini");
  for (const Case& c : cases) {
    SCOPED_TRACE("number text \"" + c.text + "\"");
    writeFileBytes(path, ";G;\n" + c.text + ";A;" + enc("hit") + "\n");
    EXPECT_EQ(getIniValue("x", "y", c.number, path), "hit");
    EXPECT_EQ(getIniValue("x", "y", c.number == 1 ? 2 : 1, path), "");
  }
}

TEST(GetIniValueTest, CutsLongFieldsToTwoHundredCharacters) {
  const std::string key200(200, 'K');
  const std::string key250(250, 'K');
  const std::string fits = std::string(96, 'v');   // 12 blocks: 192 hex characters
  const std::string tooLong = std::string(97, 'v');  // 13 blocks: 208, cut to 200
  const LookupCase cases[] = {
      {"key cut to 200 matches its first 200", ";G;\n1;" + key250 + ";" + enc("k") + "\n", "x",
       key200, 9, "k"},
      {"key of 250 asked for never matches", ";G;\n1;" + key250 + ";" + enc("k") + "\n", "x", key250,
       9, ""},
      {"value of 192 characters", ";G;\n1;A;" + enc(fits) + "\n", "x", "A", 9, fits},
      {"value of 208 characters cut to 200 reads empty", ";G;\n1;A;" + enc(tooLong) + "\n", "x", "A",
       9, ""},
  };
  runLookups(std::begin(cases), std::end(cases));
}

TEST(GetIniValueTest, LongLinesGoOnAsTheNextLine) {
  // The same two entry lines behind a group line of 198 or of 199 characters.
  const std::string entries = "1;A;" + enc("a") + "\n2;B;" + enc("b") + "\n";
  const std::string fits = ";G;" + std::string(195, 'g') + "\n" + entries;
  const std::string shifts = ";G;" + std::string(196, 'g') + "\n" + entries;
  // An entry line of 398 characters and its line feed fill the 400-byte buffer.
  const std::string key = std::string(200, 'K');
  const std::string entry398 = "0001;" + key + ";" + enc(std::string(96, 'v'));
  ASSERT_EQ(entry398.size(), 398u);
  const LookupCase cases[] = {
      {"group line of 198 characters", fits, "x", "A", 9, "a"},
      {"behind it the second entry is a group line", fits, "x", "B", 9, ""},
      {"group line of 199 characters: its line feed is the entry", shifts, "x", "A", 9, ""},
      {"the pairs shift by one line", shifts, "x", "B", 9, "b"},
      {"the first entry is a group line", shifts, "A", "none", 9, "b"},
      {"entry line of 398 characters", ";G;\n" + entry398 + "\n", "x", key, 9, std::string(96, 'v')},
      {"entry line of 399 characters loses its line feed", ";G;\n0" + entry398 + "\n", "x", key, 9,
       ""},
  };
  runLookups(std::begin(cases), std::end(cases));
}

TEST(GetIniValueTest, UnreadableFileReadsAsEmpty) {
  const ScopedTempDir dir;
  EXPECT_EQ(getIniValue("", "LOGIN", 0, dir.file("missing.ini")), "");
  EXPECT_EQ(getIniValue("", "LOGIN", 0, dir.path()), "");
}

}  // namespace
