// The rest of the ODBC surface a standard client uses: SQLPrepare/SQLExecute,
// SQLGetData in pieces, SQLColAttribute, SQLDriverConnect, manual commit, and
// statements that are no T-SQL at all.
#include <gtest/gtest.h>

#include <cstring>

#include "emu_support.h"

using namespace emutest;

namespace {

SQLCHAR* sqlText(const std::string& s) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(s.c_str())); }

}  // namespace

TEST(OdbcSurface, PrepareExecuteAndRowCount) {
  SuiteDatabase s;
  Statement st(s.conn.dbc());
  ASSERT_EQ(SQL_SUCCESS, SQLPrepare(st.handle(),
                                    sqlText("INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes) VALUES ('BDE1234', 9)"),
                                    SQL_NTS));
  ASSERT_EQ(SQL_SUCCESS, SQLExecute(st.handle()));
  SQLLEN count = 0;
  ASSERT_EQ(SQL_SUCCESS, SQLRowCount(st.handle(), &count));
  EXPECT_EQ(1, count);
  SQLSMALLINT cols = -1;
  ASSERT_EQ(SQL_SUCCESS, SQLNumResultCols(st.handle(), &cols));
  EXPECT_EQ(0, cols);
  // The same prepared statement again: a duplicate now.
  EXPECT_EQ(SQL_ERROR, SQLExecute(st.handle()));
  const auto d = diagnostics(SQL_HANDLE_STMT, st.handle());
  ASSERT_FALSE(d.empty());
  EXPECT_EQ(2627, d[0].native);
}

TEST(OdbcSurface, GetDataInPieces) {
  SuiteDatabase s;
  Statement st(s.conn.dbc());
  ASSERT_EQ(SQL_SUCCESS,
            SQLExecDirect(st.handle(), sqlText("SELECT KidKst, KidNum FROM HvSystem.Hvs120Kid WHERE KidNum = 99"),
                          SQL_NTS));
  ASSERT_EQ(SQL_SUCCESS, SQLFetch(st.handle()));
  std::string whole;
  char piece[11];
  SQLLEN ind = 0;
  SQLRETURN rc;
  int calls = 0;
  while ((rc = SQLGetData(st.handle(), 1, SQL_C_CHAR, piece, sizeof piece, &ind)) != SQL_NO_DATA) {
    ASSERT_TRUE(SQL_SUCCEEDED(rc)) << rc;
    whole += piece;
    ASSERT_LT(++calls, 10);
  }
  EXPECT_EQ("Instandhaltung und Betriebstechnik Nord", whole);
  EXPECT_EQ(4, calls);
  SQLINTEGER number = 0;
  ASSERT_EQ(SQL_SUCCESS, SQLGetData(st.handle(), 2, SQL_C_LONG, &number, 0, &ind));
  EXPECT_EQ(99, number);
}

TEST(OdbcSurface, ColumnAttributes) {
  SuiteDatabase s;
  Statement st(s.conn.dbc());
  ASSERT_EQ(SQL_SUCCESS, SQLExecDirect(st.handle(), sqlText("SELECT BewKst, BewUhr FROM HvSystem.Hvs321BEW"), SQL_NTS));
  char label[64];
  SQLSMALLINT len = 0;
  SQLLEN n = 0;
  ASSERT_EQ(SQL_SUCCESS, SQLColAttribute(st.handle(), 1, SQL_DESC_LABEL, label, sizeof label, &len, nullptr));
  EXPECT_STREQ("BewKst", label);
  ASSERT_EQ(SQL_SUCCESS, SQLColAttribute(st.handle(), 1, SQL_DESC_DISPLAY_SIZE, nullptr, 0, nullptr, &n));
  EXPECT_EQ(30, n);
  ASSERT_EQ(SQL_SUCCESS, SQLColAttribute(st.handle(), 2, SQL_DESC_CONCISE_TYPE, nullptr, 0, nullptr, &n));
  EXPECT_EQ(SQL_TYPE_TIMESTAMP, n);
  EXPECT_EQ(SQL_ERROR, SQLColAttribute(st.handle(), 3, SQL_DESC_LABEL, label, sizeof label, &len, nullptr));
  EXPECT_EQ(SQL_NO_DATA, SQLFetch(st.handle()));
}

TEST(OdbcSurface, DriverConnectWithDsnAndOverrides) {
  TestDatabase db("u1", "p1");
  Connection c;
  SQLCHAR out[512];
  SQLSMALLINT outLen = 0;
  const std::string good = "DSN=" + db.dsn() + ";UID=u1;PWD=p1;";
  EXPECT_EQ(SQL_SUCCESS, SQLDriverConnect(c.dbc(), nullptr, sqlText(good), SQL_NTS, out, sizeof out, &outLen,
                                          SQL_DRIVER_NOPROMPT));
  SQLDisconnect(c.dbc());
  const std::string bad = "DSN=" + db.dsn() + ";UID=u1;PWD=wrong;";
  EXPECT_EQ(SQL_ERROR, SQLDriverConnect(c.dbc(), nullptr, sqlText(bad), SQL_NTS, out, sizeof out, &outLen,
                                        SQL_DRIVER_NOPROMPT));
  const auto d = c.connectDiags();
  ASSERT_FALSE(d.empty());
  EXPECT_EQ(18456, d[0].native);
}

TEST(OdbcSurface, ManualCommitAndRollback) {
  SuiteDatabase s;
  ASSERT_EQ(SQL_SUCCESS, SQLSetConnectAttr(s.conn.dbc(), SQL_ATTR_AUTOCOMMIT,
                                           reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0));
  ASSERT_EQ(SQL_SUCCESS, s.conn.exec("DELETE FROM HvSystem.Hvs401Zls").rc);
  Connection other;
  ASSERT_EQ(SQL_SUCCESS, other.connect(s.db.dsn()));
  EXPECT_EQ((std::vector<std::vector<std::string>>{{"4"}}),
            other.exec("SELECT COUNT(*) FROM HvSystem.Hvs401Zls").rows);
  ASSERT_EQ(SQL_SUCCESS, SQLEndTran(SQL_HANDLE_DBC, s.conn.dbc(), SQL_ROLLBACK));
  EXPECT_EQ((std::vector<std::vector<std::string>>{{"4"}}),
            s.conn.exec("SELECT COUNT(*) FROM HvSystem.Hvs401Zls").rows);
  ASSERT_EQ(SQL_SUCCESS, s.conn.exec("DELETE FROM HvSystem.Hvs401Zls WHERE ZlsLes = 1").rc);
  ASSERT_EQ(SQL_SUCCESS, SQLEndTran(SQL_HANDLE_DBC, s.conn.dbc(), SQL_COMMIT));
  EXPECT_EQ((std::vector<std::vector<std::string>>{{"3"}}),
            other.exec("SELECT COUNT(*) FROM HvSystem.Hvs401Zls").rows);
}

TEST(OdbcSurface, AnyTextGivesAnAnswerNeverACrash) {
  SuiteDatabase s;
  // Every prefix of the suite's statements, and some bytes that are no SQL.
  const std::string statements[] = {
      "INSERT INTO HvSystem.Hvs321BEW    (BewSch, BewTID, BewLID,     BewIDN, BewSto, BewKst,     BewDtm, BewUhr,     "
      "BewLfn, BewArt, BewTas,     BewEra, BewKze, BewBer,     BewErq, BewSta,     BewQua, BewSrc, BewRes)  VALUES "
      "('', 'T', '01',          'O'Neil', '0', NULL ,          convert(DATETIME, '2024-01-31 00:00:00', 120),       "
      "    convert(DATETIME, '2024-01-31 23:59:59', 120),          '1', 'B01', '00',          '', '', '',          '', "
      "'0',          '', '40p', '' )",
      "SELECT TtaFcd  FROM  HvSystem.Hvs112Tta, HvSystem.Hvs1140Trm  WHERE TrmNam = 'BDE6251'    AND ((TrmSta <> 4 "
      "AND TrmSta <> 8) OR TrmSta is null)    AND TtaNum = TrmTas    AND TtaMnd = TrmMnd    AND TtaAps = 1",
      std::string("\x01\x02\xff\x80'\"[[]]--/*", 13),
  };
  int answered = 0;
  for (const std::string& full : statements) {
    for (size_t n = 0; n <= full.size(); ++n) {
      const std::string sql = full.substr(0, n);
      SCOPED_TRACE(sql);
      const Outcome o = s.conn.exec(sql);
      if (o.rc == SQL_ERROR) {
        ASSERT_FALSE(o.diags.empty());
        EXPECT_EQ(0u, o.message().find(kServerPrefix));
        EXPECT_NE(0, o.native());
      } else {
        EXPECT_TRUE(SQL_SUCCEEDED(o.rc));
      }
      ++answered;
    }
  }
  EXPECT_GT(answered, 500);
  EXPECT_EQ((std::vector<std::vector<std::string>>{{"0"}}),
            s.conn.exec("SELECT COUNT(*) FROM HvSystem.Hvs321BEW").rows);
}

TEST(OdbcSurface, InsertWhileACursorIsOpen) {
  SuiteDatabase s;
  Statement reader(s.conn.dbc());
  ASSERT_EQ(SQL_SUCCESS,
            SQLExecDirect(reader.handle(), sqlText("SELECT TtaAps FROM HvSystem.Hvs112Tta ORDER BY TtaAps"), SQL_NTS));
  SQLINTEGER key = -1;
  SQLLEN ind = 0;
  SQLBindCol(reader.handle(), 1, SQL_C_LONG, &key, sizeof key, &ind);
  ASSERT_EQ(SQL_SUCCESS, SQLFetch(reader.handle()));
  EXPECT_EQ(0, key);
  const Outcome o = s.conn.exec("INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes) VALUES ('BDE5555', 1)");
  EXPECT_EQ(SQL_SUCCESS, o.rc) << o.message();
  int more = 0;
  while (SQLFetch(reader.handle()) == SQL_SUCCESS) ++more;
  EXPECT_EQ(16, more);
  EXPECT_EQ((std::vector<std::vector<std::string>>{{"1"}}),
            s.conn.exec("SELECT COUNT(*) FROM HvSystem.Hvs401Zls WHERE ZlsTrm = 'BDE5555'").rows);
}
