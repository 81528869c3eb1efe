#include "store.h"

namespace hvemu {

StoreRows::StoreRows(PreparedPtr stmt, std::vector<ResultColumn> columns)
    : prepared_(std::move(stmt)), stmt_(prepared_->stmt), columns_(std::move(columns)) {}

StoreRows::~StoreRows() { releaseStatement(*prepared_); }

int StoreRows::next() {
  if (done_) return 0;
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return 1;
  done_ = true;
  if (rc == SQLITE_DONE) return 0;
  error_ = sqlite3_errmsg(sqlite3_db_handle(stmt_));
  return -1;
}

bool StoreRows::isNull(int col) const { return sqlite3_column_type(stmt_, col) == SQLITE_NULL; }

std::string StoreRows::text(int col) const {
  allocationPoint();
  if (sqlite3_column_type(stmt_, col) == SQLITE_INTEGER) return std::to_string(sqlite3_column_int64(stmt_, col));
  const unsigned char* p = sqlite3_column_text(stmt_, col);
  if (!p) return std::string();
  return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(stmt_, col)));
}

long long StoreRows::integer(int col) const { return sqlite3_column_int64(stmt_, col); }

}  // namespace hvemu
