// Import benchmark. For each fixed-length format it imports a file into a fresh
// emulator database with the built Stempelzug, takes the emulator's statement
// trace of that run, and replays the same statements bare through the driver
// manager (allocate, execute, bind and fetch once for a lookup, free) on a
// second fresh database. It reports both wall times and their ratio, and the
// tool's peak memory (maximum resident set of the child) for a small and a
// large file.
//
//   bench_import [RECORDS [SMALL LARGE [FORMATS]]]   defaults: 100000 1000 1000000 40p,50p,62p
#include <sql.h>
#include <sqlext.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kSource = HV_SOURCE_DIR;
const std::string kBuild = HV_BUILD_DIR;
constexpr const char* kUser = "hvimport";
constexpr const char* kPassword = "Bench-Pw1";
constexpr const char* kSchema = "HvKantine";
constexpr const char* kTerminal = "BDE6251";

std::string benchRoot;  // removed on every way out

[[noreturn]] void fail(const std::string& what) {
  std::cerr << "bench_import: " << what << "\n";
  if (!benchRoot.empty()) {
    std::error_code ec;
    fs::remove_all(benchRoot, ec);
  }
  std::exit(1);
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string selfPath() { return fs::read_symlink("/proc/self/exe").string(); }

double cpuSeconds(const rusage& u) {
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double selfCpuSeconds() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return cpuSeconds(u);
}

struct ChildRun {
  int status = -1;
  double seconds = 0;
  double cpu = 0;
  long maxRssKiB = 0;
};

// Runs argv[0] in `cwd` with standard output into `outPath`, waits for it and
// takes its own resource usage (wait4), so each figure belongs to one child.
ChildRun runChild(const std::vector<std::string>& args, const std::string& cwd, const std::string& outPath) {
  std::vector<std::string> store = args;
  std::vector<char*> argv;
  for (std::string& a : store) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  std::fflush(stdout);  // the child must not inherit unwritten output
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) fail("fork failed");
  if (pid == 0) {
    if (!std::freopen(outPath.c_str(), "wb", stdout)) ::_exit(126);
    if (::chdir(cwd.c_str()) != 0) ::_exit(126);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int wstatus = 0;
  rusage usage{};
  if (::wait4(pid, &wstatus, 0, &usage) < 0) fail("wait4 failed");
  ChildRun r;
  r.seconds = secondsSince(start);
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  r.maxRssKiB = usage.ru_maxrss;
  r.cpu = cpuSeconds(usage);
  return r;
}

// One ODBC connection of the benchmark itself.
class Connection {
 public:
  explicit Connection(const std::string& dsn) {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), SQL_IS_INTEGER);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    std::string d = dsn, u = kUser, p = kPassword;
    const SQLRETURN rc = SQLConnect(dbc_, reinterpret_cast<SQLCHAR*>(&d[0]), SQL_NTS,
                                    reinterpret_cast<SQLCHAR*>(&u[0]), SQL_NTS, reinterpret_cast<SQLCHAR*>(&p[0]),
                                    SQL_NTS);
    if (rc == SQL_ERROR) fail("cannot connect to " + dsn);
  }
  ~Connection() {
    SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // One statement the way the tool runs it: allocate, execute, for a query
  // bind column 1 and fetch once, free. False when the execution failed.
  bool run(std::string& text) {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt) == SQL_ERROR) return false;
    const SQLRETURN rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(&text[0]), SQL_NTS);
    if (rc != SQL_ERROR && text.compare(0, 6, "SELECT") == 0) {
      if (text.compare(0, 13, "SELECT TtaAps") == 0) {
        SQLINTEGER key = 99;
        SQLBindCol(stmt, 1, SQL_C_SLONG, &key, sizeof key, &indicator_);
      } else {
        SQLBindCol(stmt, 1, SQL_C_CHAR, text31_, sizeof text31_, &indicator_);
      }
      SQLFetch(stmt);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return rc != SQL_ERROR;
  }

 private:
  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  SQLLEN indicator_ = 0;
  char text31_[31] = {};
};

std::vector<std::string> readLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A fresh emulator database with the schema and the demo master data.
class Database {
 public:
  Database(const std::string& odbcFolder, const std::string& dir, const std::string& dsn) : dsn_(dsn) {
    const std::string cmd = "BUILD_DIR='" + kBuild + "' bash '" + kSource + "/scripts/emulator-dsn' '" + odbcFolder + "' " + dsn + " '" + dir +
                            "/" + dsn + ".db' " + kUser + " " + kPassword + " >/dev/null";
    if (std::system(cmd.c_str()) != 0) fail("scripts/emulator-dsn failed for " + dsn);
    Connection c(dsn);
    for (const char* script : {"/sql/schema.sql", "/sql/demo-data.sql"}) {
      for (std::string line : readLines(kSource + script)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line.compare(first, 2, "--") == 0) continue;
        if (!c.run(line)) fail(std::string("loading ") + script + " failed at: " + line);
      }
    }
  }
  const std::string& dsn() const { return dsn_; }

 private:
  std::string dsn_;
};

std::string digits(long value, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*ld", width, value);
  return buf;
}

// Record i of a file: a distinct badge per record, times spread over January.
std::string record(const std::string& format, long i) {
  const long second = i % 86400;
  const std::string date = digits(1 + (i / 86400) % 28, 2) + "0125";
  const std::string time = digits(second / 3600, 2) + digits(second / 60 % 60, 2) + digits(second % 60, 2);
  std::string id = std::to_string(1000000 + i);
  id.resize(13, ' ');
  if (format == "40p") {
    const char key = i % 50 == 49 ? 'K' : static_cast<char>('1' + i % 2);
    return id + date + time + key + digits(1 + i % 3, 2) + "0";
  }
  if (format == "50p") return date + time + id + digits(i % 2 == 0 ? 100 : 200, 7);
  return date + time + digits(1 + i % 999, 3) + digits(1 + i % 2, 2) + "00" + id + "1";
}

void writeFile(const std::string& path, const std::string& format, long records) {
  std::ofstream out(path, std::ios::binary);
  for (long i = 0; i < records; ++i) out << record(format, i);
  if (!out) fail("cannot write " + path);
}

class Bench {
 public:
  explicit Bench(const std::string& root) : root_(root) {
    fs::create_directories(root_ + "/odbc");
    fs::create_directories(root_ + "/db");
    fs::create_directories(root_ + "/suite/Files");
    fs::create_directories(root_ + "/suite/Horavelle_php/log");
    fs::create_directories(root_ + "/suite/a/b");
    ::setenv("ODBCSYSINI", (root_ + "/odbc").c_str(), 1);
    ::unsetenv("HVEMU_TRACE");
  }

  Database freshDatabase() {
    return Database(root_ + "/odbc", root_ + "/db", "HvBench" + std::to_string(++databases_));
  }

  // Runs the tool on `file` against `db` (configuration rewritten for it).
  // With `measured`, the tool is started by a fresh copy of this program
  // ("--measure"): a child's peak resident set counts what it inherited up to
  // its exec, so it must be forked from a small process, not from this one.
  ChildRun runTool(const Database& db, const std::string& file, const std::string& format, bool measured = false) {
    const std::string ini = root_ + "/suite/Files/Horavelle.Ini";
    const ChildRun h = runChild({kBuild + "/hvcrypt", "ini", "--login", kUser, "--password", kPassword, "--schema",
                                 kSchema, "--dsn", db.dsn()},
                                root_, ini);
    if (h.status != 0) fail("hvcrypt ini failed");
    const std::vector<std::string> tool = {kBuild + "/Stempelzug", file, format, kTerminal};
    if (measured) {
      std::vector<std::string> args = {selfPath(), "--measure", root_ + "/tool-out.txt"};
      args.insert(args.end(), tool.begin(), tool.end());
      const std::string report = root_ + "/measure.txt";
      if (runChild(args, root_ + "/suite/a/b", report).status != 0) fail("measuring the tool failed");
      ChildRun r;
      std::ifstream in(report);
      if (!(in >> r.status >> r.maxRssKiB >> r.seconds)) fail("no measurement from the helper");
      if (r.status != 0) fail("Stempelzug ended with " + std::to_string(r.status) + " on " + file);
      return r;
    }
    const ChildRun r = runChild(tool, root_ + "/suite/a/b", root_ + "/tool-out.txt");
    if (r.status != 0) fail("Stempelzug ended with " + std::to_string(r.status) + " on " + file);
    return r;
  }

  // Times the tool and the bare replay of its statements for one format. Each
  // side runs twice on fresh databases, in the order tool, replay, replay,
  // tool, so that whatever the machine does meanwhile weighs on both alike.
  void speed(const std::string& format, long records) {
    const std::string file = root_ + "/speed." + format;
    writeFile(file, format, records);
    const std::string toolTrace = root_ + "/trace-tool-" + format + ".txt";
    const std::string replayTrace = root_ + "/trace-replay-" + format + ".txt";

    std::vector<std::string> statements;
    double toolSeconds = 0;
    double replaySeconds = 0;
    double toolCpu = 0;
    double replayCpu = 0;
    long failed = 0;
    bool sameStream = true;
    for (int round = 0; round < 4; ++round) {
      const bool toolTurn = round == 0 || round == 3;
      Database db = freshDatabase();
      std::remove(toolTrace.c_str());
      std::remove(replayTrace.c_str());
      ::setenv("HVEMU_TRACE", (toolTurn ? toolTrace : replayTrace).c_str(), 1);
      if (toolTurn) {
        const ChildRun r = runTool(db, file, format);
        toolSeconds += r.seconds;
        toolCpu += r.cpu;
        ::unsetenv("HVEMU_TRACE");
        const std::vector<std::string> taken = readLines(toolTrace);
        if (!statements.empty() && taken != statements) sameStream = false;
        statements = taken;
      } else {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = selfCpuSeconds();
        {
          Connection c(db.dsn());
          for (const std::string& s : statements) {
            std::string text = s;
            failed += c.run(text) ? 0 : 1;
          }
        }
        replaySeconds += secondsSince(start);
        replayCpu += selfCpuSeconds() - cpuStart;
        ::unsetenv("HVEMU_TRACE");
        if (readLines(replayTrace) != statements) sameStream = false;
      }
    }
    std::printf("%-4s %9ld records %9zu statements  tool %8.3f s  replay %8.3f s  ratio %5.3f"
                "  (cpu: tool %.3f s, replay %.3f s)  %s%s\n",
                format.c_str(), records, statements.size(), toolSeconds / 2, replaySeconds / 2,
                toolSeconds / replaySeconds, toolCpu / 2, replayCpu / 2, sameStream ? "same statement stream" : "STATEMENT STREAMS DIFFER",
                failed ? (", " + std::to_string(failed / 2) + " failed statements").c_str() : "");
    std::fflush(stdout);
    std::remove(toolTrace.c_str());
    std::remove(replayTrace.c_str());
    fs::remove(file);
  }

  // Peak memory of the tool for a small and a large file of one format, and,
  // as the baseline, the peak memory of a bare replay of the same statements
  // in a process of its own: what the driver manager and the database driver
  // need in any program that sends this stream.
  void memory(const std::string& format, long small, long large) {
    long rss[2] = {0, 0};
    long base[2] = {0, 0};
    const long sizes[2] = {small, large};
    const std::string file = root_ + "/memory." + format;
    const std::string trace = root_ + "/trace-memory.txt";
    for (int k = 0; k < 2; ++k) {
      writeFile(file, format, sizes[k]);
      std::remove(trace.c_str());
      Database db = freshDatabase();
      ::setenv("HVEMU_TRACE", trace.c_str(), 1);
      const ChildRun r = runTool(db, file, format, true);
      ::unsetenv("HVEMU_TRACE");
      rss[k] = r.maxRssKiB;
      fs::remove(file);

      Database replayDb = freshDatabase();
      const std::string report = root_ + "/measure.txt";
      if (runChild({selfPath(), "--measure", root_ + "/replay-out.txt", selfPath(), "--replay", trace, replayDb.dsn()},
                   root_, report)
              .status != 0) {
        fail("measuring the replay failed");
      }
      ChildRun b;
      std::ifstream in(report);
      if (!(in >> b.status >> b.maxRssKiB >> b.seconds) || b.status != 0) fail("the replay failed");
      base[k] = b.maxRssKiB;
      std::remove(trace.c_str());
      std::printf("%-4s %9ld records  peak memory: tool %7ld KiB, bare replay %7ld KiB, tool above replay %5ld KiB"
                  "  (tool %.1f s)\n",
                  format.c_str(), sizes[k], rss[k], base[k], rss[k] - base[k], r.seconds);
      std::fflush(stdout);
    }
    const long toolGrowth = rss[1] - rss[0];
    const long ownGrowth = toolGrowth - (base[1] - base[0]);
    std::printf("%-4s growth %ld -> %ld records: tool %ld KiB, replay %ld KiB; the tool's own part %ld KiB (%s 1 MiB)\n",
                format.c_str(), sizes[0], sizes[1], toolGrowth, base[1] - base[0], ownGrowth,
                ownGrowth <= 1024 ? "within" : "MORE THAN");
    std::fflush(stdout);
  }

 private:
  std::string root_;
  int databases_ = 0;
};

// "--measure OUT PROGRAM ARGS...": runs PROGRAM in the current folder with its
// output into OUT and prints its exit status, peak resident set (KiB) and wall
// time. Runs before anything else is loaded, so this process stays small.
int measure(int argc, char** argv) {
  std::vector<std::string> args(argv + 3, argv + argc);
  const ChildRun r = runChild(args, fs::current_path().string(), argv[2]);
  std::printf("%d %ld %.3f\n", r.status, r.maxRssKiB, r.seconds);
  return 0;
}

// "--replay TRACE DSN": runs the statements of a trace file one after the
// other on data source DSN, reading the file line by line, so that this
// process's peak memory is what the driver manager and the driver need.
int replay(const char* tracePath, const char* dsn) {
  std::ifstream in(tracePath, std::ios::binary);
  Connection c(dsn);
  for (std::string line; std::getline(in, line);) c.run(line);
  return 0;
}

std::vector<std::string> splitFormats(const std::string& list) {
  std::vector<std::string> out;
  std::stringstream ss(list);
  for (std::string item; std::getline(ss, item, ',');) {
    if (item == "40p" || item == "50p" || item == "62p") out.push_back(item);
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 3 && std::string(argv[1]) == "--measure") return measure(argc, argv);
  if (argc == 4 && std::string(argv[1]) == "--replay") return replay(argv[2], argv[3]);
  const long records = argc > 1 ? std::atol(argv[1]) : 100000;
  const long small = argc > 3 ? std::atol(argv[2]) : 1000;
  const long large = argc > 3 ? std::atol(argv[3]) : 1000000;
  const std::vector<std::string> formats = splitFormats(argc > 4 ? argv[4] : "40p,50p,62p");

  char tmpl[] = "/tmp/hvbench-XXXXXX";
  if (::mkdtemp(tmpl) == nullptr) fail("mkdtemp failed");
  const std::string root = tmpl;
  benchRoot = root;
  {
    Bench bench(root);
    std::printf("== wall time: tool vs bare replay of its statements (target ratio <= 1.05)\n");
    for (const std::string& f : formats) bench.speed(f, records);
    std::printf("== peak memory of the tool (target: within 1 MiB)\n");
    for (const std::string& f : formats) bench.memory(f, small, large);
  }
  fs::remove_all(root);
  return 0;
}
