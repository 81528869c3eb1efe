// Statement texts assembled from their description (clauses and the exact runs
// of blanks between them), filled with the values a test expects. The tests
// compare the texts the store builds, and the texts the server receives, with
// these.
#ifndef HV_TESTS_DB_DESCRIBED_TEXTS_H
#define HV_TESTS_DB_DESCRIBED_TEXTS_H

#include <string>
#include <vector>

inline std::string blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

// A value as it stands between the quotes of its literal: up to its first zero
// byte, every single quote doubled.
inline std::string quotesDoubled(const std::string& value) {
  std::string quoted;
  for (const char c : value.substr(0, value.find('\0')))
    quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted;
}

// The date text of a date field (its text up to the first zero byte): pieces
// of 4, 2, 2, 2, 2 and 2 characters, each cut short where the text ends, with
// their separators.
inline std::string dateTextOf(const std::string& field) {
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
  return text;
}

// The same as it stands in its literal.
inline std::string describedDateText(const std::string& field) { return quotesDoubled(dateTextOf(field)); }

// The booking insert: 19 values in statement order, each as it must appear
// between its quotes; v[5], the cost-centre text, complete (NULL or a quoted
// literal); v[6] and v[7] the date texts; v[15] BewSta.
inline std::string describedInsert(const std::vector<std::string>& v) {
  const auto b = blanks;
  return "INSERT INTO HvSystem.Hvs321BEW" + b(4) + "(BewSch, BewTID, BewLID," + b(5) +
         "BewIDN, BewSto, BewKst," + b(5) + "BewDtm, BewUhr," + b(5) + "BewLfn, BewArt, BewTas," + b(5) +
         "BewEra, BewKze, BewBer," + b(5) + "BewErq, BewSta," + b(5) + "BewQua, BewSrc, BewRes)" + b(2) +
         "VALUES ('" + v[0] + "', '" + v[1] + "', '" + v[2] + "'," + b(10) + "'" + v[3] + "', '" + v[4] +
         "', " + v[5] + " ," + b(10) + "convert(DATETIME, '" + v[6] + "', 120)," + b(11) +
         "convert(DATETIME, '" + v[7] + "', 120)," + b(10) + "'" + v[8] + "', '" + v[9] + "', '" + v[10] +
         "'," + b(10) + "'" + v[11] + "', '" + v[12] + "', '" + v[13] + "'," + b(10) + "'" + v[14] +
         "', '" + v[15] + "'," + b(10) + "'" + v[16] + "', '" + v[17] + "', '" + v[18] + "' )";
}

// The canteen insert: schema, then the seven values in column order (port,
// function, date, time, kind, badge, Bon value) as they appear between quotes.
inline std::string describedCanteen(const std::string& schema, const std::vector<std::string>& v) {
  const auto b = blanks;
  return " INSERT INTO " + schema + ".Hvs321Kan" + b(9) +
         "(KanPor, KanFcd, KanDtm, KanUhr, KanMsk, KanAwn, KanDat)" + b(2) + "VALUES (" + b(2) + "'" + v[0] +
         "'," + b(3) + "'" + v[1] + "'," + b(3) + "'" + v[2] + "'," + b(3) + "'" + v[3] + "'," + b(3) + "'" +
         v[4] + "'," + b(3) + "'" + v[5] + "'," + b(3) + "'" + v[6] + "') ";
}

// The four lookups; `terminal` as it appears between its quotes.
inline std::string describedTtaWhere(const std::string& terminal) {
  const auto b = blanks;
  return "WHERE TrmNam = '" + terminal + "'" + b(4) + "AND ((TrmSta <> 4 AND TrmSta <> 8) OR TrmSta is null)" +
         b(4) + "AND TtaNum = TrmTas" + b(4) + "AND TtaMnd = TrmMnd" + b(4);
}

inline std::string describedKidKst(const std::string& terminal, const std::string& number) {
  const auto b = blanks;
  return "SELECT KidKst" + b(2) + "FROM" + b(2) + "HvSystem.Hvs120Kid, HvSystem.Hvs1140Trm" + b(2) +
         "WHERE TrmNam = '" + terminal + "'" + b(4) + "AND KidNum = " + number + b(4) + "AND KidMnd = TrmMnd" +
         b(4) + "AND KidLiz = TrmLiz";
}

inline std::string describedTtaFcd(const std::string& terminal, const std::string& key) {
  const auto b = blanks;
  return "SELECT TtaFcd" + b(2) + "FROM" + b(2) + "HvSystem.Hvs112Tta, HvSystem.Hvs1140Trm" + b(2) +
         describedTtaWhere(terminal) + "AND TtaAps = " + key;
}

inline std::string describedTtaAps(const std::string& terminal) {
  const auto b = blanks;
  return "SELECT TtaAps" + b(2) + "FROM" + b(2) + "HvSystem.Hvs112Tta, HvSystem.Hvs1140Trm" + b(2) +
         describedTtaWhere(terminal) + "AND TtaDnc = 3 ";
}

inline std::string describedZlsKst(const std::string& terminal, const std::string& reader) {
  const auto b = blanks;
  return "SELECT ZlsKst" + b(2) + "FROM" + b(2) + "HvSystem.Hvs401Zls" + b(2) + "WHERE ZlsTrm = '" + terminal +
         "'" + b(4) + "AND ZlsLes = " + reader;
}

#endif  // HV_TESTS_DB_DESCRIBED_TEXTS_H
