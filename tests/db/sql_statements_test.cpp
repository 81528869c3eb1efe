// The statement texts, compared with texts assembled here from the statements'
// description (clauses and the exact runs of blanks between them), and the
// value rules: quote doubling, date texts, the NULL cost centre, identifiers.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "db/lookup_statements.h"
#include "db/sql_statements.h"
#include "described_texts.h"

namespace {

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
  BookingRecord clearedAfterUse = fullRecord();
  clearedAfterUse.clear();
  const std::vector<InsertCase> cases = {
      {"cleared after use", clearedAfterUse,
       {"", "", "", "", "", "NULL", "-- ::", "-- ::", "", "", "", "", "", "", "", "0", "", "", ""}},
      {"full record", fullRecord(),
       {"S1", "BDE6251", "01", "4711", "0", "'1234'", "2024-01-31 00:00:00", "2024-01-31 23:59:59", "7",
        "K01", "03", "E", "K", "1", "EQ", "-12", "Q", "40p", "rest"}},
      {"cleared record", BookingRecord(),
       {"", "", "", "", "", "NULL", "-- ::", "-- ::", "", "", "", "", "", "", "", "0", "", "", ""}},
      {"quotes doubled", quoted,
       {"S1", "BDE6251", "01", "O''Brien", "0", "'K''1'", "2024-01-31 00:00:00", "2024-01-31 23:59:59",
        "7", "K01", "03", "E", "K", "1", "EQ", "-12", "Q", "40p", "''"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(bookingInsertStatement(c.record), describedInsert(c.values));
  }
}

TEST(BookingInsertText, FixedPartHasTheDescribedLength) {
  // The empty record leaves only the fixed text, "NULL", the separators of the
  // two dates and the '0' of BewSta.
  const std::string text = bookingInsertStatement(BookingRecord());
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
  const std::string text = bookingInsertStatement(r);
  EXPECT_GT(text.size(), 1024u);
  const auto q = [](int n) { return std::string(static_cast<std::size_t>(n), '\''); };
  EXPECT_EQ(text, describedInsert({"", q(510), "", q(100), "", "'" + q(60) + "'", "-- ::", "-- ::", "", "",
                                   "", "", "", "", "", "0", "", "", q(272)}));
}

TEST(BookingDateText, PiecesAndSeparators) {
  const struct {
    const char* digits;
    const char* expected;
  } cases[] = {
      {"20240131000000", "2024-01-31 00:00:00"}, {"20240131235959", "2024-01-31 23:59:59"},
      {"", "-- ::"},                             {"2024013", "2024-01-3 ::"},
      {"abcdefghijklmn", "abcd-ef-gh ij:kl:mn"}, {"2024013123595912345", "2024-01-31 23:59:59"},
      {"20", "20-- ::"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(bookingDateText(c.digits), c.expected) << "digits \"" << c.digits << "\"";
  }
}

// The date text the statement must carry for `digits` (a field's text, up to
// its first zero byte): pieces of 4, 2, 2, 2, 2, 2 with their separators,
// quotes doubled.
std::string expectedDateText(const std::string& field) {
  const std::string digits = field.substr(0, field.find('\0'));
  const struct {
    std::size_t count;
    const char* after;
  } pieces[] = {{4, "-"}, {2, "-"}, {2, " "}, {2, ":"}, {2, ":"}, {2, ""}};
  std::string text;
  std::size_t pos = 0;
  for (const auto& p : pieces) {
    if (pos < digits.size()) text += digits.substr(pos, p.count);
    text += p.after;
    pos += p.count;
  }
  std::string quoted;
  for (const char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted;
}

TEST(BookingInsertText, DateTextsForEveryLengthAndAQuoteOrZeroAnywhere) {
  // Plain digits of every length up to the field's width, and 14 digits with a
  // quote or a zero byte at each place: well-formed stamps take a short way.
  std::vector<std::string> fields;
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
    std::vector<std::string> v = {"S1", "BDE6251", "01", "4711", "0", "'1234'", expectedDateText(f),
                                  expectedDateText(f), "7", "K01", "03", "E", "K", "1", "EQ", "-12", "Q", "40p",
                                  "rest"};
    EXPECT_EQ(bookingInsertStatement(r), describedInsert(v));
  }
}

TEST(CostCentreText, NullOrQuoted) {
  EXPECT_EQ(costCentreText(""), "NULL");
  EXPECT_EQ(costCentreText("4711"), "'4711'");
  EXPECT_EQ(costCentreText("a'b"), "'a''b'");
}

TEST(SqlQuoted, DoublesEverySingleQuote) {
  const struct {
    std::string in;
    const char* out;
  } cases[] = {{"", ""},           {"abc", "abc"},          {"'", "''"},
               {"O'Brien", "O''Brien"}, {"''x'", "''''x''"}, {std::string("a\0'b", 4), "a"},
               {"\"q\"", "\"q\""}};
  for (const auto& c : cases) EXPECT_EQ(sqlQuoted(c.in), c.out) << "value \"" << c.in << "\"";
}

TEST(LookupTexts, MatchTheDescribedStatements) {
  EXPECT_EQ(kidKstStatement("BDE6251", 12), describedKidKst("BDE6251", "12"));
  EXPECT_EQ(ttaFcdStatement("BDE6251", 3), describedTtaFcd("BDE6251", "3"));
  EXPECT_EQ(ttaApsStatement("BDE6251"), describedTtaAps("BDE6251"));
  EXPECT_EQ(zlsKstStatement("BDE6251", 32), describedZlsKst("BDE6251", "32"));
  // The described texts themselves, spot-checked against their known lengths.
  EXPECT_EQ(describedZlsKst("%s", "%ld").size(), 80u);
  EXPECT_EQ(describedTtaAps("%s").size(), 203u);
}

TEST(LookupTexts, NumbersSignedAndTerminalQuoted) {
  std::vector<int32_t> numbers = {0, 1, 9, 10, 99, 100, 101, 999, 1000, 4711, 65535, 99999, 100000,
                                  2147483646, 2147483647, -1, -9, -10, -99, -100, -4711, -2147483647,
                                  std::numeric_limits<int32_t>::min()};
  for (const int32_t n : numbers) {
    EXPECT_EQ(kidKstStatement("T", n), describedKidKst("T", std::to_string(n))) << n;
    EXPECT_EQ(zlsKstStatement("T", n), describedZlsKst("T", std::to_string(n))) << n;
  }
  EXPECT_NE(kidKstStatement("T", -5).find("AND KidNum = -5    AND"), std::string::npos);
  EXPECT_NE(zlsKstStatement("T", 2147483647).find("ZlsLes = 2147483647"), std::string::npos);
  EXPECT_NE(ttaApsStatement("O'Neil").find("TrmNam = 'O''Neil'    AND"), std::string::npos);
  EXPECT_NE(ttaFcdStatement("a'b", 1).find("TrmNam = 'a''b'    AND"), std::string::npos);
}

TEST(LookupTexts, BuiltAheadPerTerminalTheSameAsOneByOne) {
  // One LookupStatements for all rows: it keeps the pieces of the last
  // terminal name and must notice every other name, also one of equal length.
  const std::vector<std::string> terminals = {"BDE6251", "BDE6252", "BDE6251", "", "O'Neil", "a''b",
                                              std::string("T\0X", 3), std::string("T\0Y", 3), "T",
                                              std::string(49, 'n'), std::string(49, '\''), "BDE6251"};
  LookupStatements lookups;
  for (const std::string& t : terminals) {
    for (const int32_t n : {0, 7, 32, -5, 4711, std::numeric_limits<int32_t>::max()}) {
      SCOPED_TRACE("terminal [" + t + "] number " + std::to_string(n));
      StatementText text;
      lookups.appendKidKst(text, t, n);
      EXPECT_EQ(text.view(), kidKstStatement(t, n));
      text.clear();
      lookups.appendTtaFcd(text, t, n);
      EXPECT_EQ(text.view(), ttaFcdStatement(t, n));
      text.clear();
      lookups.appendZlsKst(text, t, n);
      EXPECT_EQ(text.view(), zlsKstStatement(t, n));
      text.clear();
      lookups.appendTtaAps(text, t);
      EXPECT_EQ(text.view(), ttaApsStatement(t));
    }
  }
}

TEST(CanteenText, MatchesTheDescribedStatement) {
  // Arguments: schema, port, function, date, time, kind, badge, Bon value.
  EXPECT_EQ(canteenInsertStatement("HvKantine", "01", "_K", "20240131", "1234", "K02", "12345678", "0001"),
            describedCanteen("HvKantine", {"01", "_K", "20240131", "1234", "K02", "12345678", "0001"}));
  EXPECT_EQ(canteenInsertStatement("dbo", "01", "_K", "", "", "", "O'B", "0000"),
            describedCanteen("dbo", {"01", "_K", "", "", "", "O''B", "0000"}));
}

}  // namespace
