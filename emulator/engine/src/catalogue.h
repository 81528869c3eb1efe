// The catalogue of declared T-SQL column types. It lives in the SQLite file
// (tables hvemu_schemas, hvemu_tables, hvemu_columns, written by CREATE) and
// is cached per connection; the cache is reloaded whenever the file's
// schema_version changes, also when another process ran CREATE or DROP.
#ifndef HVEMU_CATALOGUE_H
#define HVEMU_CATALOGUE_H

#include <sqlite3.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ast.h"

namespace hvemu {

// Case-insensitive ordering of names; transparent, so lookups need no copy.
struct NameLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

struct ColumnInfo {
  std::string name;
  SqlType type;
  bool nullable = true;
};

struct TableInfo {
  std::string schema;
  std::string name;
  std::vector<ColumnInfo> columns;
  std::string pkName;
  std::vector<int> pkColumns;  // indexes into columns
  std::map<std::string, int, NameLess> columnIndex;  // name -> index
  std::string insertSql;  // SQLite INSERT of all columns, one parameter each
  std::string storeName() const { return schema + "." + name; }  // SQLite table name
  int findColumn(const std::string& column) const;                // -1 when unknown
};

// Borrows the session's sqlite3 handle; lives no longer than the session.
class Catalogue {
 public:
  explicit Catalogue(sqlite3* db) : db_(db) {}
  Catalogue(const Catalogue&) = delete;
  Catalogue& operator=(const Catalogue&) = delete;
  ~Catalogue();

  // Creates the catalogue tables when the file is new. Returns false on failure.
  bool install(std::string& error);
  // Reloads when the file's schema changed; returns true when it did.
  bool refresh();
  void invalidate() { version_ = -1; }

  bool schemaExists(const std::string& schema) const;
  // The schema's name as it was created (dbo for an empty name).
  std::string schemaName(const std::string& schema) const;
  // Finalizes the catalogue's statement; called before the connection closes.
  void close();
  // Schema empty means the default schema dbo.
  const TableInfo* findTable(const std::string& schema, const std::string& name) const;

 private:
  sqlite3* db_;
  sqlite3_stmt* versionStmt_ = nullptr;
  long long version_ = -1;
  std::map<std::string, std::string> schemas_;  // upper-case key -> name
  std::map<std::string, TableInfo> tables_;     // upper-case "SCHEMA.NAME" -> table
  void load();
};

}  // namespace hvemu

#endif
