// Result entry points: column description, binding, fetching and SQLGetData,
// with the conversions to SQL_C_CHAR and the integer C types.
#include <cstdlib>
#include <cstring>

#include "odbc_guard.h"

using namespace hvemu;

namespace {

SQLSMALLINT sqlType(const SqlType& t) {
  switch (t.base) {
    case BaseType::VarChar: return SQL_VARCHAR;
    case BaseType::Char: return SQL_CHAR;
    case BaseType::TinyInt: return SQL_TINYINT;
    case BaseType::SmallInt: return SQL_SMALLINT;
    case BaseType::Int: return SQL_INTEGER;
    case BaseType::BigInt: return SQL_BIGINT;
    case BaseType::DateTime: return SQL_TYPE_TIMESTAMP;
  }
  return SQL_VARCHAR;
}

SQLULEN columnSize(const SqlType& t) {
  switch (t.base) {
    case BaseType::TinyInt: return 3;
    case BaseType::SmallInt: return 5;
    case BaseType::Int: return 10;
    case BaseType::BigInt: return 19;
    case BaseType::DateTime: return 23;
    default: return static_cast<SQLULEN>(t.length);
  }
}

SQLLEN displaySize(const SqlType& t) {
  switch (t.base) {
    case BaseType::TinyInt: return 3;
    case BaseType::SmallInt: return 6;
    case BaseType::Int: return 11;
    case BaseType::BigInt: return 20;
    case BaseType::DateTime: return 23;
    default: return t.length;
  }
}

SQLSMALLINT defaultCType(const SqlType& t) {
  switch (t.base) {
    case BaseType::TinyInt: return SQL_C_UTINYINT;
    case BaseType::SmallInt: return SQL_C_SSHORT;
    case BaseType::Int: return SQL_C_SLONG;
    case BaseType::BigInt: return SQL_C_SBIGINT;
    default: return SQL_C_CHAR;
  }
}

bool checkColumn(Stmt& stmt, SQLUSMALLINT col) {
  if (!stmt.rows || col < 1 || col > stmt.rows->columns().size()) {
    stmt.add(driverError(DriverRecord::DescriptorIndex));
    return false;
  }
  return true;
}

// Delivers column `col` (1-based) of the current row into one target.
// `offset` is the count of text bytes already delivered (SQLGetData pieces).
SQLRETURN deliver(Stmt& stmt, SQLUSMALLINT col, SQLSMALLINT cType, SQLPOINTER target, SQLLEN size,
                  SQLLEN* indicator, size_t* offset) {
  const ResultSet& rs = *stmt.rows;
  const int c = col - 1;
  const SqlType& type = rs.columns()[c].type;
  if (rs.isNull(c)) {
    if (!indicator) {
      stmt.add(driverError(DriverRecord::IndicatorRequired));
      return SQL_ERROR;
    }
    *indicator = SQL_NULL_DATA;  // the buffer keeps what it held
    return SQL_SUCCESS;
  }
  if (cType == SQL_C_DEFAULT) cType = defaultCType(type);
  if (cType == SQL_C_CHAR || cType == SQL_C_BINARY) {
    std::string value = rs.text(c);
    const size_t done = offset ? *offset : 0;
    if (offset && done > 0 && done >= value.size()) return SQL_NO_DATA;
    value.erase(0, done);
    SQLLEN length = static_cast<SQLLEN>(value.size());
    const SQLLEN room = cType == SQL_C_CHAR ? (size > 0 ? size - 1 : 0) : size;
    const size_t n = static_cast<size_t>(length < room ? length : room);
    if (target && size > 0) {
      std::memcpy(target, value.data(), n);
      if (cType == SQL_C_CHAR) static_cast<char*>(target)[n] = '\0';
    }
    if (indicator) *indicator = length;
    if (offset) *offset = done + n;
    if (static_cast<SQLLEN>(n) < length) {
      stmt.add(driverError(DriverRecord::Truncated));
      return SQL_SUCCESS_WITH_INFO;
    }
    if (offset && n == 0 && done == 0) *offset = 1;  // an empty text counts as delivered
    return SQL_SUCCESS;
  }
  if (offset) {
    if (*offset > 0) return SQL_NO_DATA;
    *offset = 1;
  }
  long long v = 0;
  if (type.isInteger()) {
    v = rs.integer(c);
  } else {
    const std::string text = rs.text(c);
    char* end = nullptr;
    v = std::strtoll(text.c_str(), &end, 10);
    while (end && *end == ' ') ++end;
    if (text.empty() || !end || *end != '\0') {
      stmt.add(driverError(DriverRecord::CastValue));
      return SQL_ERROR;
    }
  }
  switch (cType) {
    case SQL_C_LONG:
    case SQL_C_SLONG:
    case SQL_C_ULONG: {
      const SQLINTEGER x = static_cast<SQLINTEGER>(v);
      if (target) std::memcpy(target, &x, sizeof x);
      if (indicator) *indicator = sizeof x;
      return SQL_SUCCESS;
    }
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
    case SQL_C_USHORT: {
      const SQLSMALLINT x = static_cast<SQLSMALLINT>(v);
      if (target) std::memcpy(target, &x, sizeof x);
      if (indicator) *indicator = sizeof x;
      return SQL_SUCCESS;
    }
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
    case SQL_C_UTINYINT: {
      const signed char x = static_cast<signed char>(v);
      if (target) std::memcpy(target, &x, sizeof x);
      if (indicator) *indicator = sizeof x;
      return SQL_SUCCESS;
    }
    case SQL_C_SBIGINT:
    case SQL_C_UBIGINT: {
      const SQLBIGINT x = v;
      if (target) std::memcpy(target, &x, sizeof x);
      if (indicator) *indicator = sizeof x;
      return SQL_SUCCESS;
    }
    case SQL_C_DOUBLE: {
      const double x = static_cast<double>(v);
      if (target) std::memcpy(target, &x, sizeof x);
      if (indicator) *indicator = sizeof x;
      return SQL_SUCCESS;
    }
    default:
      stmt.add(driverError(DriverRecord::NotImplemented));
      return SQL_ERROR;
  }
}

SQLRETURN describeCol(Stmt& stmt, SQLUSMALLINT col, SQLCHAR* name, SQLSMALLINT nameMax, SQLSMALLINT* nameLen,
                      SQLSMALLINT* type, SQLULEN* size, SQLSMALLINT* digits, SQLSMALLINT* nullable) {
  if (!checkColumn(stmt, col)) return SQL_ERROR;
  const ResultColumn& c = stmt.rows->columns()[col - 1];
  const bool cut = copyText(c.name, name, nameMax, nameLen);
  if (type) *type = sqlType(c.type);
  if (size) *size = columnSize(c.type);
  if (digits) *digits = c.type.base == BaseType::DateTime ? 3 : 0;
  if (nullable) *nullable = c.nullable ? SQL_NULLABLE : SQL_NO_NULLS;
  if (cut) {
    stmt.add(driverError(DriverRecord::Truncated));
    return SQL_SUCCESS_WITH_INFO;
  }
  return SQL_SUCCESS;
}

SQLRETURN colAttribute(Stmt& stmt, SQLUSMALLINT col, SQLUSMALLINT field, SQLPOINTER text, SQLSMALLINT textMax,
                       SQLSMALLINT* textLen, SQLLEN* number) {
  if (field == SQL_DESC_COUNT || field == SQL_COLUMN_COUNT) {
    if (number) *number = stmt.rows ? static_cast<SQLLEN>(stmt.rows->columns().size()) : 0;
    return SQL_SUCCESS;
  }
  if (!checkColumn(stmt, col)) return SQL_ERROR;
  const ResultColumn& c = stmt.rows->columns()[col - 1];
  SQLLEN n = 0;
  const std::string* str = nullptr;
  std::string s;
  switch (field) {
    case SQL_DESC_NAME:
    case SQL_COLUMN_NAME:
    case SQL_DESC_LABEL:
    case SQL_DESC_BASE_COLUMN_NAME: str = &c.name; break;
    case SQL_DESC_TYPE_NAME:
      allocationPoint();
      s = typeName(c.type, false);
      str = &s;
      break;
    case SQL_DESC_TABLE_NAME:
    case SQL_DESC_BASE_TABLE_NAME:
    case SQL_DESC_SCHEMA_NAME:
    case SQL_DESC_CATALOG_NAME:
    case SQL_DESC_LITERAL_PREFIX:
    case SQL_DESC_LITERAL_SUFFIX:
    case SQL_DESC_LOCAL_TYPE_NAME: str = &s; break;
    case SQL_DESC_CONCISE_TYPE: n = sqlType(c.type); break;
    case SQL_DESC_TYPE: n = c.type.base == BaseType::DateTime ? SQL_DATETIME : sqlType(c.type); break;
    case SQL_DESC_LENGTH:
    case SQL_COLUMN_LENGTH:
    case SQL_DESC_PRECISION:
    case SQL_COLUMN_PRECISION: n = static_cast<SQLLEN>(columnSize(c.type)); break;
    case SQL_DESC_OCTET_LENGTH: n = c.type.isText() ? c.type.length : static_cast<SQLLEN>(columnSize(c.type)); break;
    case SQL_DESC_DISPLAY_SIZE: n = displaySize(c.type); break;
    case SQL_DESC_SCALE:
    case SQL_COLUMN_SCALE: n = c.type.base == BaseType::DateTime ? 3 : 0; break;
    case SQL_DESC_NULLABLE:
    case SQL_COLUMN_NULLABLE: n = c.nullable ? SQL_NULLABLE : SQL_NO_NULLS; break;
    case SQL_DESC_UNSIGNED: n = c.type.isInteger() ? SQL_FALSE : SQL_TRUE; break;
    case SQL_DESC_CASE_SENSITIVE: n = SQL_FALSE; break;
    case SQL_DESC_SEARCHABLE: n = SQL_PRED_SEARCHABLE; break;
    case SQL_DESC_UPDATABLE: n = SQL_ATTR_READWRITE_UNKNOWN; break;
    case SQL_DESC_NUM_PREC_RADIX: n = c.type.isInteger() ? 10 : 0; break;
    default: n = 0; break;
  }
  if (str) {
    if (copyText(*str, text, textMax, textLen)) {
      stmt.add(driverError(DriverRecord::Truncated));
      return SQL_SUCCESS_WITH_INFO;
    }
    return SQL_SUCCESS;
  }
  if (number) *number = n;
  return SQL_SUCCESS;
}

SQLRETURN bindCol(Stmt& stmt, SQLUSMALLINT col, SQLSMALLINT cType, SQLPOINTER target, SQLLEN size,
                  SQLLEN* indicator) {
  if (col == 0) {
    stmt.add(driverError(DriverRecord::DescriptorIndex));
    return SQL_ERROR;
  }
  if (!target && !indicator) {
    stmt.bindings.erase(col);
    return SQL_SUCCESS;
  }
  allocationPoint();
  stmt.bindings[col] = Binding{cType, target, size, indicator};
  return SQL_SUCCESS;
}

SQLRETURN fetch(Stmt& stmt) {
  if (!stmt.rows) {
    stmt.add(driverError(DriverRecord::CursorState));
    return SQL_ERROR;
  }
  stmt.getDataOffset.clear();
  const int step = stmt.rows->next();
  if (step == 0) {
    stmt.rowCurrent = false;
    return SQL_NO_DATA;
  }
  if (step < 0) {
    stmt.rowCurrent = false;
    stmt.add(driverError(DriverRecord::StoreFailure, stmt.rows->error()));
    return SQL_ERROR;
  }
  stmt.rowCurrent = true;
  SQLRETURN result = SQL_SUCCESS;
  for (const auto& [col, b] : stmt.bindings) {
    if (col > stmt.rows->columns().size()) continue;
    const SQLRETURN one = deliver(stmt, col, b.targetType, b.target, b.bufferLength, b.indicator, nullptr);
    if (one == SQL_ERROR) result = SQL_ERROR;
    else if (one == SQL_SUCCESS_WITH_INFO && result == SQL_SUCCESS) result = SQL_SUCCESS_WITH_INFO;
  }
  return result;
}

SQLRETURN getData(Stmt& stmt, SQLUSMALLINT col, SQLSMALLINT cType, SQLPOINTER target, SQLLEN size,
                  SQLLEN* indicator) {
  if (!stmt.rowCurrent) {
    stmt.add(driverError(DriverRecord::CursorState));
    return SQL_ERROR;
  }
  if (!checkColumn(stmt, col)) return SQL_ERROR;
  allocationPoint();
  size_t& offset = stmt.getDataOffset[col];
  if (offset > 0 && stmt.rows->isNull(col - 1)) return SQL_NO_DATA;
  const SQLRETURN r = deliver(stmt, col, cType, target, size, indicator, &offset);
  if (r == SQL_SUCCESS && stmt.rows->isNull(col - 1)) offset = 1;
  return r;
}

}  // namespace

HVEMU_EXPORT SQLRETURN SQLNumResultCols(SQLHSTMT handle, SQLSMALLINT* count) {
  return guardStmt(__func__, handle, [&](Stmt& stmt) -> SQLRETURN {
    if (count) *count = stmt.rows ? static_cast<SQLSMALLINT>(stmt.rows->columns().size()) : 0;
    return SQL_SUCCESS;
  });
}

HVEMU_EXPORT SQLRETURN SQLDescribeCol(SQLHSTMT handle, SQLUSMALLINT col, SQLCHAR* name, SQLSMALLINT nameMax,
                                      SQLSMALLINT* nameLen, SQLSMALLINT* type, SQLULEN* size, SQLSMALLINT* digits,
                                      SQLSMALLINT* nullable) {
  return guardStmt(__func__, handle, [&](Stmt& stmt) {
    return describeCol(stmt, col, name, nameMax, nameLen, type, size, digits, nullable);
  });
}

HVEMU_EXPORT SQLRETURN SQLColAttribute(SQLHSTMT handle, SQLUSMALLINT col, SQLUSMALLINT field, SQLPOINTER text,
                                       SQLSMALLINT textMax, SQLSMALLINT* textLen, SQLLEN* number) {
  return guardStmt(__func__, handle,
                   [&](Stmt& stmt) { return colAttribute(stmt, col, field, text, textMax, textLen, number); });
}

HVEMU_EXPORT SQLRETURN SQLColAttributes(SQLHSTMT handle, SQLUSMALLINT col, SQLUSMALLINT field, SQLPOINTER text,
                                        SQLSMALLINT textMax, SQLSMALLINT* textLen, SQLLEN* number) {
  return guardStmt(__func__, handle,
                   [&](Stmt& stmt) { return colAttribute(stmt, col, field, text, textMax, textLen, number); });
}

HVEMU_EXPORT SQLRETURN SQLBindCol(SQLHSTMT handle, SQLUSMALLINT col, SQLSMALLINT cType, SQLPOINTER target,
                                  SQLLEN size, SQLLEN* indicator) {
  return guardStmt(__func__, handle, [&](Stmt& stmt) { return bindCol(stmt, col, cType, target, size, indicator); });
}

HVEMU_EXPORT SQLRETURN SQLFetch(SQLHSTMT handle) { return guardStmt(__func__, handle, fetch); }

HVEMU_EXPORT SQLRETURN SQLFetchScroll(SQLHSTMT handle, SQLSMALLINT orientation, SQLLEN) {
  return guardStmt(__func__, handle, [&](Stmt& stmt) -> SQLRETURN {
    if (orientation != SQL_FETCH_NEXT) {
      stmt.add(driverError(DriverRecord::FetchTypeRange));
      return SQL_ERROR;
    }
    return fetch(stmt);
  });
}

HVEMU_EXPORT SQLRETURN SQLGetData(SQLHSTMT handle, SQLUSMALLINT col, SQLSMALLINT cType, SQLPOINTER target,
                                  SQLLEN size, SQLLEN* indicator) {
  return guardStmt(__func__, handle,
                   [&](Stmt& stmt) { return getData(stmt, col, cType, target, size, indicator); });
}
