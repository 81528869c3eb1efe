// The server's error answers: native number, SQLSTATE and message text of the
// first record, and the records that follow, for statements that fail.
#include <gtest/gtest.h>

#include "emu_support.h"

using namespace emutest;

namespace {

struct ErrorCase {
  std::string sql;
  const char* state;
  long native;
  std::string message;  // without the driver prefix
  long secondNative;    // 0: no second record expected
};

const std::string kLong41 = "12345678901234567890123456789012345678901";

const ErrorCase kErrors[] = {
    {"SELECT * FROM HvSystem.Nope", "42S02", 208, "Invalid object name 'HvSystem.Nope'.", 0},
    {"SELECT TrmNam FROM Hvs1140Trm", "42S02", 208, "Invalid object name 'Hvs1140Trm'.", 0},
    {"SELECT Nope FROM HvSystem.Hvs1140Trm", "42S22", 207, "Invalid column name 'Nope'.", 0},
    {"SELECT TrmNam FROM HvSystem.Hvs1140Trm WHERE Nope = 1", "42S22", 207, "Invalid column name 'Nope'.", 0},
    {"INSERT INTO HvSystem.Hvs1140Trm (TrmNam, Nope) VALUES ('X', 1)", "42S22", 207,
     "Invalid column name 'Nope'.", 0},
    {"INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz) VALUES ('X', 'abc', 1)", "22018", 245,
     "Conversion failed when converting the varchar value 'abc' to data type smallint.", 0},
    {"INSERT INTO HvSystem.Hvs120Kid (KidMnd, KidLiz, KidNum) VALUES (1, 1, '12x')", "22018", 245,
     "Conversion failed when converting the varchar value '12x' to data type int.", 0},
    {"INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz) VALUES (NULL, 1, 1)", "23000", 515,
     "Cannot insert the value NULL into column 'TrmNam', table 'emu.HvSystem.Hvs1140Trm'; column does not allow "
     "nulls. INSERT fails.",
     3621},
    {"INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd) VALUES ('X', 1)", "23000", 515,
     "Cannot insert the value NULL into column 'TrmLiz', table 'emu.HvSystem.Hvs1140Trm'; column does not allow "
     "nulls. INSERT fails.",
     3621},
    {"INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz) VALUES ('X', '99999', 1)", "22003", 244,
     "The conversion of the varchar value '99999' overflowed an INT2 column. Use a larger integer column.", 3621},
    {"INSERT INTO HvSystem.Hvs120Kid (KidMnd, KidLiz, KidNum) VALUES (1, 1, '2147483648')", "22003", 244,
     "The conversion of the varchar value '2147483648' overflowed an int column. Use a larger integer column.", 3621},
    {"INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz) VALUES ('X', 99999, 1)", "22003", 220,
     "Arithmetic overflow error for data type smallint, value = 99999.", 3621},
    {("INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('BDE1', 1, '" + kLong41 + "')"),
     "22001", 2628,
     "String or binary data would be truncated in table 'emu.HvSystem.Hvs401Zls', column 'ZlsKst'. Truncated "
     "value: '" + kLong41.substr(0, 40) + "'.",
     3621},
    {"INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz, TrmSta, TrmTas) VALUES ('BDE6251', 1, 1, 1, 10)",
     "23000", 2627,
     "Violation of PRIMARY KEY constraint 'PK_Hvs1140Trm'. Cannot insert duplicate key in object "
     "'HvSystem.Hvs1140Trm'. The duplicate key value is (BDE6251).",
     3621},
    {"INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz) VALUES ('bde6251  ', 1, 1)", "23000", 2627,
     "Violation of PRIMARY KEY constraint 'PK_Hvs1140Trm'. Cannot insert duplicate key in object "
     "'HvSystem.Hvs1140Trm'. The duplicate key value is (bde6251  ).",
     3621},
    {"INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz) VALUES ('X', 1)", "21S01", 109,
     "There are more columns in the INSERT statement than values specified in the VALUES clause. The number of "
     "values in the VALUES clause must match the number of columns specified in the INSERT statement.",
     0},
    {"INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd) VALUES ('X', 1, 1)", "21S01", 110,
     "There are fewer columns in the INSERT statement than values specified in the VALUES clause. The number of "
     "values in the VALUES clause must match the number of columns specified in the INSERT statement.",
     0},
    {"SELECT KidKst FROM HvSystem.Hvs120Kid WHERE KidKst = 'O'Brien'", "42000", 102,
     "Incorrect syntax near 'Brien'.", 105},
    {"SELECT 'abc FROM x", "42000", 105, "Unclosed quotation mark after the character string 'abc FROM x'.", 102},
    {"SELECT FROM HvSystem.Hvs1140Trm", "42000", 156, "Incorrect syntax near the keyword 'FROM'.", 0},
    {"SELECT TrmNam FROM", "42000", 156, "Incorrect syntax near the keyword 'FROM'.", 0},
    {"SELECT TrmNam FROM HvSystem.Hvs1140Trm WHERE TrmNam = = 'x'", "42000", 102, "Incorrect syntax near '='.", 0},
    {"SELECT TrmNam FROM HvSystem.Hvs1140Trm WHERE (TrmSta = 1", "42000", 102, "Incorrect syntax near '1'.", 0},
    {"MERGE HvSystem.Hvs1140Trm", "42000", 102, "Incorrect syntax near 'MERGE'.", 0},
    {"UPDATE HvSystem.Hvs1140Trm SET TrmSta = 1", "42000", 156, "Incorrect syntax near the keyword 'UPDATE'.", 0},
    {"", "42000", 102, "Incorrect syntax near ''.", 0},
    {"SELECT TrmNam FROM HvSystem.Hvs1140Trm WHERE TrmSta = 'x'", "22018", 245,
     "Conversion failed when converting the varchar value 'x' to data type smallint.", 0},
    {"CREATE TABLE HvSystem.X1 (A foo)", "42000", 2715,
     "Column, parameter, or variable #1: Cannot find data type foo.", 0},
    {"CREATE TABLE Nowhere.X1 (A int)", "42000", 2760,
     "The specified schema name \"Nowhere\" either does not exist or you do not have permission to use it.", 0},
    {"CREATE TABLE HvSystem.Hvs1140Trm (A int)", "42S01", 2714,
     "There is already an object named 'Hvs1140Trm' in the database.", 0},
    {"CREATE SCHEMA HvSystem", "42S01", 2714, "There is already an object named 'HvSystem' in the database.", 0},
    {"DROP TABLE HvSystem.Nope", "42S02", 3701,
     "Cannot drop the table 'HvSystem.Nope', because it does not exist or you do not have permission.", 0},
    // Number tokens past the integer type they are read as.
    {"SELECT TOP 9223372036854775808 TrmNam FROM HvSystem.Hvs1140Trm", "22003", 8115,
     "Arithmetic overflow error converting expression to data type bigint.", 0},
    {"SELECT TOP (99999999999999999999999) TrmNam FROM HvSystem.Hvs1140Trm", "22003", 8115,
     "Arithmetic overflow error converting expression to data type bigint.", 0},
    {"CREATE TABLE HvSystem.X2 (A varchar(4294967297))", "22003", 8115,
     "Arithmetic overflow error converting expression to data type int.", 0},
    {"CREATE TABLE HvSystem.X2 (A char(2147483648) NULL)", "22003", 8115,
     "Arithmetic overflow error converting expression to data type int.", 0},
    {"CREATE TABLE HvSystem.X2 (A varchar(9000))", "42000", 102, "Incorrect syntax near '9000'.", 0},
    {"SELECT TrmNam FROM HvSystem.Hvs1140Trm WHERE TrmNam = CONVERT(varchar(10), 'x', 2147483648)", "22003", 8115,
     "Arithmetic overflow error converting expression to data type int.", 0},
    {"INSERT INTO HvSystem.Hvs120Kid (KidMnd, KidLiz, KidNum) VALUES (1, 1, 2147483648)", "22003", 8115,
     "Arithmetic overflow error converting expression to data type int.", 3621},
    {"INSERT INTO HvSystem.Hvs120Kid (KidMnd, KidLiz, KidNum) VALUES (1, 1, -2147483649)", "22003", 8115,
     "Arithmetic overflow error converting expression to data type int.", 3621},
    {"INSERT INTO HvSystem.Hvs120Kid (KidMnd, KidLiz, KidNum) VALUES (1, 1, 99999999999999999999)", "22003", 8115,
     "Arithmetic overflow error converting expression to data type int.", 3621},
    {"INSERT INTO HvSystem.Hvs120Kid (KidMnd, KidLiz, KidNum) VALUES (1, 1, 2147483648.5)", "22003", 8115,
     "Arithmetic overflow error converting expression to data type int.", 3621},
    {"INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz) VALUES ('X', 1, 4294967296)", "22003", 8115,
     "Arithmetic overflow error converting expression to data type smallint.", 3621},
    {"SELECT TrmNam FROM HvSystem.Hvs1140Trm WHERE TrmMnd = CONVERT(smallint, 99999.5)", "22003", 8115,
     "Arithmetic overflow error converting expression to data type smallint.", 0},
    // An empty schema part is the default schema dbo, which has no such table.
    {" INSERT INTO .Hvs321Kan         (KanPor, KanFcd, KanDtm, KanUhr, KanMsk, KanAwn, KanDat)  VALUES (  '01',   "
     "'_K',   '20240131',   '1234',   'K02',   '12345678',   '0001') ",
     "42S02", 208, "Invalid object name '.Hvs321Kan'.", 0},
    {"SELECT * FROM .Hvs321Kan", "42S02", 208, "Invalid object name '.Hvs321Kan'.", 0},
    {"DELETE FROM .Hvs1140Trm", "42S02", 208, "Invalid object name '.Hvs1140Trm'.", 0},
    {"DROP TABLE .Hvs1140Trm", "42S02", 3701,
     "Cannot drop the table '.Hvs1140Trm', because it does not exist or you do not have permission.", 0},
    {"SELECT * FROM .", "42000", 102, "Incorrect syntax near '.'.", 0},
    {"SELECT * FROM ..Hvs1140Trm", "42000", 102, "Incorrect syntax near '.'.", 0},
};

}  // namespace

TEST(TsqlErrors, AnswersAsTheServerDoes) {
  SuiteDatabase s;
  for (const ErrorCase& k : kErrors) {
    SCOPED_TRACE(k.sql);
    const Outcome o = s.conn.exec(k.sql);
    EXPECT_EQ(SQL_ERROR, o.rc);
    ASSERT_FALSE(o.diags.empty());
    EXPECT_EQ(k.state, o.state());
    EXPECT_EQ(k.native, o.native());
    EXPECT_EQ(kServerPrefix + k.message, o.message());
    if (k.secondNative) {
      ASSERT_EQ(2u, o.diags.size());
      EXPECT_EQ(k.secondNative, o.diags[1].native);
      if (k.secondNative == 3621) {
        EXPECT_EQ("01000", o.diags[1].state);
        EXPECT_EQ(kServerPrefix + "The statement has been terminated.", o.diags[1].message);
      }
    } else {
      EXPECT_EQ(1u, o.diags.size());
    }
  }
  // None of the failed inserts stored a row.
  EXPECT_EQ((std::vector<std::vector<std::string>>{{"2"}}),
            s.conn.exec("SELECT COUNT(*) FROM HvSystem.Hvs1140Trm").rows);
  EXPECT_EQ((std::vector<std::vector<std::string>>{{"0"}}),
            s.conn.exec("SELECT COUNT(*) FROM HvSystem.Hvs401Zls WHERE ZlsTrm = 'BDE1'").rows);
}

TEST(TsqlErrors, OldTruncationSwitchGives8152) {
  SuiteDatabase s;
  ScopedEnv old("HVEMU_OLD_TRUNCATION", "1");
  const Outcome o = s.conn.exec("INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('BDE1', 1, '" +
                                kLong41 + "')");
  ASSERT_EQ(SQL_ERROR, o.rc);
  ASSERT_EQ(2u, o.diags.size());
  EXPECT_EQ(8152, o.native());
  EXPECT_EQ("22001", o.state());
  EXPECT_EQ(kServerPrefix + "String or binary data would be truncated.", o.message());
  EXPECT_EQ(3621, o.diags[1].native);
}

TEST(TsqlErrors, BlanksBeyondTheWidthAreDroppedWithoutError) {
  SuiteDatabase s;
  const Outcome o = s.conn.exec("INSERT INTO HvSystem.Hvs120Kid (KidMnd, KidLiz, KidNum, KidKst) VALUES (1, 1, 7, '" +
                                std::string(40, 'x') + "     ')");
  ASSERT_EQ(SQL_SUCCESS, o.rc) << o.message();
  EXPECT_EQ((std::vector<std::vector<std::string>>{{std::string(40, 'x')}}),
            s.conn.exec("SELECT KidKst FROM HvSystem.Hvs120Kid WHERE KidNum = 7").rows);
}

TEST(TsqlErrors, ConvertDatetimeStyle120) {
  SuiteDatabase s;
  ASSERT_EQ(SQL_SUCCESS, s.conn.exec("CREATE TABLE dbo.D (N int NOT NULL, V datetime NULL)").rc);
  struct Case {
    const char* text;
    long native;           // 0: accepted
    const char* expected;  // value read back
  };
  const Case cases[] = {
      {"2024-01-31 23:59:59", 0, "2024-01-31 23:59:59.000"},
      {"2024-01-31 00:00:00", 0, "2024-01-31 00:00:00.000"},
      {"2024-1-5 7:3:9", 0, "2024-01-05 07:03:09.000"},
      {"", 0, "1900-01-01 00:00:00.000"},
      {"2024-02-29 12:00:00", 0, "2024-02-29 12:00:00.000"},
      {"1753-01-01 00:00:00", 0, "1753-01-01 00:00:00.000"},
      {"9999-12-31 23:59:59", 0, "9999-12-31 23:59:59.000"},
      {"2024-01-31", 0, "2024-01-31 00:00:00.000"},
      {"-- ::", 241, ""},
      {"abc", 241, ""},
      {"2024-01-31 12", 241, ""},
      {"20x4-01-31 00:00:00", 241, ""},
      {"2024-13-01 00:00:00", 242, ""},
      {"2024-00-10 00:00:00", 242, ""},
      {"2024-02-30 00:00:00", 242, ""},
      {"2023-02-29 00:00:00", 242, ""},
      {"1900-02-29 00:00:00", 242, ""},
      {"1752-12-31 23:59:59", 242, ""},
      {"2024-01-31 24:00:00", 242, ""},
      {"2024-01-31 23:60:00", 242, ""},
      {"2024-01-31 23:59:60", 242, ""},
  };
  int n = 0;
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string("'") + k.text + "'");
    ++n;
    const Outcome o = s.conn.exec("INSERT INTO dbo.D (N, V) VALUES (" + std::to_string(n) +
                                  ", CONVERT(DATETIME, '" + k.text + "', 120))");
    if (k.native == 0) {
      ASSERT_EQ(SQL_SUCCESS, o.rc) << o.message();
      EXPECT_EQ((std::vector<std::vector<std::string>>{{k.expected}}),
                s.conn.exec("SELECT V FROM D WHERE N = " + std::to_string(n)).rows);
      continue;
    }
    ASSERT_EQ(SQL_ERROR, o.rc);
    EXPECT_EQ(k.native, o.native());
    EXPECT_EQ("22007", o.state());
    EXPECT_EQ(kServerPrefix + (k.native == 241
                                   ? "Conversion failed when converting date and/or time from character string."
                                   : "The conversion of a varchar data type to a datetime data type resulted in "
                                     "an out-of-range value."),
              o.message());
    EXPECT_EQ(1u, o.diags.size());
  }
}
