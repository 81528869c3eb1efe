// Benchmark (not a test): booking-row inserts per second through the unixODBC
// driver manager, one autocommitted INSERT per row on a fresh statement handle,
// as the import tool runs them. The emulator gets the tool's own statement
// text; Debian's SQLite ODBC driver gets the same values as plain text into a
// plain SQLite table. Both use a WAL journal and synchronous=NORMAL. The two
// run in alternating rounds so that a busy machine hurts both alike.
//
// Usage: bench_emulator [ROWS] [SQLITE_ODBC_DRIVER_PATH] [SCHEMA_SCRIPT]
#include <sql.h>
#include <sqlext.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr const char* kSqliteDriver = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";

// Owns one environment and connection of the driver manager.
class Connection {
 public:
  explicit Connection(const std::string& dsn) {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    ok_ = SQL_SUCCEEDED(SQLConnect(dbc_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(dsn.c_str())), SQL_NTS,
                                   nullptr, 0, nullptr, 0));
  }
  ~Connection() {
    if (ok_) SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  bool ok() const { return ok_; }

  // The tool's statement pattern: allocate, execute directly, free.
  bool exec(const std::string& sql, std::string* firstValue = nullptr) {
    SQLHSTMT st = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st))) return false;
    const SQLRETURN rc = SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
    if (!SQL_SUCCEEDED(rc)) {
      SQLCHAR state[6] = {0}, msg[512] = {0};
      SQLINTEGER native = 0;
      SQLSMALLINT len = 0;
      SQLGetDiagRec(SQL_HANDLE_STMT, st, 1, state, &native, msg, sizeof msg, &len);
      std::fprintf(stderr, "failed: %s\n  %s %ld %s\n", sql.c_str(), state, static_cast<long>(native), msg);
    } else if (firstValue) {
      char buf[256] = {0};
      SQLLEN ind = 0;
      SQLBindCol(st, 1, SQL_C_CHAR, buf, sizeof buf, &ind);
      if (SQL_SUCCEEDED(SQLFetch(st))) *firstValue = buf;
    }
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    return SQL_SUCCEEDED(rc);
  }

 private:
  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  bool ok_ = false;
};

struct Row {
  std::string badge, dtm, uhr, lfn;
};

Row makeRow(long i) {
  char badge[32], dtm[96], uhr[96], lfn[32];
  const long day = 1 + (i / 86400) % 28, sec = i % 86400;
  std::snprintf(badge, sizeof badge, "%08ld", i);
  std::snprintf(dtm, sizeof dtm, "2024-01-%02ld 00:00:00", day);
  std::snprintf(uhr, sizeof uhr, "2024-01-%02ld %02ld:%02ld:%02ld", day, sec / 3600, sec / 60 % 60, sec % 60);
  std::snprintf(lfn, sizeof lfn, "%ld", 1 + i % 999);
  return Row{badge, dtm, uhr, lfn};
}

// The booking insert exactly as the import tool formats it.
std::string emulatorInsert(const Row& r) {
  return "INSERT INTO HvSystem.Hvs321BEW    (BewSch, BewTID, BewLID,     BewIDN, BewSto, BewKst,     BewDtm, BewUhr,  "
         "   BewLfn, BewArt, BewTas,     BewEra, BewKze, BewBer,     BewErq, BewSta,     BewQua, BewSrc, BewRes)  "
         "VALUES ('', 'BDE6251', '01',          '" + r.badge + "', '0', '4711' ,          convert(DATETIME, '" + r.dtm +
         "', 120),           convert(DATETIME, '" + r.uhr + "', 120),          '" + r.lfn +
         "', 'B01', '00',          '', '', '1',          '', '0',          '', '40p', '' )";
}

std::string sqliteInsert(const Row& r) {
  return "INSERT INTO Hvs321BEW (BewSch, BewTID, BewLID, BewIDN, BewSto, BewKst, BewDtm, BewUhr, BewLfn, BewArt, "
         "BewTas, BewEra, BewKze, BewBer, BewErq, BewSta, BewQua, BewSrc, BewRes) VALUES ('', 'BDE6251', '01', '" +
         r.badge + "', '0', '4711', '" + r.dtm + "', '" + r.uhr + "', '" + r.lfn +
         "', 'B01', '00', '', '', '1', '', '0', '', '40p', '')";
}

bool runScript(Connection& c, const std::string& path) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && !c.exec(line)) return false;
  }
  return true;
}

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 100000;
  const std::string sqliteDriver = argc > 2 ? argv[2] : kSqliteDriver;
  const std::string schema = argc > 3 ? argv[3] : std::string(HVEMU_SOURCE_DIR) + "/sql/schema.sql";
  if (!std::filesystem::exists(sqliteDriver)) {
    std::fprintf(stderr, "SQLite ODBC driver not found: %s (package libsqliteodbc)\n", sqliteDriver.c_str());
    return 2;
  }
  std::string dir = (std::filesystem::temp_directory_path() / "hvemu-bench-XXXXXX").string();
  if (!mkdtemp(dir.data())) return 2;
  {
    std::ofstream(dir + "/odbcinst.ini") << "[HvEmu]\nDriver = " << HVEMU_BUILD_DIR << "/libhvemu.so\n\n"
                                         << "[SQLite3]\nDriver = " << sqliteDriver << "\n";
    std::ofstream(dir + "/odbc.ini") << "[BenchEmu]\nDriver = HvEmu\nDatabase = " << dir << "/emu.db\n\n"
                                     << "[BenchSqlite]\nDriver = SQLite3\nDatabase = " << dir
                                     << "/plain.db\nJournalMode = WAL\nSyncPragma = NORMAL\nTimeout = 60000\n";
  }
  setenv("ODBCSYSINI", dir.c_str(), 1);
  setenv("ODBCINI", (dir + "/user-odbc.ini").c_str(), 1);
  int status = 0;
  {
    Connection emu("BenchEmu");
    Connection lite("BenchSqlite");
    std::string cols;
    for (const char* c : {"BewSch", "BewTID", "BewLID", "BewIDN", "BewSto", "BewKst", "BewDtm", "BewUhr", "BewLfn",
                          "BewArt", "BewTas", "BewEra", "BewKze", "BewBer", "BewErq", "BewSta", "BewQua", "BewSrc",
                          "BewRes"})
      cols += std::string(cols.empty() ? "" : ", ") + c + " TEXT";
    std::string journal, sync;
    if (!emu.ok() || !lite.ok() || !runScript(emu, schema) ||
        !lite.exec("PRAGMA journal_mode=WAL") || !lite.exec("PRAGMA synchronous=NORMAL") ||
        !lite.exec("CREATE TABLE Hvs321BEW (" + cols + ")") || !lite.exec("PRAGMA journal_mode", &journal) ||
        !lite.exec("PRAGMA synchronous", &sync)) {
      std::fprintf(stderr, "setup failed\n");
      status = 2;
    } else {
      const long rounds = 10;
      std::chrono::steady_clock::duration emuTime{}, liteTime{};
      for (long round = 0; round < rounds && status == 0; ++round) {
        const long from = rows * round / rounds, to = rows * (round + 1) / rounds;
        auto t0 = std::chrono::steady_clock::now();
        for (long i = from; i < to && status == 0; ++i) status = lite.exec(sqliteInsert(makeRow(i))) ? 0 : 1;
        auto t1 = std::chrono::steady_clock::now();
        for (long i = from; i < to && status == 0; ++i) status = emu.exec(emulatorInsert(makeRow(i))) ? 0 : 1;
        auto t2 = std::chrono::steady_clock::now();
        liteTime += t1 - t0;
        emuTime += t2 - t1;
      }
      if (status == 0) {
        std::string emuCount, liteCount;
        emu.exec("SELECT COUNT(*) FROM HvSystem.Hvs321BEW", &emuCount);
        lite.exec("SELECT COUNT(*) FROM Hvs321BEW", &liteCount);
        const double emuRate = rows / seconds(emuTime), liteRate = rows / seconds(liteTime);
        std::printf("rows per driver:           %ld (stored: emulator %s, sqliteodbc %s)\n", rows, emuCount.c_str(),
                    liteCount.c_str());
        std::printf("sqliteodbc journal/sync:   %s / %s\n", journal.c_str(), sync.c_str());
        std::printf("sqliteodbc (plain table):  %.0f inserts/s (%.2f s)\n", liteRate, seconds(liteTime));
        std::printf("hvemu (tool's statement):  %.0f inserts/s (%.2f s)\n", emuRate, seconds(emuTime));
        std::printf("ratio hvemu/sqliteodbc:    %.2f (target at least 0.80: %s)\n", emuRate / liteRate,
                    emuRate / liteRate >= 0.8 ? "met" : "NOT met");
      }
    }
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return status;
}
