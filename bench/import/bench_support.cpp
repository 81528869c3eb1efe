#include "bench_support.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "support/process.h"

namespace fs = std::filesystem;

namespace bench {

const std::string kBuild = HV_BUILD_DIR;

namespace {

const std::string kSource = HV_SOURCE_DIR;
constexpr const char* kUser = "hvimport";
constexpr const char* kPassword = "Bench-Pw1";
constexpr const char* kSchema = "HvKantine";

std::string scratchRoot;  // removed on every way out

std::string digits(long value, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*ld", width, value);
  return buf;
}

// Record i of a file: a distinct badge per record, times spread over January.
std::string record(const std::string& format, long i) {
  const long second = i % 86400;
  const std::string day = digits(1 + (i / 86400) % 28, 2);
  const std::string date = day + "0125";
  const std::string time = digits(second / 3600, 2) + digits(second / 60 % 60, 2) + digits(second % 60, 2);
  const std::string badge = std::to_string(1000000 + i);
  std::string id = badge;
  id.resize(13, ' ');
  if (format == "40p") {
    const char key = i % 50 == 49 ? 'K' : static_cast<char>('1' + i % 2);
    return id + date + time + key + digits(1 + i % 3, 2) + "0";
  }
  if (format == "50p") return date + time + id + digits(i % 2 == 0 ? 100 : 200, 7);
  if (format == "62p") return date + time + digits(1 + i % 999, 3) + digits(1 + i % 2, 2) + "00" + id + "1";
  // dta: one line; every 50th a canteen booking, the others take their cost
  // centre from the reader table, from "Kostenstelle=" or beside "VonBis=".
  const std::string stamp = "202501" + day;
  const std::string head = std::string(kTerminal) + "," + digits(1 + i % 3, 2) + "," + badge + "," + stamp + "," +
                           stamp + time + ",";
  if (i % 50 == 49) return "\"" + std::string(kTerminal) + "\"," + head.substr(head.find(',') + 1) + "K01,100,SO=37136\n";
  switch (i % 3) {
    case 0: return head + "B01,0,SO=1,Kostenstelle=815\n";
    case 1: return head + "B02,0,SO=1\n";
    default: return head + "B01,0,SO=1,\"VonBis=0800-1630\"\n";
  }
}

}  // namespace

[[noreturn]] void fail(const std::string& what) {
  std::cerr << "bench: " << what << "\n";
  if (!scratchRoot.empty()) {
    std::error_code ec;
    fs::remove_all(scratchRoot, ec);
  }
  std::exit(1);
}

std::string selfPath() { return fs::read_symlink("/proc/self/exe").string(); }

ChildRun runChild(const std::vector<std::string>& args, const std::string& cwd, const std::string& outPath) {
  ProcessOptions options;
  options.cwd = cwd;
  options.stdoutPath = outPath;
  std::fflush(stdout);  // what this process printed comes before anything the child says
  const auto start = std::chrono::steady_clock::now();
  const ProcessResult p =
      runProcess(args[0], std::vector<std::string>(args.begin() + 1, args.end()), options);
  ChildRun r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::fputs(p.err.c_str(), stderr);  // whatever the child had to say
  r.status = p.status;
  r.maxRssKiB = p.maxRssKiB;
  r.cpu = p.cpuSeconds;
  return r;
}

Connection::Connection(const std::string& dsn) {
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
  SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), SQL_IS_INTEGER);
  SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
  std::string d = dsn, u = kUser, p = kPassword;
  const SQLRETURN rc = SQLConnect(dbc_, reinterpret_cast<SQLCHAR*>(&d[0]), SQL_NTS, reinterpret_cast<SQLCHAR*>(&u[0]),
                                  SQL_NTS, reinterpret_cast<SQLCHAR*>(&p[0]), SQL_NTS);
  if (rc == SQL_ERROR) fail("cannot connect to " + dsn);
}

Connection::~Connection() {
  SQLDisconnect(dbc_);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
  SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

bool Connection::run(std::string& text) {
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

std::vector<std::string> readLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

ServerProcess::ServerProcess(const std::string& database, const std::string& trace) {
  std::vector<std::string> args = {kBuild + "/hvemu-server", "--database", database, "--port", "0",
                                   "--login", kUser, kPassword};
  if (!trace.empty()) args.insert(args.end(), {"--trace", trace});
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  int out[2];
  if (::pipe(out) != 0) fail("pipe failed");
  std::fflush(stdout);
  pid_ = ::fork();
  if (pid_ < 0) fail("fork failed");
  if (pid_ == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::close(out[0]);
    ::close(out[1]);
    ::unsetenv("HVEMU_TRACE");
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  std::string line;
  char c = 0;
  while (line.size() < 64 && ::read(out[0], &c, 1) == 1 && c != '\n') line += c;
  ::close(out[0]);
  if (line.compare(0, 5, "port ") != 0) fail("hvemu-server did not start on " + database);
  port_ = std::atoi(line.c_str() + 5);
}

ServerProcess::~ServerProcess() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status = 0;
  ::waitpid(pid_, &status, 0);
}

Database::Database(Path path, const std::string& odbcFolder, const std::string& dir, const std::string& dsn,
                   const std::string& trace)
    : dsn_(dsn) {
  const std::string file = dir + "/" + dsn + ".db";
  ProcessOptions options;
  options.env = {{"BUILD_DIR", kBuild}};
  const ProcessResult r =
      runProcess("/bin/bash", {kSource + "/scripts/emulator-dsn", odbcFolder, dsn, file, kUser, kPassword}, options);
  std::fputs(r.err.c_str(), stderr);
  if (r.status != 0) fail("scripts/emulator-dsn failed for " + dsn);
  {
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
  if (path == Path::InProcess) {
    tracesInProcess_ = !trace.empty();
    if (tracesInProcess_) ::setenv("HVEMU_TRACE", trace.c_str(), 1);
    return;
  }
  dsn_ = dsn + "Tds";
  server_ = std::make_unique<ServerProcess>(file, trace);
  const std::string name = file.substr(file.rfind('/') + 1);
  const ProcessResult t =
      runProcess("/bin/bash", {kSource + "/scripts/dsn-freetds", odbcFolder, dsn_, "127.0.0.1",
                               std::to_string(server_->port()), name.substr(0, name.rfind('.')), "600"});
  std::fputs(t.err.c_str(), stderr);
  if (t.status != 0) fail("scripts/dsn-freetds failed for " + dsn_);
}

Database::~Database() {
  if (tracesInProcess_) ::unsetenv("HVEMU_TRACE");
}

bool knownFormat(const std::string& format) {
  return format == "40p" || format == "50p" || format == "62p" || format == "dta";
}

std::vector<std::string> splitFormats(const std::string& list) {
  std::vector<std::string> out;
  std::stringstream ss(list);
  for (std::string item; std::getline(ss, item, ',');) {
    if (!knownFormat(item)) fail("unknown format " + item);
    out.push_back(item);
  }
  return out;
}

void writeFile(const std::string& path, const std::string& format, long records) {
  std::ofstream out(path, std::ios::binary);
  for (long i = 0; i < records; ++i) out << record(format, i);
  if (!out) fail("cannot write " + path);
}

Scratch::Scratch(Path path) : path_(path) {
  char tmpl[] = "/tmp/hvbench-XXXXXX";
  if (::mkdtemp(tmpl) == nullptr) fail("mkdtemp failed");
  root_ = tmpl;
  scratchRoot = root_;
  fs::create_directories(root_ + "/odbc");
  fs::create_directories(root_ + "/db");
  fs::create_directories(root_ + "/suite/Files");
  fs::create_directories(root_ + "/suite/Horavelle_php/log");
  fs::create_directories(workDir());
  ::setenv("ODBCSYSINI", (root_ + "/odbc").c_str(), 1);
  ::unsetenv("HVEMU_TRACE");
}

Scratch::~Scratch() {
  std::error_code ec;
  fs::remove_all(root_, ec);
  scratchRoot.clear();
}

Database Scratch::freshDatabase(const std::string& trace) {
  return Database(path_, root_ + "/odbc", root_ + "/db", "HvBench" + std::to_string(++databases_), trace);
}

void Scratch::configureFor(const Database& db) {
  const std::string ini = root_ + "/suite/Files/Horavelle.Ini";
  const ChildRun h = runChild(
      {kBuild + "/hvcrypt", "ini", "--login", kUser, "--password", kPassword, "--schema", kSchema, "--dsn", db.dsn()},
      root_, ini);
  if (h.status != 0) fail("hvcrypt ini failed");
}

Path pathFromArguments(int& argc, char**& argv) {
  if (argc < 2 || std::string(argv[1]) != "--freetds") return Path::InProcess;
  argv[1] = argv[0];
  ++argv;
  --argc;
  return Path::FreeTds;
}

int replayTrace(const char* tracePath, const char* dsn) {
  std::ifstream in(tracePath, std::ios::binary);
  Connection c(dsn);
  for (std::string line; std::getline(in, line);) c.run(line);
  return 0;
}

}  // namespace bench
