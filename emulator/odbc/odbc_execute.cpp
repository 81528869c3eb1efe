// Statement execution entry points: SQLExecDirect, SQLPrepare/SQLExecute,
// with the trace file and the injected execution failures; the statement
// attributes and the release of a statement.
#include <cstring>

#include "odbc_guard.h"

using namespace hvemu;

namespace {

SQLRETURN run(Stmt& stmt, const std::string& text) {
  Dbc& dbc = *stmt.dbc;
  if (!dbc.session) {
    stmt.add(driverError(DriverRecord::ConnectionNotOpen));
    return SQL_ERROR;
  }
  ExecResult r = dbc.session->execute(text, sessionSwitches(dbc.switches));
  stmt.diags = std::move(r.records);
  if (!r.ok) return SQL_ERROR;
  stmt.rows = std::move(r.rows);
  stmt.rowCount = r.rowCount;
  return successResult(stmt);
}

SQLRETURN setStmtAttr(Stmt& stmt, SQLINTEGER attr, SQLPOINTER value) {
  if (attr == SQL_ATTR_ROW_ARRAY_SIZE && reinterpret_cast<SQLULEN>(value) != 1) {
    stmt.add(driverError(DriverRecord::OptionChanged));
    return SQL_SUCCESS_WITH_INFO;
  }
  return SQL_SUCCESS;
}

SQLRETURN getStmtAttr(Stmt& stmt, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER* len) {
  switch (attr) {
    case SQL_ATTR_APP_ROW_DESC:
    case SQL_ATTR_APP_PARAM_DESC:
    case SQL_ATTR_IMP_ROW_DESC:
    case SQL_ATTR_IMP_PARAM_DESC: {
      SQLPOINTER desc = &stmt.descriptors[attr - SQL_ATTR_APP_ROW_DESC];
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

}  // namespace

HVEMU_EXPORT SQLRETURN SQLExecDirect(SQLHSTMT handle, SQLCHAR* text, SQLINTEGER length) {
  return guardStmt(__func__, handle, [&](Stmt& stmt) {
    stmt.closeCursor();
    stmt.rowCount = -1;
    return run(stmt, textArgument(text, length));
  });
}

HVEMU_EXPORT SQLRETURN SQLPrepare(SQLHSTMT handle, SQLCHAR* text, SQLINTEGER length) {
  return guardStmt(__func__, handle, [&](Stmt& stmt) -> SQLRETURN {
    stmt.closeCursor();
    stmt.prepared = false;
    stmt.preparedText = textArgument(text, length);
    stmt.prepared = true;
    return SQL_SUCCESS;
  });
}

HVEMU_EXPORT SQLRETURN SQLExecute(SQLHSTMT handle) {
  return guardStmt(__func__, handle, [](Stmt& stmt) -> SQLRETURN {
    stmt.closeCursor();
    stmt.rowCount = -1;
    if (!stmt.prepared) {
      stmt.add(driverError(DriverRecord::SequenceError));
      return SQL_ERROR;
    }
    return run(stmt, stmt.preparedText);
  });
}

HVEMU_EXPORT SQLRETURN SQLNumParams(SQLHSTMT handle, SQLSMALLINT* count) {
  return guardStmt(__func__, handle, [&](Stmt&) -> SQLRETURN {
    if (count) *count = 0;
    return SQL_SUCCESS;
  });
}

HVEMU_EXPORT SQLRETURN SQLRowCount(SQLHSTMT handle, SQLLEN* count) {
  return guardStmt(__func__, handle, [&](Stmt& stmt) -> SQLRETURN {
    if (count) *count = static_cast<SQLLEN>(stmt.rowCount);
    return SQL_SUCCESS;
  });
}

HVEMU_EXPORT SQLRETURN SQLMoreResults(SQLHSTMT handle) {
  return guardStmt(__func__, handle, [](Stmt& stmt) -> SQLRETURN {
    stmt.closeCursor();
    return SQL_NO_DATA;
  });
}

HVEMU_EXPORT SQLRETURN SQLCancel(SQLHSTMT handle) {
  return guardStmt(__func__, handle, [](Stmt&) -> SQLRETURN { return SQL_SUCCESS; });
}

HVEMU_EXPORT SQLRETURN SQLCloseCursor(SQLHSTMT handle) {
  return guardStmt(__func__, handle, [](Stmt& stmt) -> SQLRETURN {
    stmt.closeCursor();
    return SQL_SUCCESS;
  });
}

HVEMU_EXPORT SQLRETURN SQLFreeStmt(SQLHSTMT handle, SQLUSMALLINT option) {
  return guardStmt(__func__, handle, [&](Stmt& stmt) -> SQLRETURN {
    switch (option) {
      case SQL_DROP: freeStmt(stmt); return SQL_SUCCESS;
      case SQL_CLOSE: stmt.closeCursor(); return SQL_SUCCESS;
      case SQL_UNBIND: stmt.bindings.clear(); return SQL_SUCCESS;
      default: return SQL_SUCCESS;
    }
  });
}

HVEMU_EXPORT SQLRETURN SQLSetStmtAttr(SQLHSTMT handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
  return guardStmt(__func__, handle, [&](Stmt& stmt) { return setStmtAttr(stmt, attr, value); });
}

HVEMU_EXPORT SQLRETURN SQLGetStmtAttr(SQLHSTMT handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER,
                                      SQLINTEGER* len) {
  return guardStmt(__func__, handle, [&](Stmt& stmt) { return getStmtAttr(stmt, attr, value, len); });
}

HVEMU_EXPORT SQLRETURN SQLSetStmtOption(SQLHSTMT handle, SQLUSMALLINT option, SQLULEN value) {
  return guardStmt(__func__, handle,
                   [&](Stmt& stmt) { return setStmtAttr(stmt, option, reinterpret_cast<SQLPOINTER>(value)); });
}
HVEMU_EXPORT SQLRETURN SQLGetStmtOption(SQLHSTMT handle, SQLUSMALLINT option, SQLPOINTER value) {
  return guardStmt(__func__, handle, [&](Stmt& stmt) { return getStmtAttr(stmt, option, value, nullptr); });
}
