// The driver's handle objects. The driver manager owns their lifetime through
// SQLAllocHandle/SQLFreeHandle; a connection owns its session, a statement its
// open result set. Each handle keeps the diagnostic records of its last call.
#ifndef HVEMU_ODBC_HANDLES_H
#define HVEMU_ODBC_HANDLES_H

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "fault_switches.h"
#include "server_errors.h"
#include "session.h"

#define HVEMU_EXPORT extern "C" __attribute__((visibility("default")))

namespace hvemu {

enum class HandleKind : std::uint32_t { Env = 0x48564531, Dbc = 0x48564532, Stmt = 0x48564533 };

struct HandleBase {
  explicit HandleBase(HandleKind k) : kind(k) {}
  HandleBase(const HandleBase&) = delete;
  HandleBase& operator=(const HandleBase&) = delete;
  HandleKind kind;
  ErrorList diags;
  size_t nextErrorForSqlError = 0;  // SQLError hands records out one by one
  void clearDiags() {
    diags.clear();
    nextErrorForSqlError = 0;
  }
};

struct Env : HandleBase {
  Env() : HandleBase(HandleKind::Env) {}
  SQLINTEGER odbcVersion = SQL_OV_ODBC3;
};

struct Stmt;

struct Dbc : HandleBase {
  explicit Dbc(Env* e) : HandleBase(HandleKind::Dbc), env(e) {}
  Env* env;
  std::unique_ptr<Session> session;
  std::string dsn;
  std::string user;
  DsnSwitches switches;
  long statementAllocations = 0;
  long executions = 0;
  std::set<Stmt*> statements;
  SQLUINTEGER loginTimeout = 0;
};

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
  void closeCursor() {
    rows.reset();
    rowCurrent = false;
    getDataOffset.clear();
  }
};

Env* asEnv(SQLHANDLE h);
Dbc* asDbc(SQLHANDLE h);
Stmt* asStmt(SQLHANDLE h);
HandleBase* asHandle(SQLSMALLINT type, SQLHANDLE h);

// Copies `value` into an application buffer of `size` bytes with a zero byte
// at the end; stores the full length; returns true when it had to cut.
bool copyText(const std::string& value, SQLPOINTER buffer, SQLLEN size, SQLSMALLINT* lengthOut);
bool copyText(const std::string& value, SQLPOINTER buffer, SQLLEN size, SQLINTEGER* lengthOut);

// Result of a call that may have left informational records.
SQLRETURN successResult(const HandleBase& h);

}  // namespace hvemu

#endif
