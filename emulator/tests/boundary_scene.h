// The handles one attempt of the boundary test works on: the driver
// manager's on the suite's connection, or the driver's own, reached through
// its entry points looked up in the library the driver manager loaded (for
// the calls the driver manager makes only inside its own functions, or never).
#ifndef HVEMU_TESTS_BOUNDARY_SCENE_H
#define HVEMU_TESTS_BOUNDARY_SCENE_H

#include <dlfcn.h>

#include <memory>
#include <string>
#include <vector>

#include "emu_support.h"

namespace emutest {

extern const char* const kQuery;         // two columns, one row
extern const char* const kUnknownTable;  // fails with 208

inline SQLCHAR* sqlText(const char* s) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(s)); }

// The driver's own entry points, from the library the driver manager loaded.
class Driver {
 public:
  Driver();
  ~Driver();
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;
  bool loaded() const { return lib_ != nullptr; }
  template <typename F>
  F get(const char* name) const {
    return reinterpret_cast<F>(dlsym(lib_, name));
  }

 private:
  void* lib_;
};
#define DRIVER(d, name) (d).get<decltype(&name)>(#name)

// How a row's handles start out. Dm*: handles of the driver manager on the
// suite's connection; Drv*: the driver's own handles.
enum class Start {
  DmStmt,      // a statement
  DmQuery,     // a statement with kQuery executed
  DmBound,     // kQuery executed, column 1 bound as text
  DmRow,       // kQuery executed and one row fetched
  DmPrepared,  // kQuery prepared
  DmFresh,     // a connection of its own, not connected
  DmOpen,      // a connection of its own, connected
  DrvQuery,    // the driver's statement with kQuery executed, on the suite's connection
  DrvFailed,   // the driver's statement after kUnknownTable failed
  DrvEnv,      // an environment of the driver's own
  DrvDbc,      // an environment and a connection of the driver's own
  DrvOpen,     // the same, connected
};

// The handles of one attempt.
struct Scene {
  Scene(SuiteDatabase& su, const Driver& d) : suite(su), driver(d) {}
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;
  SuiteDatabase& suite;
  const Driver& driver;
  std::unique_ptr<Connection> own;
  std::unique_ptr<Statement> stmt;
  SQLHENV denv = SQL_NULL_HENV;  // the driver's
  SQLHDBC ddbc = SQL_NULL_HDBC;
  SQLHSTMT dstmt = SQL_NULL_HSTMT;
  bool ownDriverHandles = false;  // denv/ddbc allocated here, freed at the end
  char buffer[64] = {0};
  SQLLEN indicator = 0;

  SQLHDBC dbc() const { return own ? own->dbc() : suite.conn.dbc(); }
  SQLHSTMT st() const { return stmt->handle(); }
  ~Scene();
};

// Sets the scene up as `start` says (gtest assertions on failure).
void prepare(Scene& s, Start start);

// Where a failed call's record is, and who hands it out.
enum class Diag { DmStmt, DmDbc, DrvStmt, DrvDbc, DrvEnv, None };

std::vector<DiagRecord> recordsOf(const Scene& s, Diag where);

}  // namespace emutest

#endif
