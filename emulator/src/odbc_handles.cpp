#include "odbc_handles.h"

#include <cstring>

namespace hvemu {

namespace {

template <typename T>
T* checked(SQLHANDLE h, HandleKind kind) {
  if (!h) return nullptr;
  auto* base = static_cast<HandleBase*>(h);
  return base->kind == kind ? static_cast<T*>(base) : nullptr;
}

template <typename Len>
bool copyTextImpl(const std::string& value, SQLPOINTER buffer, SQLLEN size, Len* lengthOut) {
  if (lengthOut) *lengthOut = static_cast<Len>(value.size());
  if (!buffer || size <= 0) return !value.empty();
  const size_t room = static_cast<size_t>(size) - 1;
  const size_t n = value.size() < room ? value.size() : room;
  std::memcpy(buffer, value.data(), n);
  static_cast<char*>(buffer)[n] = '\0';
  return n < value.size();
}

}  // namespace

Env* asEnv(SQLHANDLE h) { return checked<Env>(h, HandleKind::Env); }
Dbc* asDbc(SQLHANDLE h) { return checked<Dbc>(h, HandleKind::Dbc); }
Stmt* asStmt(SQLHANDLE h) { return checked<Stmt>(h, HandleKind::Stmt); }

HandleBase* asHandle(SQLSMALLINT type, SQLHANDLE h) {
  switch (type) {
    case SQL_HANDLE_ENV: return asEnv(h);
    case SQL_HANDLE_DBC: return asDbc(h);
    case SQL_HANDLE_STMT: return asStmt(h);
    default: return nullptr;
  }
}

bool copyText(const std::string& value, SQLPOINTER buffer, SQLLEN size, SQLSMALLINT* lengthOut) {
  return copyTextImpl(value, buffer, size, lengthOut);
}
bool copyText(const std::string& value, SQLPOINTER buffer, SQLLEN size, SQLINTEGER* lengthOut) {
  return copyTextImpl(value, buffer, size, lengthOut);
}

SQLRETURN successResult(const HandleBase& h) { return h.diags.empty() ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO; }

}  // namespace hvemu
