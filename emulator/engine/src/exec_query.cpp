// SELECT and DELETE: the statement is translated into SQLite's dialect with
// resolved column names, the literals bound as parameters (converted to the
// compared column's type) and the collation of the text columns doing the
// case-insensitive, blank-padded comparison.
#include <functional>

#include "store.h"
#include "sqlite_text.h"
#include "text_rules.h"
#include "values.h"

namespace hvemu {

namespace {

struct Source {
  const TableInfo* table;
  std::string alias;  // as written; empty when none
  std::string sqlAlias;
};

}  // namespace

// Builds the SQLite text for one query; collects the parameters to bind.
class QueryTranslator {
 public:
  explicit QueryTranslator(std::vector<Source> sources) : sources_(std::move(sources)) {}

  std::vector<Value> params;
  ErrorList errors;
  std::vector<std::string> selectAliases;

  // Resolves a column reference; on success sets table and column index.
  bool resolve(const Expr& e, int& src, int& col) {
    src = -1;
    col = -1;
    for (size_t i = 0; i < sources_.size(); ++i) {
      const Source& s = sources_[i];
      if (!e.qualifier.empty()) {
        const bool byAlias = !s.alias.empty() && equalsNoCase(s.alias, e.qualifier);
        const bool byName = s.alias.empty() && (equalsNoCase(s.table->name, e.qualifier) ||
                                                equalsNoCase(s.table->schema + "." + s.table->name, e.qualifier));
        if (!byAlias && !byName) continue;
      }
      const int c = s.table->findColumn(e.text);
      if (c < 0) continue;
      if (src >= 0) {
        errors.push_back(serverError(kAmbiguousColumn, {e.text}));
        return false;
      }
      src = static_cast<int>(i);
      col = c;
    }
    if (src < 0) {
      if (!e.qualifier.empty() && !qualifierKnown(e.qualifier)) {
        // The server reports an unknown qualifier as a multi-part identifier.
        errors.push_back(serverError(kUnboundIdentifier, {e.qualifier + "." + e.text}));
      } else {
        errors.push_back(serverError(kInvalidColumn, {e.text}));
      }
      return false;
    }
    return true;
  }

  const ColumnInfo& column(int src, int col) const { return sources_[src].table->columns[col]; }
  std::string columnSql(int src, int col) const {
    return sources_[src].sqlAlias + "." + quoteIdent(column(src, col).name);
  }

  // Translates an operand; `against` is the column type it is compared with.
  bool operand(const Expr& e, const SqlType* against, std::string& out, SqlType* typeOut) {
    if (e.kind == Expr::Kind::Column) {
      int src, col;
      if (!resolve(e, src, col)) return false;
      out += columnSql(src, col);
      if (typeOut) *typeOut = column(src, col).type;
      return true;
    }
    if (e.kind == Expr::Kind::CountStar) {
      out += "count(*)";
      if (typeOut) *typeOut = SqlType{BaseType::Int, 0};
      return true;
    }
    std::optional<Value> v = evaluate(e, errors);
    if (!v) return false;
    if (against) {
      v = convertForCompare(*v, *against, errors);
      if (!v) return false;
    }
    if (typeOut) {
      *typeOut = v->kind == Value::Kind::Int ? SqlType{BaseType::Int, 0}
                 : v->kind == Value::Kind::Date ? SqlType{BaseType::DateTime, 0}
                 : SqlType{BaseType::VarChar, static_cast<int>(std::max<size_t>(v->text.size(), 1))};
    }
    params.push_back(*v);
    out += v->kind == Value::Kind::Text ? "(? COLLATE HVCI)" : "?";
    return true;
  }

  bool condition(const Expr& e, std::string& out) {
    switch (e.kind) {
      case Expr::Kind::And:
      case Expr::Kind::Or:
        out += "(";
        if (!condition(*e.args[0], out)) return false;
        out += e.kind == Expr::Kind::And ? " AND " : " OR ";
        if (!condition(*e.args[1], out)) return false;
        out += ")";
        return true;
      case Expr::Kind::Not:
        out += "(NOT ";
        if (!condition(*e.args[0], out)) return false;
        out += ")";
        return true;
      case Expr::Kind::IsNull:
        out += "(";
        if (!operand(*e.args[0], nullptr, out, nullptr)) return false;
        out += e.negated ? " IS NOT NULL)" : " IS NULL)";
        return true;
      case Expr::Kind::Compare:
      case Expr::Kind::Like: {
        // A column on either side decides how the other side's literal converts.
        const SqlType* against = nullptr;
        SqlType leftType, rightType;
        int src, col;
        const Expr& l = *e.args[0];
        const Expr& r = *e.args[1];
        if (e.kind == Expr::Kind::Compare) {
          if (l.kind == Expr::Kind::Column && resolveQuiet(l, src, col)) {
            rightType = column(src, col).type;
            against = &rightType;
          } else if (r.kind == Expr::Kind::Column && resolveQuiet(r, src, col)) {
            leftType = column(src, col).type;
          }
        }
        out += "(";
        if (!operand(l, e.kind == Expr::Kind::Compare && l.kind != Expr::Kind::Column && r.kind == Expr::Kind::Column
                            ? &leftType
                            : nullptr,
                     out, nullptr))
          return false;
        if (e.kind == Expr::Kind::Like) out += e.negated ? " NOT LIKE " : " LIKE ";
        else out += " " + e.text + " ";
        if (!operand(r, against, out, nullptr)) return false;
        out += ")";
        return true;
      }
      default:
        errors.push_back(serverError(kSyntax, {e.text}));
        return false;
    }
  }

  bool qualifierKnown(const std::string& q) const {
    for (const Source& s : sources_) {
      if ((!s.alias.empty() && equalsNoCase(s.alias, q)) || equalsNoCase(s.table->name, q) ||
          equalsNoCase(s.table->schema + "." + s.table->name, q))
        return true;
    }
    return false;
  }

  const std::vector<Source>& sources() const { return sources_; }

 private:
  std::vector<Source> sources_;

  bool resolveQuiet(const Expr& e, int& src, int& col) {
    const size_t before = errors.size();
    const bool ok = resolve(e, src, col);
    errors.resize(before);
    return ok;
  }
};

namespace {

void bindParams(sqlite3_stmt* stmt, const std::vector<Value>& params) {
  for (size_t i = 0; i < params.size(); ++i) {
    const Value& v = params[i];
    const int index = static_cast<int>(i) + 1;
    switch (v.kind) {
      case Value::Kind::Null: sqlite3_bind_null(stmt, index); break;
      case Value::Kind::Int: sqlite3_bind_int64(stmt, index, v.integer); break;
      case Value::Kind::Real: sqlite3_bind_double(stmt, index, std::strtod(v.text.c_str(), nullptr)); break;
      default: sqlite3_bind_text(stmt, index, v.text.data(), static_cast<int>(v.text.size()), SQLITE_TRANSIENT);
    }
  }
}

}  // namespace

PreparedPtr Store::boundStatement(const std::string& sql, const std::vector<Value>& params,
                                    ExecResult& r) {
  std::string error;
  PreparedPtr prepared = statement(sql, error);
  if (!prepared) {
    r.records.push_back(serverError(kNotSupported, {error}));
    return nullptr;
  }
  bindParams(prepared->stmt, params);
  return prepared;
}

ExecResult Store::select(const Select& s) {
  ExecResult r;
  std::vector<Source> sources;
  for (size_t i = 0; i < s.from.size(); ++i) {
    const TableInfo* t = resolveTable(s.from[i].table, r);
    if (!t) return r;
    sources.push_back(Source{t, s.from[i].alias, "t" + std::to_string(i)});
  }
  QueryTranslator q(std::move(sources));
  std::string sql = "SELECT ";
  if (s.distinct) sql += "DISTINCT ";
  std::vector<ResultColumn> columns;
  std::string list;
  for (const SelectItem& item : s.items) {
    if (!item.expr) {
      bool any = false;
      for (size_t si = 0; si < q.sources().size(); ++si) {
        const Source& src = q.sources()[si];
        if (!item.starQualifier.empty() && !equalsNoCase(src.alias.empty() ? src.table->name : src.alias,
                                                         item.starQualifier) &&
            !equalsNoCase(src.table->schema + "." + src.table->name, item.starQualifier))
          continue;
        any = true;
        for (size_t c = 0; c < src.table->columns.size(); ++c) {
          const ColumnInfo& ci = src.table->columns[c];
          list += (list.empty() ? "" : ",") + q.columnSql(static_cast<int>(si), static_cast<int>(c));
          columns.push_back(ResultColumn{ci.name, ci.type, ci.nullable});
        }
      }
      if (!any) {
        r.records.push_back(serverError(kInvalidObject, {item.starQualifier}));
        return r;
      }
      continue;
    }
    ResultColumn rc;
    if (!list.empty()) list += ",";
    if (!q.operand(*item.expr, nullptr, list, &rc.type)) {
      r.records = q.errors;
      return r;
    }
    if (item.expr->kind == Expr::Kind::Column) {
      int src, col;
      q.resolve(*item.expr, src, col);
      rc.name = q.column(src, col).name;
      rc.nullable = q.column(src, col).nullable;
    } else if (item.expr->kind == Expr::Kind::CountStar) {
      rc.nullable = false;
    }
    if (!item.alias.empty()) rc.name = item.alias;
    columns.push_back(rc);
  }
  sql += list + " FROM ";
  for (size_t i = 0; i < q.sources().size(); ++i) {
    sql += (i ? ", " : "") + quoteIdent(q.sources()[i].table->storeName()) + " AS " + q.sources()[i].sqlAlias;
  }
  if (s.where) {
    sql += " WHERE ";
    if (!q.condition(*s.where, sql)) {
      r.records = q.errors;
      return r;
    }
  }
  if (!s.order.empty()) {
    sql += " ORDER BY ";
    for (size_t i = 0; i < s.order.size(); ++i) {
      const Expr& e = *s.order[i].expr;
      if (i) sql += ",";
      if (e.kind == Expr::Kind::Number && !e.negated) {
        sql += e.text;  // ordinal position
      } else {
        bool alias = false;
        if (e.kind == Expr::Kind::Column && e.qualifier.empty()) {
          for (size_t c = 0; c < s.items.size(); ++c) {
            if (!s.items[c].alias.empty() && equalsNoCase(s.items[c].alias, e.text)) {
              sql += std::to_string(c + 1);
              alias = true;
            }
          }
        }
        if (!alias && !q.operand(e, nullptr, sql, nullptr)) {
          r.records = q.errors;
          return r;
        }
      }
      if (s.order[i].descending) sql += " DESC";
    }
  }
  if (s.top >= 0) sql += " LIMIT " + std::to_string(s.top);
  PreparedPtr prepared = boundStatement(sql, q.params, r);
  if (!prepared) return r;
  r.rows = std::make_unique<StoreRows>(prepared, std::move(columns));
  r.ok = true;
  return r;
}

ExecResult Store::remove(const Delete& s) {
  ExecResult r;
  const TableInfo* t = resolveTable(s.table, r);
  if (!t) return r;
  QueryTranslator q({Source{t, "", "t0"}});
  std::string sql = "DELETE FROM " + quoteIdent(t->storeName()) + " AS t0";
  if (s.where) {
    sql += " WHERE ";
    if (!q.condition(*s.where, sql)) {
      r.records = q.errors;
      return r;
    }
  }
  PreparedPtr prepared = boundStatement(sql, q.params, r);
  if (!prepared) return r;
  const StatementLease back(*prepared);
  if (sqlite3_step(prepared->stmt) != SQLITE_DONE) {
    r.records.push_back(serverError(kNotSupported, {sqlite3_errmsg(db_)}));
    return r;
  }
  r.ok = true;
  r.rowCount = sqlite3_changes(db_);
  return r;
}

}  // namespace hvemu
