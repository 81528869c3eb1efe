// Statement execution entry points: SQLExecDirect, SQLPrepare/SQLExecute,
// with the trace file and the injected execution failures.
#include <cstring>

#include "odbc_handles.h"

using namespace hvemu;

namespace {

std::string fromSql(const SQLCHAR* text, SQLINTEGER length) {
  if (!text) return std::string();
  const char* p = reinterpret_cast<const char*>(text);
  return length == SQL_NTS ? std::string(p) : std::string(p, static_cast<size_t>(length < 0 ? 0 : length));
}

SQLRETURN run(Stmt* stmt, const std::string& text) {
  Dbc* dbc = stmt->dbc;
  appendTrace(switchValue("HVEMU_TRACE", "Trace", dbc->switches), text);
  ++dbc->executions;
  const std::string failSetting = switchValue("HVEMU_FAIL_EXEC", "FailExec", dbc->switches);
  if (!failSetting.empty()) {
    if (std::optional<InjectedFailure> f = injectedFailure(failSetting, dbc->executions)) {
      if (f->withRecord) stmt->diags.push_back(f->record);
      return SQL_ERROR;
    }
  }
  if (!dbc->session) {
    stmt->diags.push_back(driverError("08003", "Connection not open"));
    return SQL_ERROR;
  }
  ExecOptions options;
  options.oldTruncation = switchOn(switchValue("HVEMU_OLD_TRUNCATION", "OldTruncation", dbc->switches));
  ExecResult r = dbc->session->execute(text, options);
  stmt->diags = std::move(r.records);
  if (!r.ok) return SQL_ERROR;
  stmt->rows = std::move(r.rows);
  stmt->rowCount = r.rowCount;
  return successResult(*stmt);
}

}  // namespace

HVEMU_EXPORT SQLRETURN SQLExecDirect(SQLHSTMT handle, SQLCHAR* text, SQLINTEGER length) {
  Stmt* stmt = asStmt(handle);
  if (!stmt) return SQL_INVALID_HANDLE;
  stmt->clearDiags();
  stmt->closeCursor();
  stmt->rowCount = -1;
  try {
    return run(stmt, fromSql(text, length));
  } catch (...) {
    stmt->diags.push_back(driverError("HY000", "Internal error"));
    return SQL_ERROR;
  }
}

HVEMU_EXPORT SQLRETURN SQLPrepare(SQLHSTMT handle, SQLCHAR* text, SQLINTEGER length) {
  Stmt* stmt = asStmt(handle);
  if (!stmt) return SQL_INVALID_HANDLE;
  stmt->clearDiags();
  stmt->closeCursor();
  stmt->preparedText = fromSql(text, length);
  stmt->prepared = true;
  return SQL_SUCCESS;
}

HVEMU_EXPORT SQLRETURN SQLExecute(SQLHSTMT handle) {
  Stmt* stmt = asStmt(handle);
  if (!stmt) return SQL_INVALID_HANDLE;
  stmt->clearDiags();
  stmt->closeCursor();
  stmt->rowCount = -1;
  if (!stmt->prepared) {
    stmt->diags.push_back(driverError("HY010", "Function sequence error"));
    return SQL_ERROR;
  }
  try {
    return run(stmt, stmt->preparedText);
  } catch (...) {
    stmt->diags.push_back(driverError("HY000", "Internal error"));
    return SQL_ERROR;
  }
}

HVEMU_EXPORT SQLRETURN SQLNumParams(SQLHSTMT handle, SQLSMALLINT* count) {
  Stmt* stmt = asStmt(handle);
  if (!stmt) return SQL_INVALID_HANDLE;
  stmt->clearDiags();
  if (count) *count = 0;
  return SQL_SUCCESS;
}

HVEMU_EXPORT SQLRETURN SQLRowCount(SQLHSTMT handle, SQLLEN* count) {
  Stmt* stmt = asStmt(handle);
  if (!stmt) return SQL_INVALID_HANDLE;
  stmt->clearDiags();
  if (count) *count = static_cast<SQLLEN>(stmt->rowCount);
  return SQL_SUCCESS;
}

HVEMU_EXPORT SQLRETURN SQLMoreResults(SQLHSTMT handle) {
  Stmt* stmt = asStmt(handle);
  if (!stmt) return SQL_INVALID_HANDLE;
  stmt->clearDiags();
  stmt->closeCursor();
  return SQL_NO_DATA;
}

HVEMU_EXPORT SQLRETURN SQLCancel(SQLHSTMT handle) {
  Stmt* stmt = asStmt(handle);
  if (!stmt) return SQL_INVALID_HANDLE;
  stmt->clearDiags();
  return SQL_SUCCESS;
}

HVEMU_EXPORT SQLRETURN SQLCloseCursor(SQLHSTMT handle) {
  Stmt* stmt = asStmt(handle);
  if (!stmt) return SQL_INVALID_HANDLE;
  stmt->clearDiags();
  stmt->closeCursor();
  return SQL_SUCCESS;
}

HVEMU_EXPORT SQLRETURN SQLFreeStmt(SQLHSTMT handle, SQLUSMALLINT option) {
  Stmt* stmt = asStmt(handle);
  if (!stmt) return SQL_INVALID_HANDLE;
  stmt->clearDiags();
  switch (option) {
    case SQL_DROP: {
      stmt->dbc->statements.erase(stmt);
      delete stmt;
      return SQL_SUCCESS;
    }
    case SQL_CLOSE: stmt->closeCursor(); return SQL_SUCCESS;
    case SQL_UNBIND: stmt->bindings.clear(); return SQL_SUCCESS;
    default: return SQL_SUCCESS;
  }
}

HVEMU_EXPORT SQLRETURN SQLSetStmtAttr(SQLHSTMT handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
  Stmt* stmt = asStmt(handle);
  if (!stmt) return SQL_INVALID_HANDLE;
  stmt->clearDiags();
  if (attr == SQL_ATTR_ROW_ARRAY_SIZE && reinterpret_cast<SQLULEN>(value) != 1) {
    stmt->diags.push_back(driverError("01S02", "Option value changed"));
    return SQL_SUCCESS_WITH_INFO;
  }
  return SQL_SUCCESS;
}

HVEMU_EXPORT SQLRETURN SQLGetStmtAttr(SQLHSTMT handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER,
                                      SQLINTEGER* len) {
  Stmt* stmt = asStmt(handle);
  if (!stmt) return SQL_INVALID_HANDLE;
  stmt->clearDiags();
  switch (attr) {
    case SQL_ATTR_APP_ROW_DESC:
    case SQL_ATTR_APP_PARAM_DESC:
    case SQL_ATTR_IMP_ROW_DESC:
    case SQL_ATTR_IMP_PARAM_DESC: {
      SQLPOINTER desc = &stmt->descriptors[attr - SQL_ATTR_APP_ROW_DESC];
      if (value) std::memcpy(value, &desc, sizeof desc);
      if (len) *len = sizeof desc;
      return SQL_SUCCESS;
    }
    default: {
      SQLULEN v = 0;
      if (attr == SQL_ATTR_ROW_ARRAY_SIZE || attr == SQL_ROWSET_SIZE) v = 1;
      if (attr == SQL_ATTR_CURSOR_TYPE) v = SQL_CURSOR_FORWARD_ONLY;
      if (attr == SQL_ATTR_CONCURRENCY) v = SQL_CONCUR_READ_ONLY;
      if (value) std::memcpy(value, &v, sizeof v);
      if (len) *len = sizeof v;
      return SQL_SUCCESS;
    }
  }
}

HVEMU_EXPORT SQLRETURN SQLSetStmtOption(SQLHSTMT stmt, SQLUSMALLINT option, SQLULEN value) {
  return SQLSetStmtAttr(stmt, option, reinterpret_cast<SQLPOINTER>(value), 0);
}
HVEMU_EXPORT SQLRETURN SQLGetStmtOption(SQLHSTMT stmt, SQLUSMALLINT option, SQLPOINTER value) {
  return SQLGetStmtAttr(stmt, option, value, 0, nullptr);
}
