// Diagnostic entry points: SQLGetDiagRec, SQLGetDiagField and the old
// SQLError, over the records each handle keeps from its last call.
#include <cstring>

#include "odbc_handles.h"

using namespace hvemu;

namespace {

std::string fullMessage(const ServerError& e) { return messagePrefix(e.fromServer) + e.text; }

}  // namespace

HVEMU_EXPORT SQLRETURN SQLGetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT rec, SQLCHAR* state,
                                     SQLINTEGER* native, SQLCHAR* message, SQLSMALLINT max, SQLSMALLINT* length) {
  HandleBase* h = asHandle(type, handle);
  if (!h) return SQL_INVALID_HANDLE;
  if (rec < 1) return SQL_ERROR;
  if (static_cast<size_t>(rec) > h->diags.size()) return SQL_NO_DATA;
  const ServerError& e = h->diags[rec - 1];
  if (state) copyText(e.sqlstate, state, 6, static_cast<SQLSMALLINT*>(nullptr));
  if (native) *native = static_cast<SQLINTEGER>(e.native);
  return copyText(fullMessage(e), message, max, length) ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

HVEMU_EXPORT SQLRETURN SQLGetDiagField(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT rec, SQLSMALLINT field,
                                       SQLPOINTER info, SQLSMALLINT max, SQLSMALLINT* length) {
  HandleBase* h = asHandle(type, handle);
  if (!h) return SQL_INVALID_HANDLE;
  auto putInt = [&](SQLINTEGER v) {
    if (info) std::memcpy(info, &v, sizeof v);
    return SQL_SUCCESS;
  };
  switch (field) {
    case SQL_DIAG_NUMBER: return putInt(static_cast<SQLINTEGER>(h->diags.size()));
    case SQL_DIAG_RETURNCODE: {
      const SQLRETURN v = h->diags.empty() ? SQL_SUCCESS : SQL_ERROR;
      if (info) std::memcpy(info, &v, sizeof v);
      return SQL_SUCCESS;
    }
    case SQL_DIAG_ROW_COUNT: {
      const Stmt* s = asStmt(handle);
      const SQLLEN v = s ? static_cast<SQLLEN>(s->rowCount) : 0;
      if (info) std::memcpy(info, &v, sizeof v);
      return SQL_SUCCESS;
    }
    case SQL_DIAG_CURSOR_ROW_COUNT: {
      const SQLLEN v = 0;
      if (info) std::memcpy(info, &v, sizeof v);
      return SQL_SUCCESS;
    }
    case SQL_DIAG_DYNAMIC_FUNCTION: copyText("", info, max, length); return SQL_SUCCESS;
    case SQL_DIAG_DYNAMIC_FUNCTION_CODE: return putInt(SQL_DIAG_UNKNOWN_STATEMENT);
    default: break;
  }
  if (rec < 1) return SQL_ERROR;
  if (static_cast<size_t>(rec) > h->diags.size()) return SQL_NO_DATA;
  const ServerError& e = h->diags[rec - 1];
  switch (field) {
    case SQL_DIAG_SQLSTATE: copyText(e.sqlstate, info, max, length); return SQL_SUCCESS;
    case SQL_DIAG_NATIVE: return putInt(static_cast<SQLINTEGER>(e.native));
    case SQL_DIAG_MESSAGE_TEXT:
      return copyText(fullMessage(e), info, max, length) ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
    case SQL_DIAG_CLASS_ORIGIN:
    case SQL_DIAG_SUBCLASS_ORIGIN:
      copyText(e.sqlstate.compare(0, 2, "IM") == 0 ? "ODBC 3.0" : "ISO 9075", info, max, length);
      return SQL_SUCCESS;
    case SQL_DIAG_CONNECTION_NAME:
    case SQL_DIAG_SERVER_NAME: copyText("HvEmu", info, max, length); return SQL_SUCCESS;
    case SQL_DIAG_ROW_NUMBER: {
      const SQLLEN v = SQL_ROW_NUMBER_UNKNOWN;
      if (info) std::memcpy(info, &v, sizeof v);
      return SQL_SUCCESS;
    }
    case SQL_DIAG_COLUMN_NUMBER: return putInt(SQL_COLUMN_NUMBER_UNKNOWN);
    default: return SQL_ERROR;
  }
}

HVEMU_EXPORT SQLRETURN SQLError(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt, SQLCHAR* state, SQLINTEGER* native,
                                SQLCHAR* message, SQLSMALLINT max, SQLSMALLINT* length) {
  HandleBase* h = stmt ? static_cast<HandleBase*>(asStmt(stmt))
                       : dbc ? static_cast<HandleBase*>(asDbc(dbc)) : static_cast<HandleBase*>(asEnv(env));
  if (!h) return SQL_INVALID_HANDLE;
  if (h->nextErrorForSqlError >= h->diags.size()) return SQL_NO_DATA;
  const ServerError& e = h->diags[h->nextErrorForSqlError++];
  if (state) copyText(e.sqlstate, state, 6, static_cast<SQLSMALLINT*>(nullptr));
  if (native) *native = static_cast<SQLINTEGER>(e.native);
  return copyText(fullMessage(e), message, max, length) ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}
