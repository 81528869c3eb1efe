// The SQLite store behind one session: the SQLite connection with the
// catalogue cache, the prepared-statement cache and the execution of parsed
// statements. Owns the sqlite3 handle; result sets it hands out must be
// destroyed before the store.
#ifndef HVEMU_STORE_H
#define HVEMU_STORE_H

#include <sqlite3.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "ast.h"
#include "catalogue.h"
#include "server_errors.h"
#include "values.h"

namespace hvemu {

// One prepared SQLite statement; finalized when the last owner lets go, so a
// result set may outlive the cache entry that made it.
struct PreparedStatement {
  explicit PreparedStatement(sqlite3_stmt* s) : stmt(s) {}
  ~PreparedStatement() { sqlite3_finalize(stmt); }
  PreparedStatement(const PreparedStatement&) = delete;
  PreparedStatement& operator=(const PreparedStatement&) = delete;
  sqlite3_stmt* stmt;
  bool inUse = false;
};
using PreparedPtr = std::shared_ptr<PreparedStatement>;

// Resets a statement after use and marks it free for the next statement.
void releaseStatement(PreparedStatement& p) noexcept;

// Gives a leased statement back when it goes out of scope, also when an
// exception leaves the scope.
class StatementLease {
 public:
  explicit StatementLease(PreparedStatement& p) : p_(p) {}
  ~StatementLease() { releaseStatement(p_); }
  StatementLease(const StatementLease&) = delete;
  StatementLease& operator=(const StatementLease&) = delete;

 private:
  PreparedStatement& p_;
};

// The open rows of a query. Shares a statement with the store's cache and
// gives it back (reset) when destroyed.
class StoreRows : public ResultSet {
 public:
  StoreRows(PreparedPtr stmt, std::vector<ResultColumn> columns);
  ~StoreRows() override;
  StoreRows(const StoreRows&) = delete;
  StoreRows& operator=(const StoreRows&) = delete;

  const std::vector<ResultColumn>& columns() const override { return columns_; }
  int next() override;
  bool isNull(int col) const override;
  std::string text(int col) const override;
  long long integer(int col) const override;
  const std::string& error() const override { return error_; }

 private:
  PreparedPtr prepared_;
  sqlite3_stmt* stmt_;
  std::vector<ResultColumn> columns_;
  bool done_ = false;
  std::string error_;
};

struct ExecOptions {
  bool oldTruncation = false;  // 8152 instead of 2628
};

class Store {
 public:
  // Opens (and creates when missing) the SQLite file at `path`.
  static std::unique_ptr<Store> open(const std::string& path, ErrorList& errors);
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  ExecResult execute(std::string_view sql, const ExecOptions& options);
  // Name of the database as messages show it (the file name without extension).
  const std::string& databaseName() const { return dbName_; }

  void setAutocommit(bool on);
  bool autocommit() const { return autocommit_; }
  bool endTransaction(bool commit);

 private:
  explicit Store(sqlite3* db, std::string dbName);
  sqlite3* db_;
  std::string dbName_;
  Catalogue catalogue_;
  std::map<std::string, PreparedPtr> cache_;
  bool autocommit_ = true;
  bool inTransaction_ = false;

  // Prepares or reuses the statement for `sql`, marked in use; the caller
  // gives it back with releaseStatement(). Null with `error` on failure.
  PreparedPtr statement(const std::string& sql, std::string& error);
  // statement() with the translated query's parameters bound; on failure the
  // error record goes into `r` and the result is null.
  PreparedPtr boundStatement(const std::string& sql, const std::vector<Value>& params, ExecResult& r);
  void clearCache();
  // Steps a short statement such as BEGIN or COMMIT; true when it worked.
  bool runCached(const char* sql);
  void beginIfNeeded();
  std::string qualifiedForMessage(const TableInfo& t) const;

  ExecResult createSchema(const CreateSchema& s);
  ExecResult createTable(const CreateTable& s);
  ExecResult dropTable(const DropTable& s);
  ExecResult insert(const Insert& s, const ExecOptions& options);
  ExecResult select(const Select& s);
  ExecResult remove(const Delete& s);
  ExecResult runDdl(const std::string& sql);
  const TableInfo* resolveTable(const QualifiedName& q, ExecResult& r);

  friend class QueryTranslator;
};

}  // namespace hvemu

#endif  // HVEMU_STORE_H
