#include "dsn_switches.h"

#include <cstdlib>

namespace hvemu {

const char* const kDsnSwitchKeys[6] = {"Trace",    "FailStmtAlloc", "ConnectInfo",
                                       "FailExec", "OldTruncation", "FailAlloc"};

namespace {

// The environment variable when set, else the DSN attribute (none without a
// DSN); allocates nothing.
std::string_view setting(const char* envName, const char* dsnKey, const DsnSwitches* dsn) noexcept {
  if (const char* v = std::getenv(envName)) return v;
  if (!dsn) return {};
  auto it = dsn->find(std::string_view(dsnKey));
  return it == dsn->end() ? std::string_view() : std::string_view(it->second);
}

}  // namespace

std::string switchValue(const char* envName, const char* dsnKey, const DsnSwitches& dsn) {
  allocationPoint();
  return std::string(setting(envName, dsnKey, &dsn));
}

SessionSwitches sessionSwitches(const DsnSwitches& dsn) {
  SessionSwitches s;
  s.trace = switchValue("HVEMU_TRACE", "Trace", dsn);
  s.failExec = switchValue("HVEMU_FAIL_EXEC", "FailExec", dsn);
  s.oldTruncation = switchOn(switchValue("HVEMU_OLD_TRUNCATION", "OldTruncation", dsn));
  return s;
}

std::string_view failAllocSetting(const DsnSwitches* dsn) noexcept {
  return setting("HVEMU_FAIL_ALLOC", "FailAlloc", dsn);
}

}  // namespace hvemu
