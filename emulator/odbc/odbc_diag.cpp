// Diagnostic entry points: SQLGetDiagRec, SQLGetDiagField and the old
// SQLError, over the records each handle keeps from its last call, the
// fallback record included. They keep the records and allocate nothing.
#include <cstring>

#include "odbc_guard.h"

using namespace hvemu;

namespace {

constexpr std::string_view kOdbcOrigin = "ODBC 3.0";
constexpr std::string_view kIsoOrigin = "ISO 9075";
constexpr std::string_view kServerName = "HvEmu";

template <typename T>
SQLRETURN put(SQLPOINTER info, T v) {
  if (info) std::memcpy(info, &v, sizeof v);
  return SQL_SUCCESS;
}

// Hands out one record: SQLSTATE (6 bytes with the zero), native number and
// the prefixed message.
SQLRETURN putRecord(const DiagView& d, SQLCHAR* state, SQLINTEGER* native, SQLCHAR* message, SQLSMALLINT max,
                    SQLSMALLINT* length) {
  if (state) copyText(d.sqlstate, state, 6, static_cast<SQLSMALLINT*>(nullptr));
  if (native) *native = static_cast<SQLINTEGER>(d.native);
  return copyText(d.prefix, message, max, length, d.text) ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

SQLRETURN getDiagRec(const HandleBase& h, SQLSMALLINT rec, SQLCHAR* state, SQLINTEGER* native, SQLCHAR* message,
                     SQLSMALLINT max, SQLSMALLINT* length) {
  if (rec < 1) return SQL_ERROR;
  if (static_cast<size_t>(rec) > h.diagCount()) return SQL_NO_DATA;
  return putRecord(h.diagAt(static_cast<size_t>(rec) - 1), state, native, message, max, length);
}

SQLRETURN getDiagField(const HandleBase& h, SQLSMALLINT rec, SQLSMALLINT field, SQLPOINTER info, SQLSMALLINT max,
                       SQLSMALLINT* length) {
  switch (field) {
    case SQL_DIAG_NUMBER: return put(info, static_cast<SQLINTEGER>(h.diagCount()));
    case SQL_DIAG_RETURNCODE: return put(info, static_cast<SQLRETURN>(h.hasDiags() ? SQL_ERROR : SQL_SUCCESS));
    case SQL_DIAG_ROW_COUNT: {
      const Stmt* s = h.kind == HandleKind::Stmt ? static_cast<const Stmt*>(&h) : nullptr;
      return put(info, static_cast<SQLLEN>(s ? s->rowCount : 0));
    }
    case SQL_DIAG_CURSOR_ROW_COUNT: return put(info, static_cast<SQLLEN>(0));
    case SQL_DIAG_DYNAMIC_FUNCTION: copyText("", info, max, length); return SQL_SUCCESS;
    case SQL_DIAG_DYNAMIC_FUNCTION_CODE: return put(info, static_cast<SQLINTEGER>(SQL_DIAG_UNKNOWN_STATEMENT));
    default: break;
  }
  if (rec < 1) return SQL_ERROR;
  if (static_cast<size_t>(rec) > h.diagCount()) return SQL_NO_DATA;
  const DiagView d = h.diagAt(static_cast<size_t>(rec) - 1);
  switch (field) {
    case SQL_DIAG_SQLSTATE: copyText(d.sqlstate, info, max, length); return SQL_SUCCESS;
    case SQL_DIAG_NATIVE: return put(info, static_cast<SQLINTEGER>(d.native));
    case SQL_DIAG_MESSAGE_TEXT:
      return copyText(d.prefix, info, max, length, d.text) ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
    case SQL_DIAG_CLASS_ORIGIN:
    case SQL_DIAG_SUBCLASS_ORIGIN:
      copyText(d.sqlstate.substr(0, 2) == "IM" ? kOdbcOrigin : kIsoOrigin, info, max, length);
      return SQL_SUCCESS;
    case SQL_DIAG_CONNECTION_NAME:
    case SQL_DIAG_SERVER_NAME: copyText(kServerName, info, max, length); return SQL_SUCCESS;
    case SQL_DIAG_ROW_NUMBER: return put(info, static_cast<SQLLEN>(SQL_ROW_NUMBER_UNKNOWN));
    case SQL_DIAG_COLUMN_NUMBER: return put(info, static_cast<SQLINTEGER>(SQL_COLUMN_NUMBER_UNKNOWN));
    default: return SQL_ERROR;
  }
}

SQLRETURN nextError(HandleBase& h, SQLCHAR* state, SQLINTEGER* native, SQLCHAR* message, SQLSMALLINT max,
                    SQLSMALLINT* length) {
  if (h.nextErrorForSqlError >= h.diagCount()) return SQL_NO_DATA;
  return putRecord(h.diagAt(h.nextErrorForSqlError++), state, native, message, max, length);
}

}  // namespace

HVEMU_EXPORT SQLRETURN SQLGetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT rec, SQLCHAR* state,
                                     SQLINTEGER* native, SQLCHAR* message, SQLSMALLINT max, SQLSMALLINT* length) {
  return guardAnyKind(
      __func__, type, handle,
      [&](HandleBase& h) { return getDiagRec(h, rec, state, native, message, max, length); }, Records::Keep);
}

HVEMU_EXPORT SQLRETURN SQLGetDiagField(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT rec, SQLSMALLINT field,
                                       SQLPOINTER info, SQLSMALLINT max, SQLSMALLINT* length) {
  return guardAnyKind(
      __func__, type, handle, [&](HandleBase& h) { return getDiagField(h, rec, field, info, max, length); },
      Records::Keep);
}

HVEMU_EXPORT SQLRETURN SQLError(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt, SQLCHAR* state, SQLINTEGER* native,
                                SQLCHAR* message, SQLSMALLINT max, SQLSMALLINT* length) {
  const SQLSMALLINT type = stmt ? SQL_HANDLE_STMT : dbc ? SQL_HANDLE_DBC : SQL_HANDLE_ENV;
  return guardAnyKind(
      __func__, type, stmt ? stmt : dbc ? dbc : env,
      [&](HandleBase& h) { return nextError(h, state, native, message, max, length); }, Records::Keep);
}
