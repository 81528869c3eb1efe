// OdbcHandle: sole owner of one ODBC handle (environment, connection or
// statement). The handle is freed with SQLFreeHandle when the owner is reset or
// destroyed, so a statement handle is released on every path out of the
// operation that allocated it. Not copyable; ownership can be moved.
//
// A connection handle must be disconnected before it is freed; Database does
// that itself before it lets go of its connection owner.
#ifndef HV_DB_ODBC_HANDLE_H
#define HV_DB_ODBC_HANDLE_H

#ifdef _WIN32
#include <windows.h>  // the ODBC headers need the Windows types first
#endif
#include <sql.h>
#include <sqlext.h>

#include <utility>

class OdbcHandle {
 public:
  explicit OdbcHandle(SQLSMALLINT type) : type_(type) {}
  ~OdbcHandle() { reset(); }

  OdbcHandle(const OdbcHandle&) = delete;
  OdbcHandle& operator=(const OdbcHandle&) = delete;
  OdbcHandle(OdbcHandle&& other) noexcept
      : type_(other.type_), handle_(std::exchange(other.handle_, kNone)) {}
  OdbcHandle& operator=(OdbcHandle&& other) noexcept {
    if (this != &other) {
      reset();
      type_ = other.type_;
      handle_ = std::exchange(other.handle_, kNone);
    }
    return *this;
  }

  // SQLAllocHandle of this owner's type on `input` (SQL_NULL_HANDLE for an
  // environment). A handle held before is freed first. Returns the driver
  // manager's result unchanged; the caller decides what counts as failure.
  SQLRETURN allocate(SQLHANDLE input) {
    reset();
    SQLHANDLE fresh = kNone;
    const SQLRETURN rc = SQLAllocHandle(type_, input, &fresh);
    handle_ = fresh;
    return rc;
  }

  // Frees the handle (if any) and leaves the owner empty.
  void reset() {
    if (handle_ != kNone) {
      SQLFreeHandle(type_, handle_);
      handle_ = kNone;
    }
  }

  SQLHANDLE get() const { return handle_; }
  SQLSMALLINT type() const { return type_; }
  explicit operator bool() const { return handle_ != kNone; }

 private:
  SQLSMALLINT type_;
  static constexpr SQLHANDLE kNone = nullptr;
  SQLHANDLE handle_ = kNone;
};

#endif  // HV_DB_ODBC_HANDLE_H
