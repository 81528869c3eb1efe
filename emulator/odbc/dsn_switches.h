// The driver's fault switches for tests, read from the environment at the
// moment of use (so a test process can change them between tests), else from
// the data source's attributes: HVEMU_TRACE, HVEMU_FAIL_STMT_ALLOC,
// HVEMU_CONNECT_INFO, HVEMU_FAIL_EXEC, HVEMU_OLD_TRUNCATION, HVEMU_FAIL_ALLOC.
// The engine applies trace, injected failures and old truncation; the others
// belong to the driver.
#ifndef HVEMU_DSN_SWITCHES_H
#define HVEMU_DSN_SWITCHES_H

#include <hvemu/engine.h>

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace hvemu {

// DSN attribute values by switch name (Trace, FailStmtAlloc, ConnectInfo,
// FailExec, OldTruncation, FailAlloc), as read at connect time.
using DsnSwitches = std::map<std::string, std::string, std::less<>>;

// The attribute names of the switches, as SQLConnect reads them.
extern const char* const kDsnSwitchKeys[6];

// Value of a switch: the environment variable when set, else the DSN attribute.
std::string switchValue(const char* envName, const char* dsnKey, const DsnSwitches& dsn);

// The switches the engine applies to the next batch of a session.
SessionSwitches sessionSwitches(const DsnSwitches& dsn);

// The HVEMU_FAIL_ALLOC setting for a call (empty when none); allocates nothing.
std::string_view failAllocSetting(const DsnSwitches* dsn) noexcept;

}  // namespace hvemu

#endif
