// Bound columns and SQLFetch as the import tool uses them: cut texts with
// 01004, NULL columns that leave the buffer alone, integers, SQL_NO_DATA.
#include <gtest/gtest.h>

#include <cstring>

#include "emu_support.h"

using namespace emutest;

namespace {

SQLRETURN execOn(const Statement& st, const std::string& sql) {
  return SQLExecDirect(st.handle(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
}

}  // namespace

TEST(Fetch, CharBufferTooSmallIsCutTerminatedWithInfo) {
  SuiteDatabase s;
  struct Case {
    SQLLEN bufferSize;
    const char* expected;
    SQLRETURN rc;
  };
  // "Instandhaltung und Betriebstechnik Nord" has 39 characters.
  const Case cases[] = {{31, "Instandhaltung und Betriebstec", SQL_SUCCESS_WITH_INFO},
                        {4, "Ins", SQL_SUCCESS_WITH_INFO},
                        {40, "Instandhaltung und Betriebstechnik Nord", SQL_SUCCESS},
                        {41, "Instandhaltung und Betriebstechnik Nord", SQL_SUCCESS}};
  for (const Case& k : cases) {
    SCOPED_TRACE("buffer " + std::to_string(k.bufferSize));
    Statement st(s.conn.dbc());
    ASSERT_EQ(SQL_SUCCESS, execOn(st, "SELECT KidKst FROM HvSystem.Hvs120Kid WHERE KidNum = 99"));
    char buf[64];
    std::memset(buf, '#', sizeof buf);
    SQLLEN ind = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLBindCol(st.handle(), 1, SQL_C_CHAR, buf, k.bufferSize, &ind));
    EXPECT_EQ(k.rc, SQLFetch(st.handle()));
    EXPECT_STREQ(k.expected, buf);
    EXPECT_EQ('#', buf[k.bufferSize]) << "wrote past the buffer";
    EXPECT_EQ(39, ind);
    const auto d = diagnostics(SQL_HANDLE_STMT, st.handle());
    if (k.rc == SQL_SUCCESS_WITH_INFO) {
      ASSERT_EQ(1u, d.size());
      EXPECT_EQ("01004", d[0].state);
    } else {
      EXPECT_TRUE(d.empty());
    }
    EXPECT_EQ(SQL_NO_DATA, SQLFetch(st.handle()));
  }
}

TEST(Fetch, NullColumnSetsIndicatorAndLeavesBuffer) {
  SuiteDatabase s;
  ASSERT_EQ(SQL_SUCCESS, s.conn.exec("INSERT INTO HvSystem.Hvs112Tta (TtaMnd, TtaNum, TtaAps, TtaFcd, TtaDnc) VALUES "
                                     "(1, 20, NULL, NULL, 3)")
                             .rc);
  Statement st(s.conn.dbc());
  ASSERT_EQ(SQL_SUCCESS, execOn(st, "SELECT TtaAps, TtaFcd FROM HvSystem.Hvs112Tta WHERE TtaNum = 20"));
  SQLINTEGER key = 99;
  char fcd[4] = "xyz";
  SQLLEN ind1 = 0, ind2 = 0;
  SQLBindCol(st.handle(), 1, SQL_C_LONG, &key, sizeof key, &ind1);
  SQLBindCol(st.handle(), 2, SQL_C_CHAR, fcd, sizeof fcd, &ind2);
  ASSERT_EQ(SQL_SUCCESS, SQLFetch(st.handle()));
  EXPECT_EQ(99, key);
  EXPECT_STREQ("xyz", fcd);
  EXPECT_EQ(SQL_NULL_DATA, ind1);
  EXPECT_EQ(SQL_NULL_DATA, ind2);
  EXPECT_EQ(SQL_NO_DATA, SQLFetch(st.handle()));
}

TEST(Fetch, IntegersAndNoRow) {
  SuiteDatabase s;
  Statement st(s.conn.dbc());
  ASSERT_EQ(SQL_SUCCESS, execOn(st, "SELECT TtaAps, TtaFcd FROM HvSystem.Hvs112Tta WHERE TtaDnc = 0 ORDER BY TtaAps"));
  SQLINTEGER key = -1;
  SQLLEN ind = 0;
  SQLBindCol(st.handle(), 1, SQL_C_LONG, &key, sizeof key, &ind);
  for (int expected = 1; expected <= 16; ++expected) {
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(st.handle())) << expected;
    EXPECT_EQ(expected, key);
    EXPECT_EQ(static_cast<SQLLEN>(sizeof key), ind);
  }
  EXPECT_EQ(SQL_NO_DATA, SQLFetch(st.handle()));

  Statement empty(s.conn.dbc());
  ASSERT_EQ(SQL_SUCCESS, execOn(empty, "SELECT KidKst FROM HvSystem.Hvs120Kid WHERE KidNum = 5"));
  char buf[31] = {0};
  SQLBindCol(empty.handle(), 1, SQL_C_CHAR, buf, sizeof buf, &ind);
  EXPECT_EQ(SQL_NO_DATA, SQLFetch(empty.handle()));
  EXPECT_STREQ("", buf);
}

TEST(Fetch, TextColumnIntoLongConverts) {
  SuiteDatabase s;
  Statement st(s.conn.dbc());
  ASSERT_EQ(SQL_SUCCESS, execOn(st, "SELECT ZlsKst, ZlsLes FROM HvSystem.Hvs401Zls WHERE ZlsLes = 1"));
  SQLINTEGER number = 0;
  SQLSMALLINT reader = 0;
  SQLLEN ind = 0, ind2 = 0;
  SQLBindCol(st.handle(), 1, SQL_C_LONG, &number, sizeof number, &ind);
  SQLBindCol(st.handle(), 2, SQL_C_SHORT, &reader, sizeof reader, &ind2);
  ASSERT_EQ(SQL_SUCCESS, SQLFetch(st.handle()));
  EXPECT_EQ(4711, number);
  EXPECT_EQ(1, reader);
}

TEST(Fetch, DescribeColumnsOfAResult) {
  SuiteDatabase s;
  Statement st(s.conn.dbc());
  ASSERT_EQ(SQL_SUCCESS, execOn(st, "SELECT TrmNam, TrmSta, TrmTas, COUNT(*) FROM HvSystem.Hvs1140Trm"));
  SQLSMALLINT cols = 0;
  ASSERT_EQ(SQL_SUCCESS, SQLNumResultCols(st.handle(), &cols));
  ASSERT_EQ(4, cols);
  struct Expect {
    const char* name;
    SQLSMALLINT type;
    SQLULEN size;
    SQLSMALLINT nullable;
  };
  const Expect expected[] = {{"TrmNam", SQL_VARCHAR, 50, SQL_NO_NULLS},
                             {"TrmSta", SQL_SMALLINT, 5, SQL_NULLABLE},
                             {"TrmTas", SQL_INTEGER, 10, SQL_NULLABLE},
                             {"", SQL_INTEGER, 10, SQL_NO_NULLS}};
  for (SQLUSMALLINT c = 1; c <= 4; ++c) {
    SCOPED_TRACE("column " + std::to_string(c));
    SQLCHAR name[64];
    SQLSMALLINT nameLen = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLDescribeCol(st.handle(), c, name, sizeof name, &nameLen, &type, &size, &digits,
                                          &nullable));
    EXPECT_STREQ(expected[c - 1].name, reinterpret_cast<char*>(name));
    EXPECT_EQ(expected[c - 1].type, type);
    EXPECT_EQ(expected[c - 1].size, size);
    EXPECT_EQ(expected[c - 1].nullable, nullable);
  }
}
