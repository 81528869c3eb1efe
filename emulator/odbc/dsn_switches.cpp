#include "dsn_switches.h"

#include <cstdlib>

namespace hvemu {

const char* const kDsnSwitchKeys[6] = {"Trace",    "FailStmtAlloc", "ConnectInfo",
                                       "FailExec", "OldTruncation", "FailAlloc"};

std::string switchValue(const char* envName, const char* dsnKey, const DsnSwitches& dsn) {
  allocationPoint();
  if (const char* v = std::getenv(envName)) return v;
  auto it = dsn.find(dsnKey);
  return it == dsn.end() ? std::string() : it->second;
}

SessionSwitches sessionSwitches(const DsnSwitches& dsn) {
  SessionSwitches s;
  s.trace = switchValue("HVEMU_TRACE", "Trace", dsn);
  s.failExec = switchValue("HVEMU_FAIL_EXEC", "FailExec", dsn);
  s.oldTruncation = switchOn(switchValue("HVEMU_OLD_TRUNCATION", "OldTruncation", dsn));
  return s;
}

std::string_view failAllocSetting(const DsnSwitches* dsn) noexcept {
  if (const char* v = std::getenv("HVEMU_FAIL_ALLOC")) return v;
  if (!dsn) return {};
  auto it = dsn->find(std::string_view("FailAlloc"));
  return it == dsn->end() ? std::string_view() : std::string_view(it->second);
}

}  // namespace hvemu
