// Queries and data changes that succeed: the suite's own statements, the
// collation (case-insensitive, blank-padded), LIKE, NULL tests, ordering,
// single-byte texts and the literal forms.
#include <gtest/gtest.h>

#include "emu_support.h"

using namespace emutest;

namespace {

using Rows = std::vector<std::vector<std::string>>;

// The booking insert as the import tool formats it.
std::string bookingInsert(const std::string& terminal, const std::string& badge, const std::string& kst,
                          const std::string& dtm, const std::string& uhr) {
  return "INSERT INTO HvSystem.Hvs321BEW    (BewSch, BewTID, BewLID,     BewIDN, BewSto, BewKst,     BewDtm, BewUhr, "
         "    BewLfn, BewArt, BewTas,     BewEra, BewKze, BewBer,     BewErq, BewSta,     BewQua, BewSrc, BewRes)  "
         "VALUES ('', '" + terminal + "', '01',          '" + badge + "', '0', " + kst +
         " ,          convert(DATETIME, '" + dtm + "', 120),           convert(DATETIME, '" + uhr +
         "', 120),          '1', 'B01', '00',          '', '', '',          '', '0',          '', '40p', '' )";
}

const char* kKidKst =
    "SELECT KidKst  FROM  HvSystem.Hvs120Kid, HvSystem.Hvs1140Trm  WHERE TrmNam = '%T'    AND KidNum = %N    AND "
    "KidMnd = TrmMnd    AND KidLiz = TrmLiz";
const char* kTtaFcd =
    "SELECT TtaFcd  FROM  HvSystem.Hvs112Tta, HvSystem.Hvs1140Trm  WHERE TrmNam = '%T'    AND ((TrmSta <> 4 AND "
    "TrmSta <> 8) OR TrmSta is null)    AND TtaNum = TrmTas    AND TtaMnd = TrmMnd    AND TtaAps = %N";
const char* kTtaAps =
    "SELECT TtaAps  FROM  HvSystem.Hvs112Tta, HvSystem.Hvs1140Trm  WHERE TrmNam = '%T'    AND ((TrmSta <> 4 AND "
    "TrmSta <> 8) OR TrmSta is null)    AND TtaNum = TrmTas    AND TtaMnd = TrmMnd    AND TtaDnc = 3 ";
const char* kZlsKst = "SELECT ZlsKst  FROM  HvSystem.Hvs401Zls  WHERE ZlsTrm = '%T'    AND ZlsLes = %N";

std::string fill(std::string format, const std::string& terminal, long number) {
  format.replace(format.find("%T"), 2, terminal);
  const size_t n = format.find("%N");
  if (n != std::string::npos) format.replace(n, 2, std::to_string(number));
  return format;
}

}  // namespace

TEST(TsqlQueries, TheSuitesLookupsOnTheDemoData) {
  SuiteDatabase s;
  struct Case {
    const char* format;
    const char* terminal;
    long number;
    Rows rows;
  };
  const Case cases[] = {
      {kKidKst, "BDE6251", 4711, {{"Montage"}}},
      {kKidKst, "BDE6251", 42, {{"Verwaltung"}}},
      {kKidKst, "BDE6251", 1234, {}},
      {kKidKst, "bde6251", 4711, {{"Montage"}}},
      {kKidKst, "NOPE", 4711, {}},
      {kTtaFcd, "BDE6251", 1, {{"B02"}}},
      {kTtaFcd, "BDE6251", 16, {{"K02"}}},
      {kTtaFcd, "BDE6251", 17, {}},
      {kTtaFcd, "BDE9999", 1, {}},  // state 4: no function code
      {kTtaAps, "BDE6251", 0, {{"0"}}},
      {kTtaAps, "BDE9999", 0, {}},
      {kZlsKst, "BDE6251", 1, {{"4711"}}},
      {kZlsKst, "BDE6251", 2, {{"42"}}},
      {kZlsKst, "BDE6251", 5, {}},
  };
  for (const Case& k : cases) {
    const std::string sql = fill(k.format, k.terminal, k.number);
    SCOPED_TRACE(sql);
    const Outcome o = s.conn.exec(sql);
    ASSERT_EQ(SQL_SUCCESS, o.rc) << o.message();
    EXPECT_EQ(k.rows, o.rows);
  }
  // A terminal without state is served.
  ASSERT_EQ(SQL_SUCCESS, s.conn.exec("INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz, TrmSta, TrmTas) "
                                     "VALUES ('BDE0000', 1, 1, NULL, 10)").rc);
  EXPECT_EQ((Rows{{"B02"}}), s.conn.exec(fill(kTtaFcd, "BDE0000", 1)).rows);
}

TEST(TsqlQueries, BookingInsertTwiceIsADuplicate) {
  SuiteDatabase s;
  const std::string first = bookingInsert("BDE6251", "12345678", "'4711'", "2024-01-31 00:00:00", "2024-01-31 23:59:59");
  const Outcome a = s.conn.exec(first);
  ASSERT_EQ(SQL_SUCCESS, a.rc) << a.message();
  EXPECT_EQ(1, a.rowCount);
  const Outcome b = s.conn.exec(first);
  ASSERT_EQ(SQL_ERROR, b.rc);
  EXPECT_EQ(2627, b.native());
  EXPECT_EQ(kServerPrefix +
                "Violation of PRIMARY KEY constraint 'PK_Hvs321BEW'. Cannot insert duplicate key in object "
                "'HvSystem.Hvs321BEW'. The duplicate key value is (BDE6251, 12345678, 2024-01-31 23:59:59.000).",
            b.message());
  // Same booking, NULL cost centre and another second: a new row.
  ASSERT_EQ(SQL_SUCCESS,
            s.conn.exec(bookingInsert("BDE6251", "12345678", "NULL", "2024-01-31 00:00:00", "2024-01-31 23:59:58")).rc);
  EXPECT_EQ((Rows{{"2024-01-31 23:59:58.000", "<NULL>", "0"}, {"2024-01-31 23:59:59.000", "4711", "0"}}),
            s.conn.exec("SELECT BewUhr, BewKst, BewSta FROM HvSystem.Hvs321BEW ORDER BY BewUhr").rows);
  // A text compared with a datetime column is read as a date.
  EXPECT_EQ((Rows{{"12345678"}}),
            s.conn.exec("SELECT BewIDN FROM HvSystem.Hvs321BEW WHERE BewUhr = '2024-01-31 23:59:59'").rows);
  EXPECT_EQ((Rows{{"1"}}),
            s.conn.exec("SELECT COUNT(*) FROM HvSystem.Hvs321BEW WHERE BewUhr > '2024-1-31 23:59:58.5'").rows);
  EXPECT_EQ(241, s.conn.exec("SELECT BewIDN FROM HvSystem.Hvs321BEW WHERE BewUhr = 'gestern'").native());
  // An empty date text is a conversion failure, and nothing is stored.
  const Outcome c = s.conn.exec(bookingInsert("BDE6251", "1", "NULL", "-- ::", "-- ::"));
  EXPECT_EQ(241, c.native());
  EXPECT_EQ((Rows{{"2"}}), s.conn.exec("SELECT COUNT(*) FROM HvSystem.Hvs321BEW").rows);
}

TEST(TsqlQueries, CanteenInsertIntoItsOwnSchema) {
  SuiteDatabase s;
  const std::string sql =
      " INSERT INTO HvKantine.Hvs321Kan         (KanPor, KanFcd, KanDtm, KanUhr, KanMsk, KanAwn, KanDat)  VALUES (  "
      "'01',   '_K',   '20240131',   '1234',   'K02',   '12345678',   '0001') ";
  ASSERT_EQ(SQL_SUCCESS, s.conn.exec(sql).rc);
  EXPECT_EQ(2627, s.conn.exec(sql).native());
  EXPECT_EQ((Rows{{"01", "_K", "20240131", "1234", "K02", "12345678", "0001"}}),
            s.conn.exec("SELECT * FROM HvKantine.Hvs321Kan").rows);
  EXPECT_EQ(208, s.conn.exec("SELECT * FROM HvSystem.Hvs321Kan").native());
  // With the schema part left empty the same insert goes to the default
  // schema dbo, once it has such a table.
  std::string unqualified = sql;
  unqualified.replace(unqualified.find("HvKantine."), 10, ".");
  EXPECT_EQ(208, s.conn.exec(unqualified).native());
  ASSERT_EQ(SQL_SUCCESS, s.conn.exec("CREATE TABLE .Hvs321Kan (KanPor varchar(2) NOT NULL, KanFcd varchar(2) NOT NULL, "
                                     "KanDtm varchar(8) NOT NULL, KanUhr varchar(4) NOT NULL, KanMsk varchar(3) NOT "
                                     "NULL, KanAwn varchar(8) NOT NULL, KanDat varchar(4) NOT NULL)")
                             .rc);
  ASSERT_EQ(SQL_SUCCESS, s.conn.exec(unqualified).rc);
  EXPECT_EQ((Rows{{"01", "_K", "20240131", "1234", "K02", "12345678", "0001"}}),
            s.conn.exec("SELECT * FROM dbo.Hvs321Kan").rows);
  EXPECT_EQ((Rows{{"1"}}), s.conn.exec("SELECT COUNT(*) FROM .Hvs321Kan").rows);
  EXPECT_EQ((Rows{{"1"}}), s.conn.exec("SELECT COUNT(*) FROM HvKantine.Hvs321Kan").rows);
  ASSERT_EQ(SQL_SUCCESS, s.conn.exec("DELETE .Hvs321Kan WHERE KanAwn = '12345678'").rc);
  EXPECT_EQ((Rows{{"0"}}), s.conn.exec("SELECT COUNT(*) FROM Hvs321Kan").rows);
}

TEST(TsqlQueries, CollationAndPredicates) {
  SuiteDatabase s;
  struct Case {
    const char* sql;
    Rows rows;
  };
  const Case cases[] = {
      {"SELECT TrmNam FROM HvSystem.Hvs1140Trm WHERE TrmNam = 'bde6251'", {{"BDE6251"}}},
      {"SELECT TrmNam FROM HvSystem.Hvs1140Trm WHERE TrmNam = 'BDE6251   '", {{"BDE6251"}}},
      {"SELECT TrmNam FROM HvSystem.Hvs1140Trm WHERE 'bde6251' = TrmNam", {{"BDE6251"}}},
      {"SELECT TrmNam FROM HvSystem.Hvs1140Trm WHERE TrmNam = ' BDE6251'", {}},
      {"SELECT TrmNam FROM HvSystem.Hvs1140Trm WHERE TrmNam <> 'bde6251'", {{"BDE9999"}}},
      {"SELECT TrmNam FROM HvSystem.Hvs1140Trm WHERE TrmNam LIKE 'bde%' ORDER BY TrmNam", {{"BDE6251"}, {"BDE9999"}}},
      {"SELECT TrmNam FROM HvSystem.Hvs1140Trm WHERE TrmNam LIKE 'BDE_251'", {{"BDE6251"}}},
      {"SELECT TrmNam FROM HvSystem.Hvs1140Trm WHERE TrmNam LIKE 'BDE[5-6]%'", {{"BDE6251"}}},
      {"SELECT TrmNam FROM HvSystem.Hvs1140Trm WHERE TrmNam NOT LIKE '%1'", {{"BDE9999"}}},
      {"SELECT TrmNam FROM HvSystem.Hvs1140Trm ORDER BY TrmNam DESC", {{"BDE9999"}, {"BDE6251"}}},
      {"SELECT TrmNam, TrmSta FROM HvSystem.Hvs1140Trm WHERE TrmSta = 4 OR (TrmSta IS NULL AND TrmNam = 'x')",
       {{"BDE9999", "4"}}},
      {"SELECT TrmNam FROM HvSystem.Hvs1140Trm WHERE TrmSta IS NOT NULL AND NOT TrmSta = 4", {{"BDE6251"}}},
      {"SELECT TrmNam FROM HvSystem.Hvs1140Trm WHERE TrmSta = '1'", {{"BDE6251"}}},
      {"select trmnam from hvsystem.HVS1140TRM where TRMNAM = 'BDE9999'", {{"BDE9999"}}},
      {"SELECT [TrmNam] FROM [HvSystem].[Hvs1140Trm] WHERE [TrmSta] = 4;", {{"BDE9999"}}},
      {"SELECT COUNT(*) FROM HvSystem.Hvs112Tta", {{"17"}}},
      {"SELECT TOP 9223372036854775807 TrmNam FROM HvSystem.Hvs1140Trm ORDER BY TrmNam", {{"BDE6251"}, {"BDE9999"}}},
      {"SELECT TOP (1) TrmNam FROM HvSystem.Hvs1140Trm ORDER BY TrmNam", {{"BDE6251"}}},
      {"SELECT KidNum FROM HvSystem.Hvs120Kid WHERE KidNum > -2147483649 AND KidNum < 99999999999999999999 AND "
       "KidNum = 99",
       {{"99"}}},
      {"SELECT COUNT(*) FROM HvSystem.Hvs112Tta WHERE TtaDnc = 3", {{"1"}}},
      {"SELECT t.TrmNam, z.ZlsLes FROM HvSystem.Hvs1140Trm t, HvSystem.Hvs401Zls z WHERE z.ZlsTrm = t.TrmNam "
       "AND z.ZlsKst = '42'",
       {{"BDE6251", "2"}}},
      {"SELECT KidNum, KidKst FROM HvSystem.Hvs120Kid WHERE KidKst LIKE '%und%'",
       {{"99", "Instandhaltung und Betriebstechnik Nord"}}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.sql);
    const Outcome o = s.conn.exec(k.sql);
    ASSERT_EQ(SQL_SUCCESS, o.rc) << o.message();
    EXPECT_EQ(k.rows, o.rows);
  }
}

TEST(TsqlQueries, SingleByteTextsAndLiterals) {
  SuiteDatabase s;
  const std::string umlauts = "M\xE4rz \xD6l \xFC\x80";  // Windows-1252: ä Ö ü €
  const std::string forty = umlauts + std::string(40 - umlauts.size(), 'y');
  ASSERT_EQ(40u, forty.size());
  ASSERT_EQ(SQL_SUCCESS,
            s.conn.exec("INSERT INTO HvSystem.Hvs120Kid (KidMnd, KidLiz, KidNum, KidKst) VALUES (1, 1, 1, '" + forty +
                        "')")
                .rc);
  EXPECT_EQ((Rows{{forty}}), s.conn.exec("SELECT KidKst FROM HvSystem.Hvs120Kid WHERE KidNum = 1").rows);
  // Case-insensitive also for the accented letters: ä = Ä, Ö = ö, ü = Ü.
  EXPECT_EQ((Rows{{"1"}}),
            s.conn.exec("SELECT KidNum FROM HvSystem.Hvs120Kid WHERE KidKst LIKE 'M\xC4RZ \xF6L \xDC%'").rows);
  EXPECT_EQ(2628, s.conn.exec("INSERT INTO HvSystem.Hvs120Kid (KidMnd, KidLiz, KidNum, KidKst) VALUES (1, 1, 2, '" +
                              forty + "\xE4')")
                      .native());
  ASSERT_EQ(SQL_SUCCESS, s.conn.exec("INSERT INTO HvSystem.Hvs120Kid (KidMnd, KidLiz, KidNum, KidKst) VALUES (1, 1, 3, "
                                     "N'O''Neil')")
                             .rc);
  ASSERT_EQ(SQL_SUCCESS, s.conn.exec("INSERT INTO HvSystem.Hvs120Kid (KidMnd, KidLiz, KidNum, KidKst) VALUES (1, 1, "
                                     "-4, '')")
                             .rc);
  EXPECT_EQ((Rows{{"-4", ""}, {"3", "O'Neil"}}),
            s.conn.exec("SELECT KidNum, KidKst FROM HvSystem.Hvs120Kid WHERE KidNum < 4 AND KidNum <> 1 ORDER BY "
                        "KidNum")
                .rows);
}

TEST(TsqlQueries, DeleteAndDropTable) {
  SuiteDatabase s;
  const Outcome d = s.conn.exec("DELETE FROM HvSystem.Hvs112Tta WHERE TtaAps > 10 OR TtaFcd = 'B01'");
  ASSERT_EQ(SQL_SUCCESS, d.rc) << d.message();
  EXPECT_EQ(7, d.rowCount);
  EXPECT_EQ((Rows{{"10"}}), s.conn.exec("SELECT COUNT(*) FROM HvSystem.Hvs112Tta").rows);
  EXPECT_EQ(0, s.conn.exec("DELETE HvSystem.Hvs112Tta WHERE TtaAps = 99").rowCount);
  ASSERT_EQ(SQL_SUCCESS, s.conn.exec("DROP TABLE HvSystem.Hvs112Tta").rc);
  EXPECT_EQ(208, s.conn.exec("SELECT COUNT(*) FROM HvSystem.Hvs112Tta").native());
  // The name is free again.
  ASSERT_EQ(SQL_SUCCESS, s.conn.exec("CREATE TABLE HvSystem.Hvs112Tta (TtaNum int NOT NULL)").rc);
  EXPECT_EQ((Rows{{"0"}}), s.conn.exec("SELECT COUNT(*) FROM HvSystem.Hvs112Tta").rows);
}

TEST(TsqlQueries, ASecondConnectionSeesTableChangesOfTheFirst) {
  SuiteDatabase s;
  Connection other;
  ASSERT_EQ(SQL_SUCCESS, other.connect(s.db.dsn()));
  EXPECT_EQ((Rows{{"2"}}), other.exec("SELECT COUNT(*) FROM HvSystem.Hvs1140Trm").rows);
  ASSERT_EQ(SQL_SUCCESS, s.conn.exec("DROP TABLE HvSystem.Hvs1140Trm").rc);
  ASSERT_EQ(SQL_SUCCESS, s.conn.exec("CREATE TABLE HvSystem.Hvs1140Trm (TrmNam varchar(3) NOT NULL)").rc);
  // The other connection's catalogue follows: the new width counts there.
  EXPECT_EQ(2628, other.exec("INSERT INTO HvSystem.Hvs1140Trm (TrmNam) VALUES ('ABCD')").native());
  EXPECT_EQ(SQL_SUCCESS, other.exec("INSERT INTO HvSystem.Hvs1140Trm (TrmNam) VALUES ('ABC')").rc);
}

TEST(TsqlQueries, CharPaddingAndImplicitConversions) {
  SuiteDatabase s;
  ASSERT_EQ(SQL_SUCCESS, s.conn.exec("CREATE TABLE dbo.C (K char(4) NOT NULL, V varchar(6) NULL, N smallint NULL, "
                                     "CONSTRAINT PK_C PRIMARY KEY (K))")
                             .rc);
  struct Case {
    const char* values;
    long native;  // 0: stored
  };
  const Case cases[] = {
      {"'ab', 4711, ' 12 '", 0},    // number into varchar, padded text into smallint
      {"'AB  ', 'x', 0", 2627},     // char keys compare padded and case-insensitive
      {"'cd', '1234567', 1", 2628}, // a number that does not fit its text column
      {"'ef', NULL, '-32768'", 0},
      {"'gh', NULL, '32768'", 244},
      {"'ij', NULL, ''", 0},        // an empty text is 0
      {"'kl', NULL, -1.9", 0},      // decimals are cut toward zero
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.values);
    const Outcome o = s.conn.exec(std::string("INSERT INTO C VALUES (") + k.values + ")");
    EXPECT_EQ(k.native, o.native()) << o.message();
    EXPECT_EQ(k.native == 0 ? SQL_SUCCESS : SQL_ERROR, o.rc);
  }
  EXPECT_EQ((Rows{{"ab  ", "4711", "12"}, {"ef  ", "<NULL>", "-32768"}, {"ij  ", "<NULL>", "0"},
                  {"kl  ", "<NULL>", "-1"}}),
            s.conn.exec("SELECT K, V, N FROM dbo.C ORDER BY K").rows);
}

TEST(TsqlQueries, NamesWithQuotesAndOtherMarks) {
  SuiteDatabase s;
  // Each byte inside a bracketed column and table name; every statement kind
  // names them alike.
  const char marks[] = {'"', '\'', '.', ' ', ';', '-', '[', '(', '\xE4'};
  for (const char byte : marks) {
    const std::string mark(1, byte);
    const std::string column = "a" + mark + "b";
    const std::string table = "dbo.[t" + mark + "u]";
    SCOPED_TRACE("column [" + column + "], table " + table);
    const struct {
      std::string sql;
      Rows rows;
      long rowCount;
    } steps[] = {
        {"CREATE TABLE " + table + " ([" + column + "] INT NOT NULL, [K" + mark + "] varchar(3) NULL, " +
             "CONSTRAINT [PK" + mark + "] PRIMARY KEY ([" + column + "]))",
         {}, -1},
        {"INSERT INTO " + table + " VALUES (1, 'x'), (2, 'y')", {}, 2},
        {"INSERT INTO " + table + " ([K" + mark + "], [" + column + "]) VALUES ('z', 3)", {}, 1},
        {"SELECT [" + column + "] FROM " + table + " ORDER BY [" + column + "]", {{"1"}, {"2"}, {"3"}}, -1},
        {"SELECT * FROM " + table + " WHERE [" + column + "] = 2", {{"2", "y"}}, -1},
        {"SELECT t.[K" + mark + "] FROM " + table + " t WHERE t.[" + column + "] > 1 ORDER BY 1", {{"y"}, {"z"}}, -1},
        {"DELETE FROM " + table + " WHERE [" + column + "] <> 2", {}, 2},
        {"SELECT COUNT(*) FROM " + table, {{"1"}}, -1},
        {"DROP TABLE " + table, {}, -1},
    };
    for (const auto& step : steps) {
      SCOPED_TRACE(step.sql);
      const Outcome o = s.conn.exec(step.sql);
      ASSERT_EQ(SQL_SUCCESS, o.rc) << o.message();
      EXPECT_EQ(step.rows, o.rows);
      if (step.rowCount >= 0) {
        EXPECT_EQ(step.rowCount, o.rowCount);
      }
    }
  }
}
