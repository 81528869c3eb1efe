// Environment and connection entry points: handle allocation and release,
// environment and connection attributes, SQLConnect/SQLDriverConnect with
// the DSN's attributes (Database, User, Password and the fault switches).
#include <odbcinst.h>

#include <cstring>

#include "odbc_handles.h"
#include "text_rules.h"

using namespace hvemu;

namespace {

std::string fromSql(const SQLCHAR* text, SQLSMALLINT length) {
  if (!text) return std::string();
  const char* p = reinterpret_cast<const char*>(text);
  return length == SQL_NTS ? std::string(p) : std::string(p, static_cast<size_t>(length < 0 ? 0 : length));
}

std::string dsnAttribute(const std::string& dsn, const char* key) {
  char buf[1024] = {0};
  SQLGetPrivateProfileString(dsn.c_str(), key, "", buf, sizeof buf, "odbc.ini");
  return buf;
}

const char* const kSwitchKeys[] = {"Trace", "FailStmtAlloc", "ConnectInfo", "FailExec", "OldTruncation"};

SQLRETURN allocStatement(Dbc* dbc, SQLHANDLE* out) {
  dbc->clearDiags();
  if (!out) return SQL_ERROR;
  *out = SQL_NULL_HSTMT;
  ++dbc->statementAllocations;
  const std::string setting = switchValue("HVEMU_FAIL_STMT_ALLOC", "FailStmtAlloc", dbc->switches);
  if (!setting.empty() && allocationFails(setting, dbc->statementAllocations)) {
    dbc->diags.push_back(driverError("HY001", "Memory allocation error"));
    return SQL_ERROR;
  }
  if (!dbc->session) {
    dbc->diags.push_back(driverError("08003", "Connection not open"));
    return SQL_ERROR;
  }
  auto* stmt = new Stmt(dbc);
  dbc->statements.insert(stmt);
  *out = stmt;
  return SQL_SUCCESS;
}

// Opens the session with the resolved login; fills the handle's records.
SQLRETURN connect(Dbc* dbc, const std::string& database, const std::string& wantUser, const std::string& wantPassword,
                  const std::string& user, const std::string& password) {
  if (dbc->session) {
    dbc->diags.push_back(driverError("08002", "Connection name in use"));
    return SQL_ERROR;
  }
  if (!wantUser.empty() && (!equalsNoCase(wantUser, user) || wantPassword != password)) {
    dbc->diags.push_back(serverError(kLoginFailed, {user}));
    return SQL_ERROR;
  }
  ErrorList errors;
  dbc->session = Session::open(database, errors);
  if (!dbc->session) {
    dbc->diags = errors;
    return SQL_ERROR;
  }
  dbc->user = user;
  dbc->statementAllocations = 0;
  dbc->executions = 0;
  if (switchOn(switchValue("HVEMU_CONNECT_INFO", "ConnectInfo", dbc->switches))) {
    dbc->diags.push_back(serverError(kContextChanged, {dbc->session->databaseName()}));
    return SQL_SUCCESS_WITH_INFO;
  }
  return SQL_SUCCESS;
}

void readSwitches(Dbc* dbc) {
  dbc->switches.clear();
  for (const char* key : kSwitchKeys) {
    const std::string v = dsnAttribute(dbc->dsn, key);
    if (!v.empty()) dbc->switches[key] = v;
  }
}

}  // namespace

HVEMU_EXPORT SQLRETURN SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  try {
    switch (type) {
      case SQL_HANDLE_ENV:
        if (!output) return SQL_ERROR;
        *output = new Env();
        return SQL_SUCCESS;
      case SQL_HANDLE_DBC: {
        Env* env = asEnv(input);
        if (!env || !output) return SQL_INVALID_HANDLE;
        *output = new Dbc(env);
        return SQL_SUCCESS;
      }
      case SQL_HANDLE_STMT: {
        Dbc* dbc = asDbc(input);
        if (!dbc) return SQL_INVALID_HANDLE;
        return allocStatement(dbc, output);
      }
      default:
        return SQL_ERROR;
    }
  } catch (...) {
    return SQL_ERROR;
  }
}

HVEMU_EXPORT SQLRETURN SQLAllocEnv(SQLHENV* env) { return SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, env); }
HVEMU_EXPORT SQLRETURN SQLAllocConnect(SQLHENV env, SQLHDBC* dbc) { return SQLAllocHandle(SQL_HANDLE_DBC, env, dbc); }
HVEMU_EXPORT SQLRETURN SQLAllocStmt(SQLHDBC dbc, SQLHSTMT* stmt) { return SQLAllocHandle(SQL_HANDLE_STMT, dbc, stmt); }

HVEMU_EXPORT SQLRETURN SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
  switch (type) {
    case SQL_HANDLE_ENV: {
      Env* env = asEnv(handle);
      if (!env) return SQL_INVALID_HANDLE;
      delete env;
      return SQL_SUCCESS;
    }
    case SQL_HANDLE_DBC: {
      Dbc* dbc = asDbc(handle);
      if (!dbc) return SQL_INVALID_HANDLE;
      for (Stmt* s : dbc->statements) delete s;
      dbc->statements.clear();
      delete dbc;
      return SQL_SUCCESS;
    }
    case SQL_HANDLE_STMT: {
      Stmt* stmt = asStmt(handle);
      if (!stmt) return SQL_INVALID_HANDLE;
      stmt->dbc->statements.erase(stmt);
      delete stmt;
      return SQL_SUCCESS;
    }
    default:
      return SQL_ERROR;
  }
}

HVEMU_EXPORT SQLRETURN SQLFreeEnv(SQLHENV env) { return SQLFreeHandle(SQL_HANDLE_ENV, env); }
HVEMU_EXPORT SQLRETURN SQLFreeConnect(SQLHDBC dbc) { return SQLFreeHandle(SQL_HANDLE_DBC, dbc); }

HVEMU_EXPORT SQLRETURN SQLSetEnvAttr(SQLHENV handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
  Env* env = asEnv(handle);
  if (!env) return SQL_INVALID_HANDLE;
  env->clearDiags();
  if (attr == SQL_ATTR_ODBC_VERSION) env->odbcVersion = static_cast<SQLINTEGER>(reinterpret_cast<SQLLEN>(value));
  return SQL_SUCCESS;
}

HVEMU_EXPORT SQLRETURN SQLGetEnvAttr(SQLHENV handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER, SQLINTEGER* len) {
  Env* env = asEnv(handle);
  if (!env) return SQL_INVALID_HANDLE;
  env->clearDiags();
  SQLINTEGER v = 0;
  if (attr == SQL_ATTR_ODBC_VERSION) v = env->odbcVersion;
  else if (attr == SQL_ATTR_OUTPUT_NTS) v = SQL_TRUE;
  if (value) std::memcpy(value, &v, sizeof v);
  if (len) *len = sizeof v;
  return SQL_SUCCESS;
}

HVEMU_EXPORT SQLRETURN SQLConnect(SQLHDBC handle, SQLCHAR* dsn, SQLSMALLINT dsnLen, SQLCHAR* user, SQLSMALLINT userLen,
                                  SQLCHAR* password, SQLSMALLINT passwordLen) {
  Dbc* dbc = asDbc(handle);
  if (!dbc) return SQL_INVALID_HANDLE;
  dbc->clearDiags();
  try {
    dbc->dsn = fromSql(dsn, dsnLen);
    readSwitches(dbc);
    return connect(dbc, dsnAttribute(dbc->dsn, "Database"), dsnAttribute(dbc->dsn, "User"),
                   dsnAttribute(dbc->dsn, "Password"), fromSql(user, userLen), fromSql(password, passwordLen));
  } catch (...) {
    dbc->diags.push_back(driverError("HY000", "Internal error"));
    return SQL_ERROR;
  }
}

HVEMU_EXPORT SQLRETURN SQLDriverConnect(SQLHDBC handle, SQLHWND, SQLCHAR* in, SQLSMALLINT inLen, SQLCHAR* out,
                                        SQLSMALLINT outMax, SQLSMALLINT* outLen, SQLUSMALLINT) {
  Dbc* dbc = asDbc(handle);
  if (!dbc) return SQL_INVALID_HANDLE;
  dbc->clearDiags();
  try {
    const std::string text = fromSql(in, inLen);
    std::map<std::string, std::string> attrs;  // upper-case key -> value
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find(';', start);
      if (end == std::string::npos) end = text.size();
      const std::string item = text.substr(start, end - start);
      const size_t eq = item.find('=');
      if (eq != std::string::npos) attrs[upperAscii(item.substr(0, eq))] = item.substr(eq + 1);
      start = end + 1;
    }
    dbc->dsn = attrs["DSN"];
    readSwitches(dbc);
    auto pick = [&](const char* key, const char* dsnKey) {
      auto it = attrs.find(key);
      return it != attrs.end() ? it->second : (dbc->dsn.empty() ? std::string() : dsnAttribute(dbc->dsn, dsnKey));
    };
    const std::string user = attrs.count("UID") ? attrs["UID"] : pick("USER", "User");
    const std::string password = attrs.count("PWD") ? attrs["PWD"] : pick("PASSWORD", "Password");
    const SQLRETURN rc = connect(dbc, pick("DATABASE", "Database"), dbc->dsn.empty() ? "" : dsnAttribute(dbc->dsn, "User"),
                                 dbc->dsn.empty() ? "" : dsnAttribute(dbc->dsn, "Password"), user, password);
    if (SQL_SUCCEEDED(rc) && copyText(text, out, outMax, outLen)) {
      dbc->diags.push_back(driverError("01004", "String data, right truncation"));
      return SQL_SUCCESS_WITH_INFO;
    }
    return rc;
  } catch (...) {
    dbc->diags.push_back(driverError("HY000", "Internal error"));
    return SQL_ERROR;
  }
}

HVEMU_EXPORT SQLRETURN SQLDisconnect(SQLHDBC handle) {
  Dbc* dbc = asDbc(handle);
  if (!dbc) return SQL_INVALID_HANDLE;
  dbc->clearDiags();
  for (Stmt* s : dbc->statements) s->closeCursor();
  dbc->session.reset();
  return SQL_SUCCESS;
}

HVEMU_EXPORT SQLRETURN SQLSetConnectAttr(SQLHDBC handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
  Dbc* dbc = asDbc(handle);
  if (!dbc) return SQL_INVALID_HANDLE;
  dbc->clearDiags();
  const auto number = static_cast<SQLULEN>(reinterpret_cast<SQLLEN>(value));
  if (attr == SQL_ATTR_AUTOCOMMIT) {
    if (dbc->session) dbc->session->setAutocommit(number == SQL_AUTOCOMMIT_ON);
  } else if (attr == SQL_ATTR_LOGIN_TIMEOUT) {
    dbc->loginTimeout = static_cast<SQLUINTEGER>(number);
  }
  return SQL_SUCCESS;
}

HVEMU_EXPORT SQLRETURN SQLGetConnectAttr(SQLHDBC handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER max,
                                         SQLINTEGER* len) {
  Dbc* dbc = asDbc(handle);
  if (!dbc) return SQL_INVALID_HANDLE;
  dbc->clearDiags();
  if (attr == SQL_ATTR_CURRENT_CATALOG) {
    copyText(dbc->session ? dbc->session->databaseName() : std::string(), value, max, len);
    return SQL_SUCCESS;
  }
  SQLUINTEGER v = 0;
  switch (attr) {
    case SQL_ATTR_AUTOCOMMIT: v = !dbc->session || dbc->session->autocommit() ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF; break;
    case SQL_ATTR_CONNECTION_DEAD: v = dbc->session ? SQL_CD_FALSE : SQL_CD_TRUE; break;
    case SQL_ATTR_LOGIN_TIMEOUT: v = dbc->loginTimeout; break;
    case SQL_ATTR_TXN_ISOLATION: v = SQL_TXN_SERIALIZABLE; break;
    case SQL_ATTR_ACCESS_MODE: v = SQL_MODE_READ_WRITE; break;
    default: break;
  }
  if (value) std::memcpy(value, &v, sizeof v);
  if (len) *len = sizeof v;
  return SQL_SUCCESS;
}

HVEMU_EXPORT SQLRETURN SQLSetConnectOption(SQLHDBC dbc, SQLUSMALLINT option, SQLULEN value) {
  return SQLSetConnectAttr(dbc, option, reinterpret_cast<SQLPOINTER>(value), 0);
}
HVEMU_EXPORT SQLRETURN SQLGetConnectOption(SQLHDBC dbc, SQLUSMALLINT option, SQLPOINTER value) {
  return SQLGetConnectAttr(dbc, option, value, 256, nullptr);
}

HVEMU_EXPORT SQLRETURN SQLEndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) {
  if (type == SQL_HANDLE_ENV) return SQL_SUCCESS;
  Dbc* dbc = asDbc(handle);
  if (!dbc) return SQL_INVALID_HANDLE;
  dbc->clearDiags();
  if (dbc->session && !dbc->session->endTransaction(completion == SQL_COMMIT)) {
    dbc->diags.push_back(driverError("HY000", "Transaction could not be completed"));
    return SQL_ERROR;
  }
  return SQL_SUCCESS;
}

HVEMU_EXPORT SQLRETURN SQLTransact(SQLHENV, SQLHDBC dbc, SQLUSMALLINT completion) {
  return dbc ? SQLEndTran(SQL_HANDLE_DBC, dbc, static_cast<SQLSMALLINT>(completion)) : SQL_SUCCESS;
}
