// Environment and connection entry points: handle allocation and release,
// environment and connection attributes, SQLConnect/SQLDriverConnect with
// the DSN's attributes (Database, User, Password and the fault switches).
#include <odbcinst.h>

#include <cstring>

#include "odbc_guard.h"

using namespace hvemu;

namespace {

std::string dsnAttribute(const std::string& dsn, const char* key) {
  allocationPoint();
  char buf[1024] = {0};
  SQLGetPrivateProfileString(dsn.c_str(), key, "", buf, sizeof buf, "odbc.ini");
  return buf;
}

SQLRETURN allocStatement(Dbc& dbc, SQLHANDLE* out) {
  if (!out) return SQL_ERROR;
  *out = SQL_NULL_HSTMT;
  ++dbc.statementAllocations;
  const std::string setting = switchValue("HVEMU_FAIL_STMT_ALLOC", "FailStmtAlloc", dbc.switches);
  if (!setting.empty() && countSelected(setting, dbc.statementAllocations)) {
    dbc.add(driverError(DriverRecord::MemoryAllocation));
    return SQL_ERROR;
  }
  if (!dbc.session) {
    dbc.add(driverError(DriverRecord::ConnectionNotOpen));
    return SQL_ERROR;
  }
  *out = newStmt(dbc);
  return SQL_SUCCESS;
}

// SQLAllocHandle and its ODBC 2 forms; `function` names the entry point.
SQLRETURN allocHandle(const char* function, SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  switch (type) {
    case SQL_HANDLE_ENV:
      return guardNoHandle(function, [&]() -> SQLRETURN {
        if (!output) return SQL_ERROR;
        *output = SQL_NULL_HENV;
        *output = newEnv();
        return SQL_SUCCESS;
      });
    case SQL_HANDLE_DBC:
      return guardEnv(function, input, [&](Env& env) -> SQLRETURN {
        if (!output) return SQL_ERROR;
        *output = SQL_NULL_HDBC;
        *output = newDbc(env);
        return SQL_SUCCESS;
      });
    case SQL_HANDLE_STMT:
      return guardDbc(function, input, [&](Dbc& dbc) { return allocStatement(dbc, output); });
    default:
      return SQL_ERROR;
  }
}

SQLRETURN freeHandle(const char* function, SQLSMALLINT type, SQLHANDLE handle) {
  switch (type) {
    case SQL_HANDLE_ENV:
      return guardEnv(function, handle, [](Env& env) -> SQLRETURN {
        if (!env.connections.empty()) {
          env.add(driverError(DriverRecord::SequenceError));
          return SQL_ERROR;
        }
        freeEnv(env);
        return SQL_SUCCESS;
      });
    case SQL_HANDLE_DBC:
      return guardDbc(function, handle, [](Dbc& dbc) -> SQLRETURN {
        freeDbc(dbc);
        return SQL_SUCCESS;
      });
    case SQL_HANDLE_STMT:
      return guardStmt(function, handle, [](Stmt& stmt) -> SQLRETURN {
        freeStmt(stmt);
        return SQL_SUCCESS;
      });
    default:
      return SQL_ERROR;
  }
}

// Opens the session with the resolved login; fills the handle's records.
SQLRETURN connect(Dbc& dbc, const std::string& database, const Login& expected, const LoginRequest& request) {
  if (dbc.session) {
    dbc.add(driverError(DriverRecord::ConnectionInUse));
    return SQL_ERROR;
  }
  ErrorList errors;
  std::unique_ptr<Session> session = Session::open(database, expected, request, errors);
  if (!session) {
    dbc.diags = std::move(errors);
    return SQL_ERROR;
  }
  dbc.user = request.user;
  dbc.session = std::move(session);
  dbc.statementAllocations = 0;
  if (switchOn(switchValue("HVEMU_CONNECT_INFO", "ConnectInfo", dbc.switches))) {
    dbc.add(serverError(kContextChanged, {dbc.session->databaseName()}));
    return SQL_SUCCESS_WITH_INFO;
  }
  return SQL_SUCCESS;
}

// The login the data source names (none: any login is accepted).
Login dsnLogin(const Dbc& dbc) {
  if (dbc.dsn.empty()) return Login{};
  return Login{dsnAttribute(dbc.dsn, "User"), dsnAttribute(dbc.dsn, "Password")};
}

// A connection string key in capitals: ASCII letters only, whatever locale
// the process that loaded the driver has set.
std::string upperKey(std::string key) {
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return key;
}

void readSwitches(Dbc& dbc) {
  dbc.switches.clear();
  for (const char* key : kDsnSwitchKeys) {
    const std::string v = dsnAttribute(dbc.dsn, key);
    if (!v.empty()) dbc.switches[key] = v;
  }
}

SQLRETURN driverConnect(Dbc& dbc, const std::string& text, SQLCHAR* out, SQLSMALLINT outMax, SQLSMALLINT* outLen) {
  std::map<std::string, std::string> attrs;  // upper-case key -> value
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    const std::string item = text.substr(start, end - start);
    const size_t eq = item.find('=');
    if (eq != std::string::npos) attrs[upperKey(item.substr(0, eq))] = item.substr(eq + 1);
    start = end + 1;
  }
  dbc.dsn = attrs["DSN"];
  readSwitches(dbc);
  auto pick = [&](const char* key, const char* dsnKey) {
    auto it = attrs.find(key);
    return it != attrs.end() ? it->second : (dbc.dsn.empty() ? std::string() : dsnAttribute(dbc.dsn, dsnKey));
  };
  const std::string user = attrs.count("UID") ? attrs["UID"] : pick("USER", "User");
  const std::string password = attrs.count("PWD") ? attrs["PWD"] : pick("PASSWORD", "Password");
  const SQLRETURN rc = connect(dbc, pick("DATABASE", "Database"), dsnLogin(dbc), LoginRequest{user, password, ""});
  if (SQL_SUCCEEDED(rc) && copyText(text, out, outMax, outLen)) {
    dbc.add(driverError(DriverRecord::Truncated));
    return SQL_SUCCESS_WITH_INFO;
  }
  return rc;
}

SQLRETURN setConnectAttr(Dbc& dbc, SQLINTEGER attr, SQLPOINTER value) {
  const auto number = static_cast<SQLULEN>(reinterpret_cast<SQLLEN>(value));
  if (attr == SQL_ATTR_AUTOCOMMIT) {
    if (dbc.session) dbc.session->setAutocommit(number == SQL_AUTOCOMMIT_ON);
  } else if (attr == SQL_ATTR_LOGIN_TIMEOUT) {
    dbc.loginTimeout = static_cast<SQLUINTEGER>(number);
  }
  return SQL_SUCCESS;
}

SQLRETURN getConnectAttr(Dbc& dbc, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER max, SQLINTEGER* len) {
  if (attr == SQL_ATTR_CURRENT_CATALOG) {
    copyText(dbc.session ? std::string_view(dbc.session->databaseName()) : std::string_view(), value, max, len);
    return SQL_SUCCESS;
  }
  SQLUINTEGER v = 0;
  switch (attr) {
    case SQL_ATTR_AUTOCOMMIT: v = !dbc.session || dbc.session->autocommit() ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF; break;
    case SQL_ATTR_CONNECTION_DEAD: v = dbc.session ? SQL_CD_FALSE : SQL_CD_TRUE; break;
    case SQL_ATTR_LOGIN_TIMEOUT: v = dbc.loginTimeout; break;
    case SQL_ATTR_TXN_ISOLATION: v = SQL_TXN_SERIALIZABLE; break;
    case SQL_ATTR_ACCESS_MODE: v = SQL_MODE_READ_WRITE; break;
    default: break;
  }
  if (value) std::memcpy(value, &v, sizeof v);
  if (len) *len = sizeof v;
  return SQL_SUCCESS;
}

SQLRETURN endTransaction(Dbc& dbc, SQLSMALLINT completion) {
  if (dbc.session && !dbc.session->endTransaction(completion == SQL_COMMIT)) {
    dbc.add(driverError(DriverRecord::TransactionFailed));
    return SQL_ERROR;
  }
  return SQL_SUCCESS;
}

// SQLEndTran and SQLTransact; for an environment, every connection of it.
SQLRETURN endTran(const char* function, SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) {
  if (type == SQL_HANDLE_ENV) {
    return guardEnv(function, handle, [&](Env& env) -> SQLRETURN {
      SQLRETURN rc = SQL_SUCCESS;
      for (auto& entry : env.connections) {
        if (endTransaction(*entry.second, completion) != SQL_SUCCESS) rc = SQL_ERROR;
      }
      if (rc != SQL_SUCCESS) env.add(driverError(DriverRecord::TransactionFailed));
      return rc;
    });
  }
  if (type != SQL_HANDLE_DBC) return SQL_ERROR;
  return guardDbc(function, handle, [&](Dbc& dbc) { return endTransaction(dbc, completion); });
}

}  // namespace

HVEMU_EXPORT SQLRETURN SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  return allocHandle(__func__, type, input, output);
}
HVEMU_EXPORT SQLRETURN SQLAllocEnv(SQLHENV* env) { return allocHandle(__func__, SQL_HANDLE_ENV, SQL_NULL_HANDLE, env); }
HVEMU_EXPORT SQLRETURN SQLAllocConnect(SQLHENV env, SQLHDBC* dbc) {
  return allocHandle(__func__, SQL_HANDLE_DBC, env, dbc);
}
HVEMU_EXPORT SQLRETURN SQLAllocStmt(SQLHDBC dbc, SQLHSTMT* stmt) {
  return allocHandle(__func__, SQL_HANDLE_STMT, dbc, stmt);
}

HVEMU_EXPORT SQLRETURN SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) { return freeHandle(__func__, type, handle); }
HVEMU_EXPORT SQLRETURN SQLFreeEnv(SQLHENV env) { return freeHandle(__func__, SQL_HANDLE_ENV, env); }
HVEMU_EXPORT SQLRETURN SQLFreeConnect(SQLHDBC dbc) { return freeHandle(__func__, SQL_HANDLE_DBC, dbc); }

HVEMU_EXPORT SQLRETURN SQLSetEnvAttr(SQLHENV handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
  return guardEnv(__func__, handle, [&](Env& env) -> SQLRETURN {
    if (attr == SQL_ATTR_ODBC_VERSION) env.odbcVersion = static_cast<SQLINTEGER>(reinterpret_cast<SQLLEN>(value));
    return SQL_SUCCESS;
  });
}

HVEMU_EXPORT SQLRETURN SQLGetEnvAttr(SQLHENV handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER, SQLINTEGER* len) {
  return guardEnv(__func__, handle, [&](Env& env) -> SQLRETURN {
    SQLINTEGER v = 0;
    if (attr == SQL_ATTR_ODBC_VERSION) v = env.odbcVersion;
    else if (attr == SQL_ATTR_OUTPUT_NTS) v = SQL_TRUE;
    if (value) std::memcpy(value, &v, sizeof v);
    if (len) *len = sizeof v;
    return SQL_SUCCESS;
  });
}

HVEMU_EXPORT SQLRETURN SQLConnect(SQLHDBC handle, SQLCHAR* dsn, SQLSMALLINT dsnLen, SQLCHAR* user, SQLSMALLINT userLen,
                                  SQLCHAR* password, SQLSMALLINT passwordLen) {
  return guardDbc(__func__, handle, [&](Dbc& dbc) {
    dbc.dsn = textArgument(dsn, dsnLen);
    readSwitches(dbc);
    return connect(dbc, dsnAttribute(dbc.dsn, "Database"), dsnLogin(dbc),
                   LoginRequest{textArgument(user, userLen), textArgument(password, passwordLen), ""});
  });
}

HVEMU_EXPORT SQLRETURN SQLDriverConnect(SQLHDBC handle, SQLHWND, SQLCHAR* in, SQLSMALLINT inLen, SQLCHAR* out,
                                        SQLSMALLINT outMax, SQLSMALLINT* outLen, SQLUSMALLINT) {
  return guardDbc(__func__, handle,
                  [&](Dbc& dbc) { return driverConnect(dbc, textArgument(in, inLen), out, outMax, outLen); });
}

HVEMU_EXPORT SQLRETURN SQLDisconnect(SQLHDBC handle) {
  return guardDbc(__func__, handle, [](Dbc& dbc) -> SQLRETURN {
    for (auto& entry : dbc.statements) entry.second->closeCursor();
    dbc.session.reset();
    return SQL_SUCCESS;
  });
}

HVEMU_EXPORT SQLRETURN SQLSetConnectAttr(SQLHDBC handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
  return guardDbc(__func__, handle, [&](Dbc& dbc) { return setConnectAttr(dbc, attr, value); });
}

HVEMU_EXPORT SQLRETURN SQLGetConnectAttr(SQLHDBC handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER max,
                                         SQLINTEGER* len) {
  return guardDbc(__func__, handle, [&](Dbc& dbc) { return getConnectAttr(dbc, attr, value, max, len); });
}

HVEMU_EXPORT SQLRETURN SQLSetConnectOption(SQLHDBC handle, SQLUSMALLINT option, SQLULEN value) {
  return guardDbc(__func__, handle,
                  [&](Dbc& dbc) { return setConnectAttr(dbc, option, reinterpret_cast<SQLPOINTER>(value)); });
}
HVEMU_EXPORT SQLRETURN SQLGetConnectOption(SQLHDBC handle, SQLUSMALLINT option, SQLPOINTER value) {
  return guardDbc(__func__, handle, [&](Dbc& dbc) { return getConnectAttr(dbc, option, value, 256, nullptr); });
}

HVEMU_EXPORT SQLRETURN SQLEndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) {
  return endTran(__func__, type, handle, completion);
}

HVEMU_EXPORT SQLRETURN SQLTransact(SQLHENV env, SQLHDBC dbc, SQLUSMALLINT completion) {
  const auto c = static_cast<SQLSMALLINT>(completion);
  return dbc ? endTran(__func__, SQL_HANDLE_DBC, dbc, c) : endTran(__func__, SQL_HANDLE_ENV, env, c);
}
