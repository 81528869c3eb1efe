// INSERT: the values are converted and checked against the declared column
// types here (widths, NOT NULL, numbers, dates), then stored through one
// cached SQLite statement per table and column set.
#include "store.h"
#include "values.h"

namespace hvemu {

namespace {

void bindValue(sqlite3_stmt* stmt, int index, const Value& v) {
  switch (v.kind) {
    case Value::Kind::Null: sqlite3_bind_null(stmt, index); break;
    case Value::Kind::Int: sqlite3_bind_int64(stmt, index, v.integer); break;
    default:
      sqlite3_bind_text(stmt, index, v.text.data(), static_cast<int>(v.text.size()), SQLITE_TRANSIENT);
      break;
  }
}

// The rows of one INSERT go in together or not at all, also when an
// exception leaves the statement half done.
class RowsSavepoint {
 public:
  RowsSavepoint(sqlite3* db, bool needed) : db_(needed ? db : nullptr) {
    if (db_) sqlite3_exec(db_, "SAVEPOINT hvemu_rows", nullptr, nullptr, nullptr);
  }
  ~RowsSavepoint() {
    if (!db_) return;
    if (!kept_) sqlite3_exec(db_, "ROLLBACK TO hvemu_rows", nullptr, nullptr, nullptr);
    sqlite3_exec(db_, "RELEASE hvemu_rows", nullptr, nullptr, nullptr);
  }
  RowsSavepoint(const RowsSavepoint&) = delete;
  RowsSavepoint& operator=(const RowsSavepoint&) = delete;
  void keep() { kept_ = true; }

 private:
  sqlite3* db_;
  bool kept_ = false;
};

}  // namespace

ExecResult Store::insert(const Insert& s, const ExecOptions& options) {
  ExecResult r;
  const TableInfo* t = resolveTable(s.table, r);
  if (!t) return r;
  // Map the statement's columns to the table's.
  std::vector<int> target;
  if (s.columns.empty()) {
    for (size_t i = 0; i < t->columns.size(); ++i) target.push_back(static_cast<int>(i));
  } else {
    for (const std::string& c : s.columns) {
      const int idx = t->findColumn(c);
      if (idx < 0) {
        r.records.push_back(serverError(kInvalidColumn, {c}));
        return r;
      }
      target.push_back(idx);
    }
  }
  for (const auto& row : s.rows) {
    if (row.size() != target.size()) {
      r.records.push_back(serverError(row.size() > target.size() ? kFewerValues : kFewerColumns));
      return r;
    }
  }
  const std::string table = qualifiedForMessage(*t);
  std::vector<std::vector<Value>> rows;
  for (const auto& row : s.rows) {
    std::vector<Value> values(t->columns.size());
    for (size_t k = 0; k < row.size(); ++k) {
      std::optional<Value> v = evaluate(*row[k], r.records);
      if (!v) return r;
      values[target[k]] = std::move(*v);
    }
    for (size_t i = 0; i < t->columns.size(); ++i) {
      const ColumnInfo& c = t->columns[i];
      std::optional<Value> conv = convertForColumn(std::move(values[i]), c.type, c.nullable, c.name, table,
                                                   options.oldTruncation, r.records);
      if (!conv) return r;
      values[i] = std::move(*conv);
    }
    rows.push_back(std::move(values));
  }

  std::string error;
  PreparedPtr prepared = statement(t->insertSql, error);
  if (!prepared) {
    r.records.push_back(serverError(kNotSupported, {error}));
    return r;
  }
  RowsSavepoint together(db_, rows.size() > 1);
  const StatementLease back(*prepared);  // reset before the savepoint ends
  sqlite3_stmt* stmt = prepared->stmt;
  long long count = 0;
  for (const auto& values : rows) {
    for (size_t i = 0; i < values.size(); ++i) bindValue(stmt, static_cast<int>(i) + 1, values[i]);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE) {
      const int ext = sqlite3_extended_errcode(db_);
      const std::string msg = sqlite3_errmsg(db_);
      if (ext == SQLITE_CONSTRAINT_PRIMARYKEY || ext == SQLITE_CONSTRAINT_UNIQUE) {
        std::string key;
        for (size_t k = 0; k < t->pkColumns.size(); ++k) {
          key += (k ? ", " : "") + displayValue(values[t->pkColumns[k]]);
        }
        r.records.push_back(serverError(kPrimaryKey, {t->pkName, t->schema + "." + t->name, key}));
        r.records.push_back(statementTerminated());
      } else {
        r.records.push_back(serverError(kNotSupported, {msg}));
      }
      count = -1;
      break;
    }
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    ++count;
  }
  if (count >= 0) together.keep();
  if (count < 0) return r;
  r.ok = true;
  r.rowCount = count;
  return r;
}

}  // namespace hvemu
