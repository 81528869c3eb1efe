// Fault switches for tests, read from the environment at the moment of use
// (so a test process can change them between tests), else from the DSN's
// attributes: HVEMU_TRACE, HVEMU_FAIL_STMT_ALLOC, HVEMU_CONNECT_INFO,
// HVEMU_FAIL_EXEC, HVEMU_OLD_TRUNCATION, HVEMU_FAIL_ALLOC.
#ifndef HVEMU_FAULT_SWITCHES_H
#define HVEMU_FAULT_SWITCHES_H

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "server_errors.h"

namespace hvemu {

// DSN attribute values by switch name (Trace, FailStmtAlloc, ConnectInfo,
// FailExec, OldTruncation, FailAlloc), as read at connect time.
using DsnSwitches = std::map<std::string, std::string, std::less<>>;

// Value of a switch: the environment variable when set, else the DSN attribute.
std::string switchValue(const char* envName, const char* dsnKey, const DsnSwitches& dsn);

// "N" fails allocation N only, "N+" N and every later one; a comma list
// combines both forms. `count` is the 1-based number of this allocation.
bool allocationFails(std::string_view setting, long count);

// What HVEMU_FAIL_EXEC asks for the `count`-th execution.
struct InjectedFailure {
  bool withRecord = true;
  ServerError record;
};
std::optional<InjectedFailure> injectedFailure(std::string_view setting, long count);

bool switchOn(const std::string& value);

// HVEMU_FAIL_ALLOC (FailAlloc): items "N", "N+", "FUNCTION:N", "FUNCTION:N+",
// comma-separated. Within each call of an entry point (or only of the one
// named), the N-th allocation point (N+: and every later one) throws
// std::bad_alloc. `count` is the 1-based number of the point in the call.
bool allocationPointFails(std::string_view setting, std::string_view function, long count);

// One entry-point call as HVEMU_FAIL_ALLOC counts it. The entry-point guard
// opens it; it reads the switch once and allocates nothing. A call opened
// inside an open one counts with the outer one.
class AllocationCall {
 public:
  AllocationCall(const char* function, const DsnSwitches* dsn) noexcept;
  ~AllocationCall();
  AllocationCall(const AllocationCall&) = delete;
  AllocationCall& operator=(const AllocationCall&) = delete;
};

// Marks a place where the driver allocates memory: throws std::bad_alloc
// when HVEMU_FAIL_ALLOC names this point of the current call.
void allocationPoint();

// Appends `text` and one "\n" to the trace file; the line is on disk on return.
void appendTrace(const std::string& path, std::string_view text);

}  // namespace hvemu

#endif
