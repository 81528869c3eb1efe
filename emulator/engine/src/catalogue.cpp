#include "catalogue.h"

#include "sqlite_text.h"
#include "text_rules.h"

namespace hvemu {

bool NameLess::operator()(std::string_view a, std::string_view b) const {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = foldByte(static_cast<unsigned char>(a[i]));
    const unsigned char y = foldByte(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

int TableInfo::findColumn(const std::string& column) const {
  auto it = columnIndex.find(std::string_view(column));
  return it == columnIndex.end() ? -1 : it->second;
}

Catalogue::~Catalogue() { close(); }

void Catalogue::close() {
  sqlite3_finalize(versionStmt_);
  versionStmt_ = nullptr;
}

std::string Catalogue::schemaName(const std::string& schema) const {
  const std::string key = upperAscii(schema.empty() ? std::string("dbo") : schema);
  auto it = schemas_.find(key);
  return it == schemas_.end() ? (schema.empty() ? std::string("dbo") : schema) : it->second;
}

bool Catalogue::install(std::string& error) {
  const char* ddl =
      "CREATE TABLE IF NOT EXISTS hvemu_schemas(name TEXT NOT NULL PRIMARY KEY COLLATE NOCASE);"
      "CREATE TABLE IF NOT EXISTS hvemu_tables(store TEXT NOT NULL PRIMARY KEY COLLATE NOCASE,"
      " schema_name TEXT NOT NULL, table_name TEXT NOT NULL, pk_name TEXT NOT NULL, pk_cols TEXT NOT NULL);"
      "CREATE TABLE IF NOT EXISTS hvemu_columns(store TEXT NOT NULL COLLATE NOCASE, ord INTEGER NOT NULL,"
      " name TEXT NOT NULL, base INTEGER NOT NULL, len INTEGER NOT NULL, nullable INTEGER NOT NULL,"
      " PRIMARY KEY(store, ord));"
      "INSERT OR IGNORE INTO hvemu_schemas(name) VALUES('dbo');";
  // Skip the write when the catalogue is there already, so that many
  // processes opening one file do not queue for the write lock.
  sqlite3_stmt* probe = nullptr;
  bool present = false;
  if (sqlite3_prepare_v2(db_, "SELECT 1 FROM sqlite_master WHERE name='hvemu_columns'", -1, &probe, nullptr) ==
      SQLITE_OK) {
    present = sqlite3_step(probe) == SQLITE_ROW;
  }
  sqlite3_finalize(probe);
  if (!present) {
    char* msg = nullptr;
    if (sqlite3_exec(db_, ddl, nullptr, nullptr, &msg) != SQLITE_OK) {
      error = msg ? msg : "catalogue setup failed";
      sqlite3_free(msg);
      return false;
    }
  }
  if (sqlite3_prepare_v2(db_, "PRAGMA schema_version", -1, &versionStmt_, nullptr) != SQLITE_OK) {
    error = sqlite3_errmsg(db_);
    return false;
  }
  return true;
}

bool Catalogue::refresh() {
  long long v = -2;
  if (sqlite3_step(versionStmt_) == SQLITE_ROW) v = sqlite3_column_int64(versionStmt_, 0);
  sqlite3_reset(versionStmt_);
  if (v == version_) return false;
  load();
  version_ = v;
  return true;
}

namespace {

std::string columnText(sqlite3_stmt* s, int i) {
  const unsigned char* p = sqlite3_column_text(s, i);
  return p ? std::string(reinterpret_cast<const char*>(p), sqlite3_column_bytes(s, i)) : std::string();
}

}  // namespace

void Catalogue::load() {
  schemas_.clear();
  tables_.clear();
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db_, "SELECT name FROM hvemu_schemas", -1, &s, nullptr) == SQLITE_OK) {
    while (sqlite3_step(s) == SQLITE_ROW) {
      const std::string name = columnText(s, 0);
      schemas_[upperAscii(name)] = name;
    }
  }
  sqlite3_finalize(s);
  s = nullptr;
  if (sqlite3_prepare_v2(db_, "SELECT store, schema_name, table_name, pk_name, pk_cols FROM hvemu_tables", -1, &s,
                         nullptr) == SQLITE_OK) {
    while (sqlite3_step(s) == SQLITE_ROW) {
      TableInfo t;
      t.schema = columnText(s, 1);
      t.name = columnText(s, 2);
      t.pkName = columnText(s, 3);
      const std::string cols = columnText(s, 4);
      size_t start = 0;
      while (start < cols.size()) {
        size_t end = cols.find(',', start);
        if (end == std::string::npos) end = cols.size();
        t.pkColumns.push_back(std::stoi(cols.substr(start, end - start)));
        start = end + 1;
      }
      tables_[upperAscii(columnText(s, 0))] = std::move(t);
    }
  }
  sqlite3_finalize(s);
  s = nullptr;
  if (sqlite3_prepare_v2(db_, "SELECT store, name, base, len, nullable FROM hvemu_columns ORDER BY store, ord", -1,
                         &s, nullptr) == SQLITE_OK) {
    while (sqlite3_step(s) == SQLITE_ROW) {
      auto it = tables_.find(upperAscii(columnText(s, 0)));
      if (it == tables_.end()) continue;
      ColumnInfo c;
      c.name = columnText(s, 1);
      c.type.base = static_cast<BaseType>(sqlite3_column_int(s, 2));
      c.type.length = sqlite3_column_int(s, 3);
      c.nullable = sqlite3_column_int(s, 4) != 0;
      it->second.columnIndex[c.name] = static_cast<int>(it->second.columns.size());
      it->second.columns.push_back(std::move(c));
    }
  }
  sqlite3_finalize(s);
  for (auto& entry : tables_) {
    TableInfo& t = entry.second;
    t.insertSql = "INSERT INTO " + quoteIdent(t.storeName()) + " VALUES(";
    for (size_t i = 0; i < t.columns.size(); ++i) t.insertSql += i ? ",?" : "?";
    t.insertSql += ")";
  }
}

bool Catalogue::schemaExists(const std::string& schema) const {
  return schemas_.count(upperAscii(schema.empty() ? std::string("dbo") : schema)) != 0;
}

const TableInfo* Catalogue::findTable(const std::string& schema, const std::string& name) const {
  const std::string key = upperAscii((schema.empty() ? std::string("dbo") : schema) + "." + name);
  auto it = tables_.find(key);
  return it == tables_.end() ? nullptr : &it->second;
}

}  // namespace hvemu
