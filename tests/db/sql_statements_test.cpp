// The statement texts the store builds, compared with texts assembled here
// from the statements' description (clauses and the exact runs of blanks
// between them), and the value rules: quote doubling, date texts, the NULL
// cost centre, numbers.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "db/lookup_statements.h"
#include "db/sql_statements.h"
#include "described_texts.h"

namespace {

// The text `build` appends to an empty statement buffer.
template <typename Build>
std::string built(Build build) {
  StatementText text;
  build(text);
  return text.str();
}

std::string insertText(const BookingRecord& record) {
  return built([&](StatementText& t) { appendBookingInsert(t, record); });
}

BookingRecord fullRecord() {
  BookingRecord r;
  r.BewSch = "S1";
  r.BewTID = "BDE6251";
  r.BewLID = "01";
  r.BewIDN = "4711";
  r.BewSto = "0";
  r.BewDtm = "20240131000000";
  r.BewUhr = "20240131235959";
  r.BewLfn = "7";
  r.BewArt = "K01";
  r.BewTas = "03";
  r.BewEra = "E";
  r.BewKze = "K";
  r.BewBer = "1";
  r.BewErq = "EQ";
  r.BewSta = -12;
  r.BewKst = "1234";
  r.BewQua = "Q";
  r.BewRes = "rest";
  r.BewSrc = "40p";
  return r;
}

// The values of fullRecord() as the insert carries them, `changes` (index,
// value) made.
std::vector<std::string> fullValues(const std::vector<std::pair<std::size_t, std::string>>& changes = {}) {
  const std::string dtm = "2024-01-31 00:00:00", uhr = "2024-01-31 23:59:59";
  std::vector<std::string> v = {"S1", "BDE6251", "01", "4711", "0",  "'1234'", dtm, uhr,   "7",   "K01",
                                "03", "E",       "K",  "1",    "EQ", "-12",    "Q", "40p", "rest"};
  for (const auto& [index, value] : changes) v[index] = value;
  return v;
}

struct InsertCase {
  const char* name;
  BookingRecord record;
  std::vector<std::string> values;
};

TEST(BookingInsertText, MatchesTheDescribedStatement) {
  BookingRecord quoted = fullRecord();
  quoted.BewIDN = "O'Brien";
  quoted.BewKst = "K'1";
  quoted.BewRes = "'";
  BookingRecord noCostCentre = fullRecord();
  noCostCentre.BewKst = "";
  // Bytes behind a date field's terminator, as the dta reader's time part
  // leaves them behind a short date, are no part of it.
  BookingRecord shortDate = fullRecord();
  shortDate.BewDtm = "2024";
  shortDate.BewDtm.overwrite(8, "000000");
  ASSERT_EQ(shortDate.BewDtm.str(), "2024");
  BookingRecord clearedAfterUse = fullRecord();
  clearedAfterUse.clear();
  const std::vector<std::string> cleared = {"", "", "", "", "", "NULL", "-- ::", "-- ::", "", "",
                                            "", "", "", "", "", "0",    "",      "",      ""};
  const std::vector<InsertCase> cases = {
      {"cleared after use", clearedAfterUse, cleared},
      {"full record", fullRecord(), fullValues()},
      {"cleared record", BookingRecord(), cleared},
      {"quotes doubled", quoted, fullValues({{3, "O''Brien"}, {5, "'K''1'"}, {18, "''"}})},
      {"no cost centre: NULL", noCostCentre, fullValues({{5, "NULL"}})},
      {"date ends with its field's text", shortDate, fullValues({{6, "2024-- ::"}})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(insertText(c.record), describedInsert(c.values));
  }
}

TEST(BookingInsertText, FixedPartHasTheDescribedLength) {
  // The empty record leaves only the fixed text, "NULL", the separators of the
  // two dates and the '0' of BewSta.
  const std::string text = insertText(BookingRecord());
  EXPECT_EQ(text.size(), describedInsert({"", "", "", "", "", "NULL", "-- ::", "-- ::", "", "", "", "", "",
                                          "", "", "0", "", "", ""})
                             .size());
  EXPECT_EQ(text.find("  VALUES ('', '', '',          '', '', NULL ,"), text.find("  VALUES"));
}

TEST(BookingInsertText, LongerThan1024CharactersStaysWhole) {
  // Every text field full of quotes: each doubles, well past 1024 characters.
  BookingRecord r;
  r.BewTID = std::string(255, '\'');
  r.BewIDN = std::string(50, '\'');
  r.BewRes = std::string(136, '\'');
  r.BewKst = std::string(30, '\'');
  const std::string text = insertText(r);
  EXPECT_GT(text.size(), 1024u);
  const auto q = [](int n) { return std::string(static_cast<std::size_t>(n), '\''); };
  EXPECT_EQ(text, describedInsert({"", q(510), "", q(100), "", "'" + q(60) + "'", "-- ::", "-- ::", "", "",
                                   "", "", "", "", "", "0", "", "", q(272)}));
}

TEST(BookingInsertText, DateTextsForEveryLengthAndAQuoteOrZeroAnywhere) {
  // Digits of every length up to the field's width, other characters, and 14
  // digits with a quote or a zero byte at each place.
  std::vector<std::string> fields = {"abcdefghijklmn"};
  for (std::size_t n = 0; n <= 19; ++n) fields.push_back(std::string("20240131235959abcde").substr(0, n));
  for (std::size_t at = 0; at < 14; ++at) {
    for (const char c : {'\'', '\0'}) {
      std::string f = "20240131235959";
      f[at] = c;
      fields.push_back(f);
    }
  }
  for (const std::string& f : fields) {
    SCOPED_TRACE("date field of " + std::to_string(f.size()) + " bytes: " + f.substr(0, f.find('\0')));
    BookingRecord r = fullRecord();
    r.BewDtm = std::string_view(f.data(), f.size());
    r.BewUhr = std::string_view(f.data(), f.size());
    EXPECT_EQ(insertText(r),
              describedInsert(fullValues({{6, describedDateText(f)}, {7, describedDateText(f)}})));
  }
}

TEST(QuotedValue, DoublesEverySingleQuote) {
  const struct {
    std::string in;
    const char* out;
  } cases[] = {{"", ""},           {"abc", "abc"},          {"'", "''"},
               {"O'Brien", "O''Brien"}, {"''x'", "''''x''"}, {std::string("a\0'b", 4), "a"},
               {"\"q\"", "\"q\""}};
  for (const auto& c : cases) {
    EXPECT_EQ(built([&](StatementText& t) { appendQuoted(t, c.in); }), c.out) << "value \"" << c.in << "\"";
    const FixedText<9> field(c.in);
    EXPECT_EQ(built([&](StatementText& t) { appendQuoted(t, field); }), c.out) << "field \"" << c.in << "\"";
  }
}

// The lookups' texts as the store builds them, one LookupStatements for all.
struct Lookups {
  LookupStatements statements;
  std::string kidKst(const std::string& t, int32_t n) {
    return built([&](StatementText& x) { statements.appendKidKst(x, t, n); });
  }
  std::string ttaFcd(const std::string& t, int32_t n) {
    return built([&](StatementText& x) { statements.appendTtaFcd(x, t, n); });
  }
  std::string ttaAps(const std::string& t) {
    return built([&](StatementText& x) { statements.appendTtaAps(x, t); });
  }
  std::string zlsKst(const std::string& t, int32_t n) {
    return built([&](StatementText& x) { statements.appendZlsKst(x, t, n); });
  }
};

// One LookupStatements for all texts: it keeps the pieces of the last
// terminal name and must notice every other name, also one of equal length;
// numbers of every width, both signs.
TEST(LookupTexts, EveryTerminalAndNumberGetTheDescribedText) {
  const std::vector<std::string> terminals = {"BDE6251", "BDE6252", "BDE6251", "", "O'Neil", "a''b",
                                              std::string("T\0X", 3), std::string("T\0Y", 3), "T",
                                              std::string(49, 'n'), std::string(49, '\''), "BDE6251"};
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  const int32_t numbers[] = {0,    1,    9,     10,    99,     100,        101,         999,
                             1000, 4711, 65535, 99999, 100000, 2147483646, 2147483647,  -1,
                             -5,   -9,   -10,   -99,   -100,   -4711,      -2147483647, kMin};
  Lookups l;
  for (const std::string& t : terminals) {
    const std::string quoted = quotesDoubled(t);
    for (const int32_t n : numbers) {
      SCOPED_TRACE("terminal [" + t + "] number " + std::to_string(n));
      EXPECT_EQ(l.kidKst(t, n), describedKidKst(quoted, std::to_string(n)));
      EXPECT_EQ(l.ttaFcd(t, n), describedTtaFcd(quoted, std::to_string(n)));
      EXPECT_EQ(l.zlsKst(t, n), describedZlsKst(quoted, std::to_string(n)));
      EXPECT_EQ(l.ttaAps(t), describedTtaAps(quoted));
    }
  }
  // The described texts themselves, spot-checked against their known lengths.
  EXPECT_EQ(describedZlsKst("%s", "%ld").size(), 80u);
  EXPECT_EQ(describedTtaAps("%s").size(), 203u);
}

TEST(CanteenText, MatchesTheDescribedStatement) {
  // Arguments: schema, port, function, date, time, kind, badge, Bon value.
  EXPECT_EQ(built([](StatementText& t) {
              appendCanteenInsert(t, "HvKantine", "01", "_K", "20240131", "1234", "K02", "12345678", "0001");
            }),
            describedCanteen("HvKantine", {"01", "_K", "20240131", "1234", "K02", "12345678", "0001"}));
  EXPECT_EQ(
      built([](StatementText& t) { appendCanteenInsert(t, "dbo", "01", "_K", "", "", "", "O'B", "0000"); }),
      describedCanteen("dbo", {"01", "_K", "", "", "", "O''B", "0000"}));
}

}  // namespace
