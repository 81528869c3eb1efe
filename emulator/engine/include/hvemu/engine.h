// The stand-in's engine: a database session on a SQLite file that runs the
// suite's T-SQL and answers as SQL Server does. Its fronts (the ODBC driver
// libhvemu.so and the TDS server hvemu-server) see only this header: open a
// session for a login, execute one batch, read the outcome (rows, counts,
// messages) as values, and the hooks of the fault switches. Nothing here knows
// which front calls it.
#ifndef HVEMU_ENGINE_H
#define HVEMU_ENGINE_H

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hvemu {

// ---- Column types ---------------------------------------------------------

enum class BaseType { VarChar, Char, TinyInt, SmallInt, Int, BigInt, DateTime };

struct SqlType {
  BaseType base = BaseType::VarChar;
  int length = 1;  // characters (= bytes, single-byte texts) for VarChar/Char
  bool isText() const { return base == BaseType::VarChar || base == BaseType::Char; }
  bool isInteger() const {
    return base == BaseType::TinyInt || base == BaseType::SmallInt || base == BaseType::Int ||
           base == BaseType::BigInt;
  }
};

// Type name as the server writes it in messages ("smallint", "varchar(30)").
std::string typeName(const SqlType& t, bool withLength);

// ---- Messages -------------------------------------------------------------

// One message of the server, or (fromServer false) a record a front makes
// itself. `text` is without any driver prefix. `severity` is the server's
// class: 0 to 10 informational, 11 and above an error.
struct ServerError {
  std::string sqlstate;
  long native = 0;
  std::string text;
  bool fromServer = true;
  int state = 1;
  int severity = 16;
};

using ErrorList = std::vector<ServerError>;

// The catalogue numbers the fronts name themselves.
enum : long {
  kStatementTerminated = 3621,
  kCannotOpenDb = 4060,
  kContextChanged = 5701,
  kLanguageChanged = 5703,
  kLoginFailed = 18456,
  kNotSupported = 40000,  // a statement or request the stand-in does not serve
  kStoreFailure = 40001,  // the SQLite store failed while reading rows
};

// Builds the catalogue entry `native` with its arguments filled into the
// message format ("%s" placeholders, in order).
ServerError serverError(long native, const std::vector<std::string>& args = {});

inline bool isInformational(const ServerError& e) { return e.severity <= 10; }

// ---- Outcomes -------------------------------------------------------------

struct ResultColumn {
  std::string name;
  SqlType type;
  bool nullable = true;
};

// The open rows of a query, read forward once. Destroyed before its session.
class ResultSet {
 public:
  virtual ~ResultSet() = default;
  virtual const std::vector<ResultColumn>& columns() const = 0;
  // 1: a row is current; 0: no further row; -1: failure (see error()).
  virtual int next() = 0;
  virtual bool isNull(int col) const = 0;
  // The column's value as text (datetime as "yyyy-mm-dd hh:mi:ss.mmm").
  virtual std::string text(int col) const = 0;
  virtual long long integer(int col) const = 0;
  virtual const std::string& error() const = 0;
};

// What kind of statement a batch held (Other: none could be read).
enum class StatementKind { Select, Insert, Delete, CreateSchema, CreateTable, DropTable, Set, Other };

struct ExecResult {
  bool ok = false;
  StatementKind kind = StatementKind::Other;
  ErrorList records;        // errors, or informational messages when ok
  long long rowCount = -1;  // rows written or deleted; -1: no count
  std::unique_ptr<ResultSet> rows;  // set for a query
};

// ---- Fault hooks ----------------------------------------------------------

// Whether the value of an on/off switch turns it on: any text but "" and "0".
bool switchOn(std::string_view value);

// A count list: "N" selects the N-th, "N+" the N-th and every later one; a
// comma list combines items. `count` is 1-based.
bool countSelected(std::string_view setting, long count);

// A position in one connection's stream of batches: "N" (the N-th batch),
// "N+" (the N-th and every later one), either followed by "@TEXT" to count
// only the batches whose text contains TEXT (ASCII letters in any case).
struct BatchPosition {
  long number = 0;
  bool onwards = false;
  std::string text;  // empty: every batch counts
  // Reads one position; false when `spec` is not one.
  static bool parse(std::string_view spec, BatchPosition& out);
  bool matches(std::string_view batch) const;
};

// Counts the batches of one connection for the positions asked about.
class BatchCounter {
 public:
  // Starts the next batch; `batch` stays valid until the next call.
  void next(std::string_view batch);
  // Whether the current batch stands at `p`. A text counts from the first
  // batch it is asked about: ask about every position of interest for every
  // batch (not only until one of them matches).
  bool at(const BatchPosition& p);

 private:
  struct TextCount {
    std::string text;
    long count = 0;
    long lastBatch = 0;
  };
  std::string_view batch_;
  long batches_ = 0;
  std::vector<TextCount> texts_;
};

// Marks a place where the engine or a front allocates memory: throws
// std::bad_alloc when HVEMU_FAIL_ALLOC names this point of the current call.
void allocationPoint();

// One call of a front's entry point as the switch HVEMU_FAIL_ALLOC counts
// it: `setting` holds items "N", "N+", "FUNCTION:N", "FUNCTION:N+", comma-
// separated; within the call (of every function, or only of the one named)
// the N-th allocation point (N+: and every later one) runs out of memory. A
// call opened inside an open one counts with the outer one. Copies the
// setting and allocates nothing.
class AllocationCall {
 public:
  AllocationCall(const char* function, std::string_view setting) noexcept;
  ~AllocationCall();
  AllocationCall(const AllocationCall&) = delete;
  AllocationCall& operator=(const AllocationCall&) = delete;
};

// ---- Sessions -------------------------------------------------------------

// The switches a session reads at every batch; each front takes them from
// where its users set them (the driver: environment, else data source; the
// server: command line, else environment).
struct SessionSwitches {
  std::string trace;     // file that every batch text is appended to, with "\n"
  // Injected failures: "POSITION:NATIVE:SQLSTATE" (that message instead of
  // the execution) or "POSITION:nodiag" (a failure without any message),
  // comma-separated, POSITION as BatchPosition reads it.
  std::string failExec;
  bool oldTruncation = false;  // 8152 instead of 2628
};

// The login a front was set up with (an empty user accepts any login), and
// the one a client presents.
struct Login {
  std::string user;
  std::string password;
};
struct LoginRequest {
  std::string user;
  std::string password;
  std::string database;  // empty: the database of the file
};

class Store;

class Session {
 public:
  // Checks the login and opens (creating when missing) the SQLite file at
  // `path`. On refusal returns null with the server's messages in `errors`:
  // 18456 for a wrong user or password, 4060 and 18456 for a database other
  // than the file's.
  static std::unique_ptr<Session> open(const std::string& path, const Login& expected, const LoginRequest& request,
                                       ErrorList& errors);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Runs one batch (one statement). The trace gets its text first; an
  // injected failure takes the place of its execution.
  ExecResult execute(std::string_view batch, const SessionSwitches& switches);
  // The name of the database (the file's name without its extension).
  const std::string& databaseName() const;

  void setAutocommit(bool on);
  bool autocommit() const;
  bool endTransaction(bool commit);

 private:
  explicit Session(std::unique_ptr<Store> store);
  std::unique_ptr<Store> store_;
  BatchCounter batches_;
};

}  // namespace hvemu

#endif
