// INSERT: the values are converted and checked against the declared column
// types here (widths, NOT NULL, numbers, dates), then stored through one
// cached SQLite statement per table and column set.
#include "session.h"
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

}  // namespace

ExecResult Session::insert(const Insert& s, const ExecOptions& options) {
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
  sqlite3_stmt* stmt = prepared->stmt;
  const bool several = rows.size() > 1;
  if (several) sqlite3_exec(db_, "SAVEPOINT hvemu_rows", nullptr, nullptr, nullptr);
  long long count = 0;
  for (const auto& values : rows) {
    for (size_t i = 0; i < values.size(); ++i) bindValue(stmt, static_cast<int>(i) + 1, values[i]);
    const int rc = sqlite3_step(stmt);
    const int ext = sqlite3_extended_errcode(db_);
    const std::string msg = sqlite3_errmsg(db_);
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    if (rc != SQLITE_DONE) {
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
    ++count;
  }
  releaseStatement(*prepared);
  if (several) {
    if (count < 0) sqlite3_exec(db_, "ROLLBACK TO hvemu_rows", nullptr, nullptr, nullptr);
    sqlite3_exec(db_, "RELEASE hvemu_rows", nullptr, nullptr, nullptr);
  }
  if (count < 0) return r;
  r.ok = true;
  r.rowCount = count;
  return r;
}

}  // namespace hvemu
