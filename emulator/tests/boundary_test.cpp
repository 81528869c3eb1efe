// The driver's C boundary under allocation failure (HVEMU_FAIL_ALLOC): every
// exported entry point, one table. A call that allocates answers SQL_ERROR
// with one HY001 record at each of its allocation points and with all of them
// failing, through the driver manager, and leaves the connection usable; a
// call that allocates nothing gives its ordinary answer with every allocation
// point failing. No exception reaches the driver manager.
//
// The driver manager never calls some entry points (SQLAllocEnv, SQLError,
// ...) and calls others only inside its own functions; those rows call the
// driver's function itself, looked up in the library the driver manager
// loaded, on the driver's own handles (SQLGetInfo SQL_DRIVER_HDBC & co.).
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <set>
#include <sstream>

#include "boundary_scene.h"

using namespace emutest;

namespace {

using Rows = std::vector<std::vector<std::string>>;

const std::string kMemoryMessage = "[HvEmu][HvEmu SQL Server Driver]Memory allocation error";
const int kMostPoints = 64;  // more allocation points in one call is a fault of its own

struct EntryCase {
  const char* function;  // the driver's entry point that HVEMU_FAIL_ALLOC names
  Start start;
  std::function<SQLRETURN(Scene&)> call;
  SQLRETURN normal;  // the answer without the fault
  Diag diag;         // where the HY001 is; None: the call allocates nothing
};

// Output handles of calls that create one; freed by the row itself.
SQLHANDLE g_made = SQL_NULL_HANDLE;

const EntryCase kCases[] = {
    // Calls that allocate, through the driver manager.
    {"SQLConnect", Start::DmFresh, [](Scene& s) { return s.own->connect(s.suite.db.dsn()); }, SQL_SUCCESS,
     Diag::DmDbc},
    {"SQLDriverConnect", Start::DmFresh,
     [](Scene& s) {
       const std::string in = "DSN=" + s.suite.db.dsn() + ";";
       const SQLRETURN rc = SQLDriverConnect(s.dbc(), nullptr, sqlText(in.c_str()), SQL_NTS, nullptr, 0, nullptr,
                                             SQL_DRIVER_NOPROMPT);
       if (SQL_SUCCEEDED(rc)) SQLDisconnect(s.dbc());
       return rc;
     },
     SQL_SUCCESS, Diag::DmDbc},
    {"SQLAllocStmt", Start::DmStmt,  // the driver manager's SQLAllocHandle(STMT) calls it
     [](Scene& s) {
       SQLHSTMT h = SQL_NULL_HSTMT;
       const SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, s.dbc(), &h);
       if (SQL_SUCCEEDED(rc)) SQLFreeHandle(SQL_HANDLE_STMT, h);
       return rc;
     },
     SQL_SUCCESS, Diag::DmDbc},
    {"SQLExecDirect", Start::DmStmt, [](Scene& s) { return SQLExecDirect(s.st(), sqlText(kQuery), SQL_NTS); },
     SQL_SUCCESS, Diag::DmStmt},
    {"SQLPrepare", Start::DmStmt, [](Scene& s) { return SQLPrepare(s.st(), sqlText(kQuery), SQL_NTS); },
     SQL_SUCCESS, Diag::DmStmt},
    {"SQLExecute", Start::DmPrepared, [](Scene& s) { return SQLExecute(s.st()); }, SQL_SUCCESS, Diag::DmStmt},
    {"SQLDescribeCol", Start::DmQuery,
     [](Scene& s) {
       SQLCHAR name[3];
       return SQLDescribeCol(s.st(), 1, name, sizeof name, nullptr, nullptr, nullptr, nullptr, nullptr);
     },
     SQL_SUCCESS_WITH_INFO, Diag::DmStmt},
    {"SQLColAttribute", Start::DmQuery,
     [](Scene& s) {
       return SQLColAttribute(s.st(), 2, SQL_DESC_TYPE_NAME, s.buffer, sizeof s.buffer, nullptr, nullptr);
     },
     SQL_SUCCESS, Diag::DmStmt},
    {"SQLColAttributes", Start::DmQuery,
     [](Scene& s) {
       return SQLColAttributes(s.st(), 2, SQL_COLUMN_TYPE_NAME, s.buffer, sizeof s.buffer, nullptr, nullptr);
     },
     SQL_SUCCESS, Diag::DmStmt},
    {"SQLBindCol", Start::DmQuery,
     [](Scene& s) { return SQLBindCol(s.st(), 1, SQL_C_CHAR, s.buffer, sizeof s.buffer, &s.indicator); }, SQL_SUCCESS,
     Diag::DmStmt},
    {"SQLFetch", Start::DmBound, [](Scene& s) { return SQLFetch(s.st()); }, SQL_SUCCESS, Diag::DmStmt},
    {"SQLFetchScroll", Start::DmBound, [](Scene& s) { return SQLFetchScroll(s.st(), SQL_FETCH_NEXT, 0); },
     SQL_SUCCESS, Diag::DmStmt},
    {"SQLGetData", Start::DmRow,
     [](Scene& s) { return SQLGetData(s.st(), 1, SQL_C_CHAR, s.buffer, sizeof s.buffer, &s.indicator); },
     SQL_SUCCESS, Diag::DmStmt},
    {"SQLGetInfo", Start::DmOpen,
     [](Scene& s) { return SQLGetInfo(s.dbc(), SQL_DBMS_NAME, s.buffer, 5, nullptr); }, SQL_SUCCESS_WITH_INFO,
     Diag::DmDbc},
    {"SQLSetStmtAttr", Start::DmStmt,
     [](Scene& s) { return SQLSetStmtAttr(s.st(), SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(5), 0); },
     SQL_SUCCESS_WITH_INFO, Diag::DmStmt},
    // Calls that allocate, which the driver manager makes only inside its
    // own functions or never: the driver's function itself.
    {"SQLAllocHandle", Start::DrvEnv,
     [](Scene& s) {
       g_made = SQL_NULL_HANDLE;
       const SQLRETURN rc = DRIVER(s.driver, SQLAllocHandle)(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &g_made);
       EXPECT_EQ(SQL_SUCCEEDED(rc), g_made != SQL_NULL_HANDLE);
       if (SQL_SUCCEEDED(rc)) DRIVER(s.driver, SQLFreeHandle)(SQL_HANDLE_ENV, g_made);
       return rc;
     },
     SQL_SUCCESS, Diag::None},
    {"SQLAllocHandle", Start::DrvEnv,
     [](Scene& s) {
       const SQLRETURN rc = DRIVER(s.driver, SQLAllocHandle)(SQL_HANDLE_DBC, s.denv, &g_made);
       if (SQL_SUCCEEDED(rc)) DRIVER(s.driver, SQLFreeHandle)(SQL_HANDLE_DBC, g_made);
       return rc;
     },
     SQL_SUCCESS, Diag::DrvEnv},
    {"SQLAllocHandle", Start::DrvQuery,
     [](Scene& s) {
       const SQLRETURN rc = DRIVER(s.driver, SQLAllocHandle)(SQL_HANDLE_STMT, s.ddbc, &g_made);
       if (SQL_SUCCEEDED(rc)) DRIVER(s.driver, SQLFreeHandle)(SQL_HANDLE_STMT, g_made);
       return rc;
     },
     SQL_SUCCESS, Diag::DrvDbc},
    {"SQLAllocEnv", Start::DrvEnv,
     [](Scene& s) {
       g_made = SQL_NULL_HANDLE;
       const SQLRETURN rc = DRIVER(s.driver, SQLAllocEnv)(&g_made);
       EXPECT_EQ(SQL_SUCCEEDED(rc), g_made != SQL_NULL_HANDLE);
       if (SQL_SUCCEEDED(rc)) DRIVER(s.driver, SQLFreeEnv)(g_made);
       return rc;
     },
     SQL_SUCCESS, Diag::None},
    {"SQLAllocConnect", Start::DrvEnv,
     [](Scene& s) {
       const SQLRETURN rc = DRIVER(s.driver, SQLAllocConnect)(s.denv, &g_made);
       if (SQL_SUCCEEDED(rc)) DRIVER(s.driver, SQLFreeConnect)(g_made);
       return rc;
     },
     SQL_SUCCESS, Diag::DrvEnv},
    {"SQLSetStmtOption", Start::DrvQuery,
     [](Scene& s) { return DRIVER(s.driver, SQLSetStmtOption)(s.dstmt, SQL_ATTR_ROW_ARRAY_SIZE, 5); },
     SQL_SUCCESS_WITH_INFO, Diag::DrvStmt},
};

// Calls that allocate nothing: with every allocation point failing they give
// their ordinary answer. The driver's function itself, so that the row
// certainly reaches it.
struct QuietCase {
  const char* function;
  Start start;
  std::function<SQLRETURN(Scene&)> call;
  SQLRETURN normal;
};

#define D(name) DRIVER(s.driver, name)
const QuietCase kQuiet[] = {
    {"SQLGetDiagRec", Start::DrvFailed,
     [](Scene& s) {
       SQLCHAR state[6] = {0};
       SQLINTEGER native = 0;
       const SQLRETURN rc = D(SQLGetDiagRec)(SQL_HANDLE_STMT, s.dstmt, 1, state, &native, nullptr, 0, nullptr);
       EXPECT_STREQ("42S02", reinterpret_cast<char*>(state));
       EXPECT_EQ(208, native);
       return rc;
     },
     SQL_SUCCESS_WITH_INFO},  // no message buffer: the message is cut to nothing
    {"SQLGetDiagField", Start::DrvFailed,
     [](Scene& s) {
       SQLINTEGER native = 0;
       const SQLRETURN rc = D(SQLGetDiagField)(SQL_HANDLE_STMT, s.dstmt, 1, SQL_DIAG_NATIVE, &native, 0, nullptr);
       EXPECT_EQ(208, native);
       return rc;
     },
     SQL_SUCCESS},
    {"SQLError", Start::DrvFailed,
     [](Scene& s) {
       SQLCHAR state[6] = {0}, message[256] = {0};
       const SQLRETURN rc =
           D(SQLError)(SQL_NULL_HENV, SQL_NULL_HDBC, s.dstmt, state, nullptr, message, sizeof message, nullptr);
       EXPECT_STREQ("42S02", reinterpret_cast<char*>(state));
       return rc;
     },
     SQL_SUCCESS},
    {"SQLNumResultCols", Start::DrvQuery,
     [](Scene& s) {
       SQLSMALLINT n = 0;
       const SQLRETURN rc = D(SQLNumResultCols)(s.dstmt, &n);
       EXPECT_EQ(2, n);
       return rc;
     },
     SQL_SUCCESS},
    {"SQLDescribeCol", Start::DrvQuery,
     [](Scene& s) {
       SQLCHAR name[32];
       return D(SQLDescribeCol)(s.dstmt, 1, name, sizeof name, nullptr, nullptr, nullptr, nullptr, nullptr);
     },
     SQL_SUCCESS},
    {"SQLColAttribute", Start::DrvQuery,
     [](Scene& s) { return D(SQLColAttribute)(s.dstmt, 1, SQL_DESC_DISPLAY_SIZE, nullptr, 0, nullptr, nullptr); },
     SQL_SUCCESS},
    {"SQLFetch", Start::DrvQuery, [](Scene& s) { return D(SQLFetch)(s.dstmt); }, SQL_SUCCESS},
    {"SQLRowCount", Start::DrvQuery, [](Scene& s) { return D(SQLRowCount)(s.dstmt, nullptr); }, SQL_SUCCESS},
    {"SQLNumParams", Start::DrvQuery, [](Scene& s) { return D(SQLNumParams)(s.dstmt, nullptr); }, SQL_SUCCESS},
    {"SQLMoreResults", Start::DrvQuery, [](Scene& s) { return D(SQLMoreResults)(s.dstmt); }, SQL_NO_DATA},
    {"SQLCancel", Start::DrvQuery, [](Scene& s) { return D(SQLCancel)(s.dstmt); }, SQL_SUCCESS},
    {"SQLCloseCursor", Start::DrvQuery, [](Scene& s) { return D(SQLCloseCursor)(s.dstmt); }, SQL_SUCCESS},
    {"SQLGetStmtAttr", Start::DrvQuery,
     [](Scene& s) { return D(SQLGetStmtAttr)(s.dstmt, SQL_ATTR_CURSOR_TYPE, s.buffer, 0, nullptr); }, SQL_SUCCESS},
    {"SQLGetStmtOption", Start::DrvQuery,
     [](Scene& s) { return D(SQLGetStmtOption)(s.dstmt, SQL_ROWSET_SIZE, s.buffer); }, SQL_SUCCESS},
    {"SQLSetStmtAttr", Start::DrvQuery,
     [](Scene& s) { return D(SQLSetStmtAttr)(s.dstmt, SQL_ATTR_QUERY_TIMEOUT, nullptr, 0); }, SQL_SUCCESS},
    {"SQLFreeStmt", Start::DrvQuery, [](Scene& s) { return D(SQLFreeStmt)(s.dstmt, SQL_CLOSE); }, SQL_SUCCESS},
    {"SQLFreeStmt", Start::DrvQuery,
     [](Scene& s) {
       const SQLRETURN rc = D(SQLFreeStmt)(s.dstmt, SQL_DROP);
       if (rc == SQL_SUCCESS) s.dstmt = SQL_NULL_HSTMT;
       return rc;
     },
     SQL_SUCCESS},
    {"SQLFreeHandle", Start::DrvQuery,
     [](Scene& s) {
       const SQLRETURN rc = D(SQLFreeHandle)(SQL_HANDLE_STMT, s.dstmt);
       if (rc == SQL_SUCCESS) s.dstmt = SQL_NULL_HSTMT;
       return rc;
     },
     SQL_SUCCESS},
    {"SQLGetInfo", Start::DrvQuery,
     [](Scene& s) { return D(SQLGetInfo)(s.ddbc, SQL_DBMS_NAME, s.buffer, sizeof s.buffer, nullptr); }, SQL_SUCCESS},
    {"SQLGetFunctions", Start::DrvQuery,
     [](Scene& s) {
       SQLUSMALLINT yes = 0;
       const SQLRETURN rc = D(SQLGetFunctions)(s.ddbc, SQL_API_SQLFETCH, &yes);
       EXPECT_EQ(SQL_TRUE, yes);
       return rc;
     },
     SQL_SUCCESS},
    {"SQLSetConnectAttr", Start::DrvQuery,
     [](Scene& s) {
       return D(SQLSetConnectAttr)(s.ddbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
     },
     SQL_SUCCESS},
    {"SQLGetConnectAttr", Start::DrvQuery,
     [](Scene& s) {
       return D(SQLGetConnectAttr)(s.ddbc, SQL_ATTR_CURRENT_CATALOG, s.buffer, sizeof s.buffer, nullptr);
     },
     SQL_SUCCESS},
    {"SQLSetConnectOption", Start::DrvQuery,
     [](Scene& s) { return D(SQLSetConnectOption)(s.ddbc, SQL_LOGIN_TIMEOUT, 5); }, SQL_SUCCESS},
    {"SQLGetConnectOption", Start::DrvQuery,
     [](Scene& s) { return D(SQLGetConnectOption)(s.ddbc, SQL_AUTOCOMMIT, s.buffer); }, SQL_SUCCESS},
    {"SQLEndTran", Start::DrvQuery, [](Scene& s) { return D(SQLEndTran)(SQL_HANDLE_DBC, s.ddbc, SQL_COMMIT); },
     SQL_SUCCESS},
    {"SQLTransact", Start::DrvQuery, [](Scene& s) { return D(SQLTransact)(SQL_NULL_HENV, s.ddbc, SQL_ROLLBACK); },
     SQL_SUCCESS},
    {"SQLSetEnvAttr", Start::DrvEnv,
     [](Scene& s) {
       return D(SQLSetEnvAttr)(s.denv, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
     },
     SQL_SUCCESS},
    {"SQLGetEnvAttr", Start::DrvEnv,
     [](Scene& s) { return D(SQLGetEnvAttr)(s.denv, SQL_ATTR_ODBC_VERSION, s.buffer, 0, nullptr); }, SQL_SUCCESS},
    {"SQLDisconnect", Start::DrvOpen, [](Scene& s) { return D(SQLDisconnect)(s.ddbc); }, SQL_SUCCESS},
    {"SQLFreeConnect", Start::DrvDbc,
     [](Scene& s) {
       const SQLRETURN rc = D(SQLFreeConnect)(s.ddbc);
       if (rc == SQL_SUCCESS) s.ddbc = SQL_NULL_HDBC;
       return rc;
     },
     SQL_SUCCESS},
    {"SQLFreeEnv", Start::DrvEnv,
     [](Scene& s) {
       const SQLRETURN rc = D(SQLFreeEnv)(s.denv);
       if (rc == SQL_SUCCESS) s.denv = SQL_NULL_HENV;
       return rc;
     },
     SQL_SUCCESS},
};
#undef D

std::string rowName(const char* function, size_t index) {
  return std::string(function) + " (row " + std::to_string(index + 1) + ")";
}

// The names the library exports.
std::set<std::string> exportedNames() {
  std::string out;
  runCommand("nm -D --defined-only '" + std::string(HVEMU_BUILD_DIR) + "/libhvemu.so'", &out);
  std::set<std::string> names;
  std::istringstream lines(out);
  std::string address, kind, name;
  while (lines >> address >> kind >> name) {
    if (kind == "T") names.insert(name);
  }
  return names;
}

}  // namespace

TEST(Boundary, EveryEntryPointHasARow) {
  std::set<std::string> named;
  for (const EntryCase& k : kCases) named.insert(k.function);
  for (const QuietCase& k : kQuiet) named.insert(k.function);
  const std::set<std::string> exported = exportedNames();
  EXPECT_EQ(44u, exported.size());
  EXPECT_EQ(exported, named);
}

TEST(Boundary, EachAllocationPointFailsWithHY001) {
  SuiteDatabase suite;
  const Driver driver;
  ASSERT_TRUE(driver.loaded());
  int failures = 0;
  for (size_t i = 0; i < std::size(kCases); ++i) {
    const EntryCase& k = kCases[i];
    SCOPED_TRACE(rowName(k.function, i));
    // One attempt with HVEMU_FAIL_ALLOC=function:points; true when the call
    // gave its ordinary answer, else it must have failed with HY001.
    auto attempt = [&](const std::string& points) {
      const std::string setting = std::string(k.function) + ":" + points;
      SCOPED_TRACE("HVEMU_FAIL_ALLOC=" + setting);
      Scene s(suite, driver);
      prepare(s, k.start);
      SQLRETURN rc;
      {
        const ScopedEnv fault("HVEMU_FAIL_ALLOC", setting);
        rc = k.call(s);
      }
      if (rc == k.normal && points.back() != '+') return true;
      EXPECT_EQ(SQL_ERROR, rc);
      if (k.diag != Diag::None) {
        const std::vector<DiagRecord> d = recordsOf(s, k.diag);
        EXPECT_EQ(1u, d.size());
        const std::string m = d.empty() ? "" : d[0].message;
        EXPECT_EQ("HY001", d.empty() ? "" : d[0].state);
        EXPECT_EQ(0, d.empty() ? -1 : d[0].native);
        EXPECT_TRUE(m.size() >= kMemoryMessage.size() &&
                    m.compare(m.size() - kMemoryMessage.size(), std::string::npos, kMemoryMessage) == 0)
            << m;
      }
      ++failures;
      // The connection the failure happened on still answers.
      Connection& c = s.own && k.start != Start::DmFresh ? *s.own : suite.conn;
      EXPECT_EQ((Rows{{"2"}}), c.exec("SELECT COUNT(*) FROM HvSystem.Hvs1140Trm").rows);
      return false;
    };
    // "F:1", "F:2", ... one point at a time until the call gets through.
    int points = 0;
    bool through = false;
    while (!through && points < kMostPoints) {
      through = attempt(std::to_string(points + 1));
      if (!through) ++points;
    }
    ASSERT_TRUE(through) << "no ordinary answer within " << kMostPoints << " allocation points";
    EXPECT_GE(points, 1) << "no allocation point failed: the row does not reach " << k.function;
    // "F:1+": every point fails, also any the failure path itself would reach.
    EXPECT_FALSE(attempt("1+"));
    std::printf("%-34s %2d allocation points, each HY001\n", rowName(k.function, i).c_str(), points);
  }
  EXPECT_GT(failures, 2 * static_cast<int>(std::size(kCases)));
}

TEST(Boundary, CallsThatAllocateNothingAreUntouched) {
  SuiteDatabase suite;
  const Driver driver;
  ASSERT_TRUE(driver.loaded());
  for (size_t i = 0; i < std::size(kQuiet); ++i) {
    const QuietCase& k = kQuiet[i];
    SCOPED_TRACE(rowName(k.function, i));
    Scene s(suite, driver);
    prepare(s, k.start);
    const ScopedEnv fault("HVEMU_FAIL_ALLOC", std::string(k.function) + ":1+");
    EXPECT_EQ(k.normal, k.call(s));
  }
}

TEST(Boundary, AFailedInsertLeavesNothingBehind) {
  SuiteDatabase suite;
  Connection other;
  ASSERT_EQ(SQL_SUCCESS, other.connect(suite.db.dsn()));
  const char* insert = "INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('BDE7777', 1, 'K1')";
  const char* probe = "INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes) VALUES ('PROBE', 1)";
  const char* count = "SELECT COUNT(*) FROM HvSystem.Hvs401Zls";
  int failed = 0;
  for (int n = 1;; ++n) {
    ASSERT_LE(n, kMostPoints);
    SCOPED_TRACE("HVEMU_FAIL_ALLOC=SQLExecDirect:" + std::to_string(n));
    Outcome o;
    {
      const ScopedEnv fault("HVEMU_FAIL_ALLOC", "SQLExecDirect:" + std::to_string(n));
      o = suite.conn.exec(insert);
    }
    if (o.rc == SQL_SUCCESS) break;
    ASSERT_EQ(SQL_ERROR, o.rc);
    ASSERT_EQ(1u, o.diags.size());
    EXPECT_EQ("HY001", o.state());
    ++failed;
    // Nothing stored, and no transaction left open: the next statement of
    // the same connection is committed at once, the other connection sees it.
    EXPECT_EQ((Rows{{"4"}}), other.exec(count).rows);
    ASSERT_EQ(SQL_SUCCESS, suite.conn.exec(probe).rc);
    EXPECT_EQ((Rows{{"5"}}), other.exec(count).rows);
    ASSERT_EQ(SQL_SUCCESS, other.exec("DELETE FROM HvSystem.Hvs401Zls WHERE ZlsTrm = 'PROBE'").rc);
  }
  std::printf("INSERT: %d allocation points, each HY001 with nothing stored\n", failed);
  EXPECT_GE(failed, 6);
  EXPECT_EQ((Rows{{"5"}}), other.exec(count).rows);
}
