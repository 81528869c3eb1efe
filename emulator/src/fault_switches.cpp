#include "fault_switches.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace hvemu {

namespace {

// Splits on ',' and hands each non-empty item to `f`; stops when f says so.
template <typename F>
void eachItem(std::string_view setting, F f) {
  size_t start = 0;
  while (start <= setting.size()) {
    size_t end = setting.find(',', start);
    if (end == std::string_view::npos) end = setting.size();
    std::string_view item = setting.substr(start, end - start);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
    if (!item.empty() && f(item)) return;
    start = end + 1;
  }
}

bool readLong(std::string_view s, long& out) {
  const std::from_chars_result r = std::from_chars(s.data(), s.data() + s.size(), out);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

// "N" matches count N, "N+" N and every later count.
bool countMatches(std::string_view item, long count) {
  const bool onwards = !item.empty() && item.back() == '+';
  if (onwards) item.remove_suffix(1);
  long n = 0;
  return readLong(item, n) && (count == n || (onwards && count > n));
}

constexpr const char* kFailAllocVariable = "HVEMU_FAIL_ALLOC";
constexpr const char* kFailAllocKey = "FailAlloc";

// The HVEMU_FAIL_ALLOC state of the call this thread is in. Longer settings
// are cut to the buffer; the switch is for tests, whose settings are short.
struct CallState {
  int depth = 0;
  bool armed = false;
  long count = 0;
  const char* function = "";
  char setting[128] = {};
};
thread_local CallState t_call;

}  // namespace

std::string switchValue(const char* envName, const char* dsnKey, const DsnSwitches& dsn) {
  allocationPoint();
  if (const char* v = std::getenv(envName)) return v;
  auto it = dsn.find(dsnKey);
  return it == dsn.end() ? std::string() : it->second;
}

bool switchOn(const std::string& value) { return !value.empty() && value != "0"; }

bool allocationFails(std::string_view setting, long count) {
  bool fails = false;
  eachItem(setting, [&](std::string_view item) { return fails = countMatches(item, count); });
  return fails;
}

bool allocationPointFails(std::string_view setting, std::string_view function, long count) {
  bool fails = false;
  eachItem(setting, [&](std::string_view item) {
    const size_t colon = item.find(':');
    if (colon != std::string_view::npos) {
      if (item.substr(0, colon) != function) return false;
      item.remove_prefix(colon + 1);
    }
    return fails = countMatches(item, count);
  });
  return fails;
}

AllocationCall::AllocationCall(const char* function, const DsnSwitches* dsn) noexcept {
  CallState& c = t_call;
  if (c.depth++ > 0) return;
  c.armed = false;
  c.count = 0;
  c.function = function;
  std::string_view value;
  if (const char* v = std::getenv(kFailAllocVariable)) {
    value = v;
  } else if (dsn) {
    auto it = dsn->find(std::string_view(kFailAllocKey));
    if (it != dsn->end()) value = it->second;
  }
  if (value.empty()) return;
  const size_t n = value.size() < sizeof c.setting - 1 ? value.size() : sizeof c.setting - 1;
  std::memcpy(c.setting, value.data(), n);
  c.setting[n] = '\0';
  c.armed = true;
}

AllocationCall::~AllocationCall() {
  CallState& c = t_call;
  if (--c.depth == 0) c.armed = false;
}

void allocationPoint() {
  CallState& c = t_call;
  if (!c.armed) return;
  ++c.count;
  if (allocationPointFails(c.setting, c.function, c.count)) throw std::bad_alloc();
}

std::optional<InjectedFailure> injectedFailure(std::string_view setting, long count) {
  std::optional<InjectedFailure> result;
  eachItem(setting, [&](std::string_view item) {
    const size_t c1 = item.find(':');
    long n = 0;
    if (c1 == std::string_view::npos || !readLong(item.substr(0, c1), n) || n != count) return false;
    const std::string_view rest = item.substr(c1 + 1);
    InjectedFailure f;
    if (rest == "nodiag") {
      f.withRecord = false;
    } else {
      const size_t c2 = rest.find(':');
      long native = 0;
      if (c2 == std::string_view::npos || !readLong(rest.substr(0, c2), native)) return false;
      f.record = ServerError{std::string(rest.substr(c2 + 1)), native, "Injected failure", true};
    }
    result = f;
    return true;
  });
  return result;
}

void appendTrace(const std::string& path, std::string_view text) {
  if (path.empty()) return;
  std::FILE* f = std::fopen(path.c_str(), "ab");
  if (!f) return;
  std::fwrite(text.data(), 1, text.size(), f);
  std::fputc('\n', f);
  std::fclose(f);
}

}  // namespace hvemu
