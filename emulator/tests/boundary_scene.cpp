#include "boundary_scene.h"

#include <gtest/gtest.h>

namespace emutest {

const char* const kQuery = "SELECT KidKst, KidNum FROM HvSystem.Hvs120Kid WHERE KidNum = 99";
const char* const kUnknownTable = "SELECT * FROM HvSystem.Nope";

Driver::Driver()
    : lib_(dlopen((std::string(HVEMU_BUILD_DIR) + "/libhvemu.so").c_str(), RTLD_NOW | RTLD_NOLOAD)) {}

Driver::~Driver() {
  if (lib_) dlclose(lib_);
}

Scene::~Scene() {
  if (dstmt) DRIVER(driver, SQLFreeHandle)(SQL_HANDLE_STMT, dstmt);
  if (!ownDriverHandles) return;
  if (ddbc) {
    DRIVER(driver, SQLDisconnect)(ddbc);
    DRIVER(driver, SQLFreeHandle)(SQL_HANDLE_DBC, ddbc);
  }
  if (denv) DRIVER(driver, SQLFreeHandle)(SQL_HANDLE_ENV, denv);
}

namespace {

SQLHANDLE driverHandle(SQLHDBC dmDbc, SQLUSMALLINT info, SQLHANDLE in = SQL_NULL_HANDLE) {
  SQLHANDLE h = in;
  return SQL_SUCCEEDED(SQLGetInfo(dmDbc, info, &h, sizeof h, nullptr)) ? h : SQL_NULL_HANDLE;
}

}  // namespace

void prepare(Scene& s, Start start) {
  const Driver& d = s.driver;
  switch (start) {
    case Start::DmFresh: s.own = std::make_unique<Connection>(); return;
    case Start::DmOpen:
      s.own = std::make_unique<Connection>();
      ASSERT_EQ(SQL_SUCCESS, s.own->connect(s.suite.db.dsn()));
      return;
    case Start::DrvQuery:
    case Start::DrvFailed:
      s.ddbc = driverHandle(s.dbc(), SQL_DRIVER_HDBC);
      ASSERT_TRUE(s.ddbc != SQL_NULL_HDBC);
      ASSERT_EQ(SQL_SUCCESS, DRIVER(d, SQLAllocHandle)(SQL_HANDLE_STMT, s.ddbc, &s.dstmt));
      ASSERT_EQ(start == Start::DrvQuery ? SQL_SUCCESS : SQL_ERROR,
                DRIVER(d, SQLExecDirect)(s.dstmt, sqlText(start == Start::DrvQuery ? kQuery : kUnknownTable), SQL_NTS));
      return;
    case Start::DrvEnv:
    case Start::DrvDbc:
    case Start::DrvOpen:
      s.ownDriverHandles = true;
      ASSERT_EQ(SQL_SUCCESS, DRIVER(d, SQLAllocHandle)(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &s.denv));
      if (start == Start::DrvEnv) return;
      ASSERT_EQ(SQL_SUCCESS, DRIVER(d, SQLAllocHandle)(SQL_HANDLE_DBC, s.denv, &s.ddbc));
      if (start == Start::DrvOpen) {
        const std::string dsn = s.suite.db.dsn();
        ASSERT_EQ(SQL_SUCCESS, DRIVER(d, SQLConnect)(s.ddbc, sqlText(dsn.c_str()), SQL_NTS, sqlText(""), SQL_NTS,
                                                     sqlText(""), SQL_NTS));
      }
      return;
    default: break;
  }
  s.stmt = std::make_unique<Statement>(s.suite.conn.dbc());
  ASSERT_EQ(SQL_SUCCESS, s.stmt->allocResult());
  if (start == Start::DmStmt) return;
  if (start == Start::DmPrepared) {
    ASSERT_EQ(SQL_SUCCESS, SQLPrepare(s.st(), sqlText(kQuery), SQL_NTS));
    return;
  }
  ASSERT_EQ(SQL_SUCCESS, SQLExecDirect(s.st(), sqlText(kQuery), SQL_NTS));
  if (start == Start::DmBound) {
    ASSERT_EQ(SQL_SUCCESS, SQLBindCol(s.st(), 1, SQL_C_CHAR, s.buffer, sizeof s.buffer, &s.indicator));
  }
  if (start == Start::DmRow) {
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(s.st()));
  }
}

std::vector<DiagRecord> recordsOf(const Scene& s, Diag where) {
  switch (where) {
    case Diag::DmStmt: return diagnostics(SQL_HANDLE_STMT, s.st());
    case Diag::DmDbc: return diagnostics(SQL_HANDLE_DBC, s.dbc());
    case Diag::DrvStmt: return diagnostics(SQL_HANDLE_STMT, s.dstmt, DRIVER(s.driver, SQLGetDiagRec));
    case Diag::DrvDbc: return diagnostics(SQL_HANDLE_DBC, s.ddbc, DRIVER(s.driver, SQLGetDiagRec));
    case Diag::DrvEnv: return diagnostics(SQL_HANDLE_ENV, s.denv, DRIVER(s.driver, SQLGetDiagRec));
    case Diag::None: break;
  }
  return {};
}

}  // namespace emutest
