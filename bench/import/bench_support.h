// What the import benchmarks share: a scratch suite root with the tool's
// configuration, fresh emulator databases loaded with the schema and the demo
// master data (reached through the stand-in's driver in process, or with
// --freetds through FreeTDS and the stand-in's TDS server on the loopback
// interface), generated booking files of every format, child processes with
// their own resource figures, and the bare replay of a statement stream (every
// statement the way the tool runs it, nothing else around it).
#ifndef HV_BENCH_IMPORT_BENCH_SUPPORT_H
#define HV_BENCH_IMPORT_BENCH_SUPPORT_H

#include <sql.h>
#include <sqlext.h>

#include <memory>
#include <string>
#include <vector>

namespace bench {

// The build folder holding Stempelzug, hvcrypt, libhvemu.so and the benchmarks.
extern const std::string kBuild;
constexpr const char* kTerminal = "BDE6251";

// Prints the reason, removes the scratch folder (if one was made) and exits 1.
[[noreturn]] void fail(const std::string& what);

std::string selfPath();

struct ChildRun {
  int status = -1;
  double seconds = 0;
  double cpu = 0;
  long maxRssKiB = 0;
};

// Runs args[0] in `cwd` with standard output into `outPath`, waits for it and
// takes its own resource usage (wait4), so each figure belongs to one child.
ChildRun runChild(const std::vector<std::string>& args, const std::string& cwd, const std::string& outPath);

// One ODBC connection of the benchmark itself.
class Connection {
 public:
  explicit Connection(const std::string& dsn);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // One statement the way the tool runs it: allocate, execute, for a query
  // bind column 1 and fetch once, free. False when the execution failed.
  bool run(std::string& text);

 private:
  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  SQLLEN indicator_ = 0;
  char text31_[31] = {};
};

std::vector<std::string> readLines(const std::string& path);

// How the benchmarks reach their databases: the stand-in's driver in the
// process, or FreeTDS over TCP and the stand-in's TDS server.
enum class Path { InProcess, FreeTds };

// A TDS server process of the build on one database file, stopped (SIGTERM)
// by the destructor.
class ServerProcess {
 public:
  ServerProcess(const std::string& database, const std::string& trace);
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;
  int port() const { return port_; }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

// A fresh emulator database with the schema and the demo master data (loaded
// through the stand-in's driver), and the data source the runs use: the same,
// or on the FreeTDS path a FreeTDS data source of a TDS server on the file.
// The runs on it trace their statements to `trace` (empty: none) from the
// moment it is loaded until it goes: in process the driver's trace
// (HVEMU_TRACE, unset again by the destructor), over TCP the server's
// (--trace).
class Database {
 public:
  Database(Path path, const std::string& odbcFolder, const std::string& dir, const std::string& dsn,
           const std::string& trace);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;
  const std::string& dsn() const { return dsn_; }

 private:
  std::string dsn_;
  bool tracesInProcess_ = false;
  std::unique_ptr<ServerProcess> server_;
};

// The formats the benchmarks know: "40p", "50p", "62p", "dta".
bool knownFormat(const std::string& format);
std::vector<std::string> splitFormats(const std::string& list);

// A booking file of `records` records: distinct badges, times spread over
// January, some canteen bookings (40p, dta), every kind of cost-centre source
// (dta: reader table, "Kostenstelle=", "VonBis=").
void writeFile(const std::string& path, const std::string& format, long records);

// A scratch suite root under /tmp, removed again by the destructor (and by
// fail): the ODBC folder (ODBCSYSINI points there), the databases, the
// configuration file and the working folder two levels below the root.
class Scratch {
 public:
  explicit Scratch(Path path = Path::InProcess);
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const std::string& root() const { return root_; }
  // Where the tool runs: the suite root's "a/b".
  std::string workDir() const { return root_ + "/suite/a/b"; }
  // A fresh database whose runs trace their statements to `trace` (empty: none).
  Database freshDatabase(const std::string& trace = std::string());
  // Writes the configuration file for `db` with hvcrypt.
  void configureFor(const Database& db);

 private:
  std::string root_;
  Path path_;
  int databases_ = 0;
};

// "--freetds" as the first argument: the FreeTDS path (and the argument
// taken away).
Path pathFromArguments(int& argc, char**& argv);

// "--replay TRACE DSN": runs the statements of a trace file one after the
// other on data source DSN, reading the file line by line.
int replayTrace(const char* tracePath, const char* dsn);

}  // namespace bench

#endif  // HV_BENCH_IMPORT_BENCH_SUPPORT_H
