// Fault switches for tests, read from the environment at the moment of use
// (so a test process can change them between tests), else from the DSN's
// attributes: HVEMU_TRACE, HVEMU_FAIL_STMT_ALLOC, HVEMU_CONNECT_INFO,
// HVEMU_FAIL_EXEC, HVEMU_OLD_TRUNCATION.
#ifndef HVEMU_FAULT_SWITCHES_H
#define HVEMU_FAULT_SWITCHES_H

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "server_errors.h"

namespace hvemu {

// DSN attribute values by switch name (Trace, FailStmtAlloc, ConnectInfo,
// FailExec, OldTruncation), as read at connect time.
using DsnSwitches = std::map<std::string, std::string>;

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

// Appends `text` and one "\n" to the trace file; the line is on disk on return.
void appendTrace(const std::string& path, std::string_view text);

}  // namespace hvemu

#endif
