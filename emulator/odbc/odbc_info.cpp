// SQLGetInfo and SQLGetFunctions: what the driver manager and clients such as
// isql ask about the driver.
#include <cstring>

#include "odbc_guard.h"

using namespace hvemu;

namespace {

const SQLUSMALLINT kFunctions[] = {
    SQL_API_SQLALLOCHANDLE,   SQL_API_SQLALLOCENV,      SQL_API_SQLALLOCCONNECT, SQL_API_SQLALLOCSTMT,
    SQL_API_SQLFREEHANDLE,    SQL_API_SQLFREEENV,       SQL_API_SQLFREECONNECT,  SQL_API_SQLFREESTMT,
    SQL_API_SQLSETENVATTR,    SQL_API_SQLGETENVATTR,    SQL_API_SQLCONNECT,      SQL_API_SQLDRIVERCONNECT,
    SQL_API_SQLDISCONNECT,    SQL_API_SQLEXECDIRECT,    SQL_API_SQLPREPARE,      SQL_API_SQLEXECUTE,
    SQL_API_SQLNUMPARAMS,     SQL_API_SQLROWCOUNT,      SQL_API_SQLMORERESULTS,  SQL_API_SQLCANCEL,
    SQL_API_SQLCLOSECURSOR,   SQL_API_SQLSETSTMTATTR,   SQL_API_SQLGETSTMTATTR,  SQL_API_SQLSETSTMTOPTION,
    SQL_API_SQLGETSTMTOPTION, SQL_API_SQLNUMRESULTCOLS, SQL_API_SQLDESCRIBECOL,  SQL_API_SQLCOLATTRIBUTE,
    SQL_API_SQLCOLATTRIBUTES, SQL_API_SQLBINDCOL,       SQL_API_SQLFETCH,        SQL_API_SQLFETCHSCROLL,
    SQL_API_SQLGETDATA,       SQL_API_SQLGETDIAGREC,    SQL_API_SQLGETDIAGFIELD, SQL_API_SQLERROR,
    SQL_API_SQLGETINFO,       SQL_API_SQLGETFUNCTIONS,  SQL_API_SQLSETCONNECTATTR, SQL_API_SQLGETCONNECTATTR,
    SQL_API_SQLSETCONNECTOPTION, SQL_API_SQLGETCONNECTOPTION, SQL_API_SQLENDTRAN, SQL_API_SQLTRANSACT,
};

bool supported(SQLUSMALLINT id) {
  for (SQLUSMALLINT f : kFunctions) {
    if (f == id) return true;
  }
  return false;
}

SQLRETURN getFunctions(SQLUSMALLINT id, SQLUSMALLINT* out) {
  if (!out) return SQL_SUCCESS;
  if (id == SQL_API_ODBC3_ALL_FUNCTIONS) {
    std::memset(out, 0, sizeof(SQLUSMALLINT) * SQL_API_ODBC3_ALL_FUNCTIONS_SIZE);
    for (SQLUSMALLINT f : kFunctions) out[f >> 4] |= static_cast<SQLUSMALLINT>(1 << (f & 0xF));
  } else if (id == SQL_API_ALL_FUNCTIONS) {
    std::memset(out, 0, sizeof(SQLUSMALLINT) * 100);
    for (SQLUSMALLINT f : kFunctions) {
      if (f < 100) out[f] = SQL_TRUE;
    }
  } else {
    *out = supported(id) ? SQL_TRUE : SQL_FALSE;
  }
  return SQL_SUCCESS;
}

SQLRETURN getInfo(Dbc& dbc, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT max, SQLSMALLINT* length) {
  auto text = [&](std::string_view s) {
    if (copyText(s, value, max, length)) {
      dbc.add(driverError(DriverRecord::Truncated));
      return static_cast<SQLRETURN>(SQL_SUCCESS_WITH_INFO);
    }
    return static_cast<SQLRETURN>(SQL_SUCCESS);
  };
  auto u16 = [&](SQLUSMALLINT v) {
    if (value) std::memcpy(value, &v, sizeof v);
    if (length) *length = sizeof v;
    return static_cast<SQLRETURN>(SQL_SUCCESS);
  };
  auto u32 = [&](SQLUINTEGER v) {
    if (value) std::memcpy(value, &v, sizeof v);
    if (length) *length = sizeof v;
    return static_cast<SQLRETURN>(SQL_SUCCESS);
  };
  switch (type) {
    case SQL_DRIVER_ODBC_VER: return text("03.00");
    case SQL_DRIVER_NAME: return text("libhvemu.so");
    case SQL_DRIVER_VER: return text("01.00.0000");
    case SQL_DBMS_NAME: return text("Microsoft SQL Server");
    case SQL_DBMS_VER: return text("15.00.0000");
    case SQL_DATA_SOURCE_NAME: return text(dbc.dsn);
    case SQL_SERVER_NAME: return text("HvEmu");
    case SQL_DATABASE_NAME: return text(dbc.session ? std::string_view(dbc.session->databaseName()) : "");
    case SQL_USER_NAME: return text(dbc.user);

    case SQL_IDENTIFIER_QUOTE_CHAR: return text("\"");
    case SQL_SEARCH_PATTERN_ESCAPE: return text("\\");
    case SQL_CATALOG_NAME_SEPARATOR: return text(".");
    case SQL_CATALOG_TERM: return text("database");
    case SQL_SCHEMA_TERM: return text("owner");
    case SQL_TABLE_TERM: return text("table");
    case SQL_DATA_SOURCE_READ_ONLY: return text("N");
    case SQL_ACCESSIBLE_TABLES:
    case SQL_ACCESSIBLE_PROCEDURES: return text("Y");
    case SQL_MULT_RESULT_SETS:
    case SQL_PROCEDURES:
    case SQL_NEED_LONG_DATA_LEN:
    case SQL_OUTER_JOINS: return text("N");
    case SQL_COLUMN_ALIAS: return text("Y");
    case SQL_MAX_CONCURRENT_ACTIVITIES:
    case SQL_MAX_DRIVER_CONNECTIONS: return u16(0);
    case SQL_MAX_COLUMN_NAME_LEN:
    case SQL_MAX_TABLE_NAME_LEN:
    case SQL_MAX_SCHEMA_NAME_LEN:
    case SQL_MAX_CATALOG_NAME_LEN: return u16(128);
    case SQL_TXN_CAPABLE: return u16(SQL_TC_ALL);
    case SQL_CURSOR_COMMIT_BEHAVIOR:
    case SQL_CURSOR_ROLLBACK_BEHAVIOR: return u16(SQL_CB_PRESERVE);
    case SQL_IDENTIFIER_CASE: return u16(SQL_IC_MIXED);
    case SQL_QUOTED_IDENTIFIER_CASE: return u16(SQL_IC_MIXED);
    case SQL_NULL_COLLATION: return u16(SQL_NC_LOW);
    case SQL_CONCAT_NULL_BEHAVIOR: return u16(SQL_CB_NULL);
    case SQL_CORRELATION_NAME: return u16(SQL_CN_ANY);
    case SQL_NON_NULLABLE_COLUMNS: return u16(SQL_NNC_NON_NULL);
    case SQL_GETDATA_EXTENSIONS: return u32(SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER);
    case SQL_DEFAULT_TXN_ISOLATION: return u32(SQL_TXN_SERIALIZABLE);
    case SQL_TXN_ISOLATION_OPTION: return u32(SQL_TXN_SERIALIZABLE);
    case SQL_SCROLL_OPTIONS: return u32(SQL_SO_FORWARD_ONLY);
    case SQL_CURSOR_SENSITIVITY: return u32(SQL_UNSPECIFIED);
    case SQL_ASYNC_MODE: return u32(SQL_AM_NONE);
    case SQL_ODBC_INTERFACE_CONFORMANCE: return u32(SQL_OIC_CORE);
    case SQL_SQL_CONFORMANCE: return u32(SQL_SC_SQL92_ENTRY);
    case SQL_FETCH_DIRECTION: return u32(SQL_FD_FETCH_NEXT);
    case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1: return u32(SQL_CA1_NEXT);
    case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES2: return u32(SQL_CA2_READ_ONLY_CONCURRENCY);
    case SQL_STATIC_CURSOR_ATTRIBUTES1:
    case SQL_STATIC_CURSOR_ATTRIBUTES2:
    case SQL_DYNAMIC_CURSOR_ATTRIBUTES1:
    case SQL_DYNAMIC_CURSOR_ATTRIBUTES2:
    case SQL_KEYSET_CURSOR_ATTRIBUTES1:
    case SQL_KEYSET_CURSOR_ATTRIBUTES2:
    case SQL_BOOKMARK_PERSISTENCE:
    case SQL_POS_OPERATIONS:
    case SQL_STATIC_SENSITIVITY:
    case SQL_LOCK_TYPES:
    case SQL_MAX_ASYNC_CONCURRENT_STATEMENTS: return u32(0);
    case SQL_MAX_ROW_SIZE:
    case SQL_MAX_STATEMENT_LEN:
    case SQL_MAX_CHAR_LITERAL_LEN: return u32(8000);
    default:
      dbc.add(driverError(DriverRecord::InfoTypeRange));
      return SQL_ERROR;
  }
}

}  // namespace

HVEMU_EXPORT SQLRETURN SQLGetFunctions(SQLHDBC handle, SQLUSMALLINT id, SQLUSMALLINT* out) {
  return guardDbc(__func__, handle, [&](Dbc&) { return getFunctions(id, out); });
}

HVEMU_EXPORT SQLRETURN SQLGetInfo(SQLHDBC handle, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT max,
                                  SQLSMALLINT* length) {
  return guardDbc(__func__, handle, [&](Dbc& dbc) { return getInfo(dbc, type, value, max, length); });
}
