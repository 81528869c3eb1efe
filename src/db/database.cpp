#include "db/database.h"

#include <algorithm>

#include "common/fixed_text.h"
#include "common/format.h"
#include "config/login.h"
#include "db/sql_texts.h"

void DiagnosticRecord::clear() {
  sqlState.fill(0);
  message.fill(0);
  nativeError = 0;
}

namespace {
template <std::size_t N>
std::string terminated(const std::array<SQLCHAR, N>& bytes) {
  std::size_t n = 0;
  while (n < N && bytes[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(bytes.data()), n);
}
}  // namespace

std::string DiagnosticRecord::state() const { return terminated(sqlState); }
std::string DiagnosticRecord::text() const { return terminated(message); }

namespace {
constexpr std::string_view kSecretMask = "***";

// Every occurrence of `secret` in `text` as the mask; with `cut`, also the
// longest beginning of `secret` that ends the text.
void maskSecret(std::string& text, std::string_view secret, bool cut) {
  if (secret.empty()) return;
  for (std::size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at + kSecretMask.size())) {
    text.replace(at, secret.size(), kSecretMask);
  }
  if (!cut) return;
  for (std::size_t n = std::min(secret.size() - 1, text.size()); n > 0; --n) {
    if (text.compare(text.size() - n, n, secret.substr(0, n)) == 0) {
      text.replace(text.size() - n, n, kSecretMask);
      return;
    }
  }
}
}  // namespace

std::string diagnosticLine(const DiagnosticRecord& record, std::string_view secret) {
  std::string message = record.text();
  // The driver manager writes at most the buffer less its terminator.
  const bool cut = message.size() + 1 >= record.message.size();
  maskSecret(message, secret, cut);
  for (char& c : message) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return formatText(sqltext::kDiagnosticLine, record.state().c_str(), static_cast<int>(record.nativeError),
                    message.c_str());
}

Database::Database() = default;

Database::~Database() { releaseConnection(); }

const std::string& Database::schema() const { return schema_; }

int32_t Database::dbConnect(const std::string& iniPath, Console& console, bool debug) {
  const login::Login login = login::readLogin(iniPath);
  schema_ = login.schema;
  const int32_t code = odbcConnect(login.user.view(), login.password.view(), login.dataSource.view());
  if (code != 0) {
    console.printf(sqltext::kConnectFailed, code);
    if (debug && connectDiagnosed_) console.write(diagnosticLine(diagnostics_, login.password.view()));
    return code;
  }
  return 0;
}

void Database::releaseConnection() {
  if (connected_) {
    SQLDisconnect(connection_.get());
    connected_ = false;
  }
  connection_.reset();
  environment_.reset();
}

int32_t Database::odbcConnect(std::string_view user, std::string_view password,
                              std::string_view dataSource) {
  releaseConnection();
  connectDiagnosed_ = false;

  // Working copies, null-terminated, as wide as the texts dbConnect keeps.
  FixedText<login::kDataSourceWidth> dsnCopy(dataSource);
  FixedText<login::kUserWidth> userCopy(user);
  FixedText<login::kPasswordWidth> passwordCopy(password);

  if (environment_.allocate(SQL_NULL_HANDLE) == SQL_ERROR) return -1;
  // The version attribute's result is ignored.
  SQLSetEnvAttr(environment_.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                SQL_IS_INTEGER);
  if (connection_.allocate(environment_.get()) == SQL_ERROR) return -1;

  const SQLRETURN rc =
      SQLConnect(connection_.get(), reinterpret_cast<SQLCHAR*>(dsnCopy.data()), SQL_NTS,
                 reinterpret_cast<SQLCHAR*>(userCopy.data()), SQL_NTS,
                 reinterpret_cast<SQLCHAR*>(passwordCopy.data()), SQL_NTS);
  if (rc != SQL_ERROR) {
    connected_ = true;
    return 0;
  }
  // The driver's answer stays in the diagnostic record; only dbConnect's debug
  // output shows it.
  connectDiagnosed_ = readDiagnostics(SQL_HANDLE_DBC, connection_.get());
  return -1;
}

bool Database::allocateStatement(OdbcHandle& statement) {
  if (!connection_) return false;
  const SQLRETURN rc = statement.allocate(connection_.get());
  if (rc == SQL_ERROR || !statement) {
    statement.reset();
    return false;
  }
  return true;
}

bool isConnectionLossState(std::string_view sqlState) {
  constexpr std::string_view kConnectionClass = "08";
  constexpr std::string_view kTimeouts[] = {"HYT00", "HYT01"};
  if (sqlState.substr(0, kConnectionClass.size()) == kConnectionClass) return true;
  for (const std::string_view timeout : kTimeouts) {
    if (sqlState == timeout) return true;
  }
  return false;
}

void Database::takeFailure(SQLHANDLE statement, StatementOutcome& outcome) {
  outcome.step = StatementOutcome::Step::kFailed;
  outcome.diagnosed = readDiagnostics(SQL_HANDLE_STMT, statement);
  outcome.nativeError = diagnostics_.nativeError;
  // Without a record the driver manager may have left "00000" behind.
  if (outcome.diagnosed) outcome.sqlState = diagnostics_.state();
  // The driver is asked only when the state alone does not tell.
  outcome.connectionLost = isConnectionLossState(outcome.sqlState.view()) || driverSaysDead();
  connectionLost_ = outcome.connectionLost;
}

bool Database::driverSaysDead() {
  SQLUINTEGER dead = SQL_CD_FALSE;
  const SQLRETURN rc =
      SQLGetConnectAttr(connection_.get(), SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr);
  return (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) && dead == SQL_CD_TRUE;
}

bool Database::readDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
  diagnostics_.clear();
  SQLSMALLINT textLength = 0;
  const SQLRETURN rc =
      SQLGetDiagRec(handleType, handle, 1, diagnostics_.sqlState.data(), &diagnostics_.nativeError,
                    diagnostics_.message.data(), static_cast<SQLSMALLINT>(diagnostics_.message.size()),
                    &textLength);
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}
