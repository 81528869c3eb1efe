// The driver's handle objects. The driver manager asks for them with
// SQLAllocHandle and gives them back with SQLFreeHandle; in between the driver
// owns them through unique_ptr: the process's environments in one registry,
// each environment its connections, each connection its statements. A
// connection owns its session, a statement its open result set. Each handle
// keeps the diagnostic records of its last call, and one record slot that
// needs no memory, for a call that failed inside (see odbc_guard.h).
#ifndef HVEMU_ODBC_HANDLES_H
#define HVEMU_ODBC_HANDLES_H

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include <hvemu/engine.h>

#include "driver_records.h"
#include "dsn_switches.h"

#define HVEMU_EXPORT extern "C" __attribute__((visibility("default")))

namespace hvemu {

enum class HandleKind : std::uint32_t { Env = 0x48564531, Dbc = 0x48564532, Stmt = 0x48564533 };

// The record of a call that failed inside: none, for want of memory (HY001)
// or for any other reason (HY000). Kept as a value, so setting it allocates
// nothing.
enum class Fallback : std::uint8_t { None, Memory, Internal };

// One diagnostic record as the entry points hand it out; the texts belong to
// the handle's records or to the driver's constant tables.
struct DiagView {
  std::string_view sqlstate;
  long native = 0;
  std::string_view prefix;
  std::string_view text;
};

struct HandleBase {
  explicit HandleBase(HandleKind k) : kind(k) {}
  HandleBase(const HandleBase&) = delete;
  HandleBase& operator=(const HandleBase&) = delete;
  HandleKind kind;
  ErrorList diags;
  Fallback fallback = Fallback::None;
  size_t nextErrorForSqlError = 0;  // SQLError hands records out one by one

  void clearDiags() noexcept {
    diags.clear();
    fallback = Fallback::None;
    nextErrorForSqlError = 0;
  }
  // Adds a record; an allocation point.
  void add(ServerError e);
  // Leaves only the fallback record; allocates nothing.
  void fail(Fallback f) noexcept {
    diags.clear();
    nextErrorForSqlError = 0;
    fallback = f;
  }
  size_t diagCount() const noexcept { return diags.size() + (fallback == Fallback::None ? 0 : 1); }
  // Record `index` (0-based, below diagCount()).
  DiagView diagAt(size_t index) const noexcept;
  bool hasDiags() const noexcept { return diagCount() != 0; }
};

struct Dbc;

struct Binding {
  SQLSMALLINT targetType = SQL_C_CHAR;
  SQLPOINTER target = nullptr;
  SQLLEN bufferLength = 0;
  SQLLEN* indicator = nullptr;
};

struct Stmt : HandleBase {
  explicit Stmt(Dbc* d) : HandleBase(HandleKind::Stmt), dbc(d) {}
  Dbc* dbc;
  std::string preparedText;
  bool prepared = false;
  std::unique_ptr<ResultSet> rows;
  bool rowCurrent = false;
  long long rowCount = -1;
  std::map<SQLUSMALLINT, Binding> bindings;
  std::map<SQLUSMALLINT, size_t> getDataOffset;  // bytes of a column already handed out
  int descriptors[4] = {0, 0, 0, 0};              // stand-ins for the implicit descriptors
  void closeCursor() noexcept {
    rows.reset();
    rowCurrent = false;
    getDataOffset.clear();
  }
};

struct Env;

struct Dbc : HandleBase {
  explicit Dbc(Env* e) : HandleBase(HandleKind::Dbc), env(e) {}
  // The statements' result sets go before the session they read from.
  ~Dbc() {
    statements.clear();
    session.reset();
  }
  Env* env;
  std::unique_ptr<Session> session;
  std::string dsn;
  std::string user;
  DsnSwitches switches;
  long statementAllocations = 0;
  std::map<const Stmt*, std::unique_ptr<Stmt>> statements;
  SQLUINTEGER loginTimeout = 0;
};

struct Env : HandleBase {
  Env() : HandleBase(HandleKind::Env) {}
  SQLINTEGER odbcVersion = SQL_OV_ODBC3;
  std::map<const Dbc*, std::unique_ptr<Dbc>> connections;
};

Env* asEnv(SQLHANDLE h) noexcept;
Dbc* asDbc(SQLHANDLE h) noexcept;
Stmt* asStmt(SQLHANDLE h) noexcept;

// The DSN switches that count for calls on `h` (none for an environment).
const DsnSwitches* switchesOf(const HandleBase& h) noexcept;

// Creation (allocation points) and release of the handles; a released handle
// is destroyed with everything it owns.
Env* newEnv();
void freeEnv(Env& env) noexcept;
Dbc* newDbc(Env& env);
void freeDbc(Dbc& dbc) noexcept;
Stmt* newStmt(Dbc& dbc);
void freeStmt(Stmt& stmt) noexcept;

// A text argument (SQL_NTS or a length); an allocation point.
std::string textArgument(const SQLCHAR* text, SQLLEN length);

// Copies `value` (then `more`) into an application buffer of `size` bytes
// with a zero byte at the end; stores the full length; returns true when it
// had to cut. Allocates nothing.
bool copyText(std::string_view value, SQLPOINTER buffer, SQLLEN size, SQLSMALLINT* lengthOut,
              std::string_view more = {}) noexcept;
bool copyText(std::string_view value, SQLPOINTER buffer, SQLLEN size, SQLINTEGER* lengthOut,
              std::string_view more = {}) noexcept;

// Result of a call that may have left informational records.
SQLRETURN successResult(const HandleBase& h) noexcept;

}  // namespace hvemu

#endif
