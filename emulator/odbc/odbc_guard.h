// The one way into the driver: every exported entry point runs its body
// through the guard of its handle's kind. The guard checks the handle
// (SQL_INVALID_HANDLE), clears the handle's records unless the function is
// one of those that read them, opens the call for HVEMU_FAIL_ALLOC, and turns
// any exception into SQL_ERROR with the handle's fallback record: HY001 when
// memory ran out, HY000 otherwise. Nothing on that path allocates, and no
// exception reaches the driver manager.
#ifndef HVEMU_ODBC_GUARD_H
#define HVEMU_ODBC_GUARD_H

#include <new>

#include "odbc_handles.h"

namespace hvemu {

// Keep: SQLGetDiagRec, SQLGetDiagField and SQLError read the records of the
// previous call; every other function starts with none.
enum class Records { Clear, Keep };

template <typename H, typename Body>
SQLRETURN guard(const char* function, H* h, Records records, Body&& body) noexcept {
  if (!h) return SQL_INVALID_HANDLE;
  if (records == Records::Clear) h->clearDiags();
  const AllocationCall call(function, failAllocSetting(switchesOf(*h)));
  try {
    return body(*h);
  } catch (const std::bad_alloc&) {
    h->fail(Fallback::Memory);
  } catch (...) {
    h->fail(Fallback::Internal);
  }
  return SQL_ERROR;
}

template <typename Body>
SQLRETURN guardEnv(const char* function, SQLHANDLE h, Body&& body, Records records = Records::Clear) noexcept {
  return guard(function, asEnv(h), records, body);
}

template <typename Body>
SQLRETURN guardDbc(const char* function, SQLHANDLE h, Body&& body, Records records = Records::Clear) noexcept {
  return guard(function, asDbc(h), records, body);
}

template <typename Body>
SQLRETURN guardStmt(const char* function, SQLHANDLE h, Body&& body, Records records = Records::Clear) noexcept {
  return guard(function, asStmt(h), records, body);
}

// For a function that names the handle's kind in an argument; the body
// takes the handle as HandleBase&. An unknown kind is SQL_ERROR.
template <typename Body>
SQLRETURN guardAnyKind(const char* function, SQLSMALLINT type, SQLHANDLE h, Body&& body,
                       Records records = Records::Clear) noexcept {
  switch (type) {
    case SQL_HANDLE_ENV: return guardEnv(function, h, body, records);
    case SQL_HANDLE_DBC: return guardDbc(function, h, body, records);
    case SQL_HANDLE_STMT: return guardStmt(function, h, body, records);
    default: return SQL_ERROR;
  }
}

// For SQLAllocHandle of an environment: there is no handle yet to keep a
// record on, so a failure is SQL_ERROR alone.
template <typename Body>
SQLRETURN guardNoHandle(const char* function, Body&& body) noexcept {
  const AllocationCall call(function, failAllocSetting(nullptr));
  try {
    return body();
  } catch (...) {
    return SQL_ERROR;
  }
}

}  // namespace hvemu

#endif
