#include "store.h"

#include "parser.h"
#include "sqlite_text.h"
#include "text_rules.h"

namespace hvemu {

namespace {

int collateHvci(void*, int na, const void* a, int nb, const void* b) {
  return collateCompare(std::string_view(static_cast<const char*>(a), static_cast<size_t>(na)),
                        std::string_view(static_cast<const char*>(b), static_cast<size_t>(nb)));
}

std::string_view valueBytes(sqlite3_value* v) {
  const unsigned char* p = sqlite3_value_text(v);
  return p ? std::string_view(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_value_bytes(v)))
           : std::string_view();
}

// like(pattern, text) as SQLite calls it for "text LIKE pattern".
void likeFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  sqlite3_result_int(ctx, likeMatch(valueBytes(argv[1]), valueBytes(argv[0])) ? 1 : 0);
}

// Owns a connection until the session takes it over.
struct CloseDatabase {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using DatabaseOwner = std::unique_ptr<sqlite3, CloseDatabase>;

// Rolls back the write transaction a statement opened for itself when an
// exception leaves the statement; the connection is then as before it.
class OwnTransaction {
 public:
  explicit OwnTransaction(sqlite3* db) : db_(db) {}
  ~OwnTransaction() {
    if (db_ && !sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  OwnTransaction(const OwnTransaction&) = delete;
  OwnTransaction& operator=(const OwnTransaction&) = delete;
  void done() { db_ = nullptr; }

 private:
  sqlite3* db_;
};

std::string baseName(const std::string& path) {
  std::string name = path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

}  // namespace

std::unique_ptr<Store> Store::open(const std::string& path, ErrorList& errors) {
  allocationPoint();
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
  DatabaseOwner db(raw);
  if (rc != SQLITE_OK || path.empty()) {
    errors.push_back(serverError(kCannotOpenDb, {path}));
    errors.push_back(serverError(kLoginFailed, {""}));
    return nullptr;
  }
  sqlite3_busy_timeout(raw, 60000);
  sqlite3_create_collation_v2(raw, "HVCI", SQLITE_UTF8, nullptr, collateHvci, nullptr);
  sqlite3_create_function(raw, "like", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, likeFunction, nullptr,
                          nullptr);
  char* msg = nullptr;
  // WAL lets readers and one writer work at once; NORMAL keeps every
  // committed row across a crash of the process (not of the machine).
  // A checkpoint every 10000 pages instead of 1000: a page that many
  // single-row commits touch is copied into the file once per checkpoint, so
  // fewer checkpoints mean fewer writes; the journal grows to about 40 MB.
  // A page cache of 256 KiB: the driver lives inside its client's process, and
  // a server's client driver keeps no data pages, so the client's memory must
  // not grow with the size of the tables. The operating system caches the file.
  const char* pragmas =
      "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA wal_autocheckpoint=10000; "
      "PRAGMA cache_size=-256;";
  if (sqlite3_exec(raw, pragmas, nullptr, nullptr, &msg) != SQLITE_OK) {
    sqlite3_free(msg);
    errors.push_back(serverError(kCannotOpenDb, {path}));
    return nullptr;
  }
  std::string name = baseName(path);
  allocationPoint();
  std::unique_ptr<Store> s(new Store(raw, std::move(name)));
  db.release();  // the session closes it now
  std::string error;
  if (!s->catalogue_.install(error)) {
    errors.push_back(serverError(kCannotOpenDb, {path}));
    return nullptr;
  }
  return s;
}

Store::Store(sqlite3* db, std::string dbName) : db_(db), dbName_(std::move(dbName)), catalogue_(db) {}

Store::~Store() {
  clearCache();
  if (inTransaction_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  catalogue_.close();  // finalizes its statement before the handle closes
  sqlite3_close_v2(db_);
}

void Store::clearCache() { cache_.clear(); }

void releaseStatement(PreparedStatement& p) noexcept {
  sqlite3_reset(p.stmt);
  sqlite3_clear_bindings(p.stmt);
  p.inUse = false;
}

PreparedPtr Store::statement(const std::string& sql, std::string& error) {
  auto it = cache_.find(sql);
  if (it != cache_.end() && !it->second->inUse) {
    it->second->inUse = true;
    return it->second;
  }
  allocationPoint();
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK) {
    error = sqlite3_errmsg(db_);
    sqlite3_finalize(stmt);
    return nullptr;
  }
  auto p = std::make_shared<PreparedStatement>(stmt);
  p->inUse = true;
  if (it == cache_.end() && cache_.size() < 200) cache_[sql] = p;
  return p;
}

void Store::setAutocommit(bool on) {
  if (on && inTransaction_) endTransaction(true);
  autocommit_ = on;
}

bool Store::endTransaction(bool commit) {
  if (!inTransaction_) return true;
  inTransaction_ = false;
  return sqlite3_exec(db_, commit ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr) == SQLITE_OK;
}

void Store::beginIfNeeded() {
  if (!autocommit_ && !inTransaction_) {
    if (sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK) inTransaction_ = true;
  }
}

std::string Store::qualifiedForMessage(const TableInfo& t) const {
  allocationPoint();
  return dbName_ + "." + t.schema + "." + t.name;
}

const TableInfo* Store::resolveTable(const QualifiedName& q, ExecResult& r) {
  const TableInfo* t = catalogue_.findTable(q.schema, q.name);
  if (!t) r.records.push_back(serverError(kInvalidObject, {q.written}));
  return t;
}

ExecResult Store::execute(std::string_view sql, const ExecOptions& options) {
  allocationPoint();
  ExecResult r;
  ErrorList errors;
  std::optional<Statement> parsed = parseStatement(sql, errors);
  if (!parsed) {
    r.records = std::move(errors);
    return r;
  }
  beginIfNeeded();
  Statement& st = *parsed;
  if (std::holds_alternative<Select>(st)) {
    if (catalogue_.refresh()) clearCache();
    r = select(std::get<Select>(st));
    r.kind = StatementKind::Select;
    return r;
  }
  // A data or table change outside a transaction runs in one write
  // transaction together with the catalogue check, so that the declared
  // types it checks against are those of the table it writes.
  const bool own = sqlite3_get_autocommit(db_) != 0;
  if (own && !runCached("BEGIN IMMEDIATE")) {
    r.records.push_back(serverError(kNotSupported, {sqlite3_errmsg(db_)}));
    return r;
  }
  OwnTransaction undo(own ? db_ : nullptr);
  if (catalogue_.refresh()) clearCache();
  StatementKind kind = StatementKind::Delete;
  if (auto* s = std::get_if<CreateSchema>(&st)) {
    r = createSchema(*s);
    kind = StatementKind::CreateSchema;
  } else if (auto* s = std::get_if<CreateTable>(&st)) {
    r = createTable(*s);
    kind = StatementKind::CreateTable;
  } else if (auto* s = std::get_if<DropTable>(&st)) {
    r = dropTable(*s);
    kind = StatementKind::DropTable;
  } else if (auto* s = std::get_if<Insert>(&st)) {
    r = insert(*s, options);
    kind = StatementKind::Insert;
  } else {
    r = remove(std::get<Delete>(st));
  }
  r.kind = kind;
  if (own && !runCached(r.ok ? "COMMIT" : "ROLLBACK") && r.ok) {
    runCached("ROLLBACK");
    r.ok = false;
    r.records.push_back(serverError(kNotSupported, {sqlite3_errmsg(db_)}));
  }
  undo.done();
  return r;
}

bool Store::runCached(const char* sql) {
  std::string error;
  PreparedPtr p = statement(sql, error);
  if (!p) return false;
  const StatementLease back(*p);
  const int rc = sqlite3_step(p->stmt);
  return rc == SQLITE_DONE || rc == SQLITE_ROW;
}

ExecResult Store::runDdl(const std::string& sql) {
  ExecResult r;
  char* msg = nullptr;
  const std::string wrapped = "SAVEPOINT hvemu_ddl;" + sql + "RELEASE hvemu_ddl;";
  if (sqlite3_exec(db_, wrapped.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
    r.records.push_back(serverError(kNotSupported, {msg ? msg : "DDL failed"}));
    sqlite3_free(msg);
    sqlite3_exec(db_, "ROLLBACK TO hvemu_ddl; RELEASE hvemu_ddl;", nullptr, nullptr, nullptr);
    return r;
  }
  catalogue_.invalidate();
  clearCache();
  r.ok = true;
  return r;
}

ExecResult Store::createSchema(const CreateSchema& s) {
  if (catalogue_.schemaExists(s.name)) {
    ExecResult r;
    r.records.push_back(serverError(kTableExists, {s.name}));
    return r;
  }
  return runDdl("INSERT INTO hvemu_schemas(name) VALUES(" + quoteText(s.name) + ");");
}

ExecResult Store::createTable(const CreateTable& s) {
  ExecResult r;
  if (!catalogue_.schemaExists(s.table.schema)) {
    r.records.push_back(serverError(kSchemaMissing, {s.table.schema}));
    return r;
  }
  if (catalogue_.findTable(s.table.schema, s.table.name)) {
    r.records.push_back(serverError(kTableExists, {s.table.name}));
    return r;
  }
  TableInfo t;
  t.schema = catalogue_.schemaName(s.table.schema);
  t.name = s.table.name;
  std::string ddl = "CREATE TABLE " + quoteIdent(t.storeName()) + "(";
  std::string meta;
  for (size_t i = 0; i < s.columns.size(); ++i) {
    const ColumnDef& c = s.columns[i];
    for (size_t j = 0; j < i; ++j) {
      if (equalsNoCase(s.columns[j].name, c.name)) {
        r.records.push_back(serverError(kNotSupported, {"column names in each table must be unique"}));
        return r;
      }
    }
    ddl += (i ? "," : "") + quoteIdent(c.name) +
           (c.type.isInteger() ? " INTEGER" : c.type.isText() ? " TEXT COLLATE HVCI" : " TEXT") +
           (c.nullable ? "" : " NOT NULL");
    meta += "INSERT INTO hvemu_columns VALUES(" + quoteText(t.storeName()) + "," + std::to_string(i) + "," +
            quoteText(c.name) + "," + std::to_string(static_cast<int>(c.type.base)) + "," +
            std::to_string(c.type.length) + "," + (c.nullable ? "1" : "0") + ");";
  }
  std::string pkCols;
  if (!s.pkColumns.empty()) {
    ddl += ",PRIMARY KEY(";
    for (size_t k = 0; k < s.pkColumns.size(); ++k) {
      int idx = -1;
      for (size_t i = 0; i < s.columns.size(); ++i) {
        if (equalsNoCase(s.columns[i].name, s.pkColumns[k])) idx = static_cast<int>(i);
      }
      if (idx < 0) {
        r.records.push_back(serverError(kInvalidColumn, {s.pkColumns[k]}));
        return r;
      }
      ddl += (k ? "," : "") + quoteIdent(s.columns[idx].name);
      pkCols += (k ? "," : "") + std::to_string(idx);
    }
    ddl += ")";
  }
  // With a primary key the table is stored in key order: one B-tree to write
  // per row instead of a table and an index.
  ddl += s.pkColumns.empty() ? ");" : ") WITHOUT ROWID;";
  const std::string pkName = s.pkColumns.empty() ? "" : (s.pkName.empty() ? "PK__" + t.name : s.pkName);
  meta += "INSERT INTO hvemu_tables VALUES(" + quoteText(t.storeName()) + "," + quoteText(t.schema) + "," +
          quoteText(t.name) + "," + quoteText(pkName) + "," + quoteText(pkCols) + ");";
  return runDdl(ddl + meta);
}

ExecResult Store::dropTable(const DropTable& s) {
  const TableInfo* t = catalogue_.findTable(s.table.schema, s.table.name);
  if (!t) {
    ExecResult r;
    if (s.ifExists) {
      r.ok = true;
      return r;
    }
    r.records.push_back(serverError(kCannotDrop, {s.table.written}));
    return r;
  }
  const std::string store = t->storeName();
  return runDdl("DROP TABLE " + quoteIdent(store) + ";DELETE FROM hvemu_columns WHERE store=" + quoteText(store) +
                ";DELETE FROM hvemu_tables WHERE store=" + quoteText(store) + ";");
}

}  // namespace hvemu
