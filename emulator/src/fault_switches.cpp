#include "fault_switches.h"

#include <cstdio>
#include <cstdlib>

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
  if (s.empty()) return false;
  const std::string text(s);
  char* end = nullptr;
  out = std::strtol(text.c_str(), &end, 10);
  return end && *end == '\0';
}

}  // namespace

std::string switchValue(const char* envName, const char* dsnKey, const DsnSwitches& dsn) {
  if (const char* v = std::getenv(envName)) return v;
  auto it = dsn.find(dsnKey);
  return it == dsn.end() ? std::string() : it->second;
}

bool switchOn(const std::string& value) { return !value.empty() && value != "0"; }

bool allocationFails(std::string_view setting, long count) {
  bool fails = false;
  eachItem(setting, [&](std::string_view item) {
    const bool onwards = item.back() == '+';
    if (onwards) item.remove_suffix(1);
    long n = 0;
    if (readLong(item, n) && (count == n || (onwards && count > n))) fails = true;
    return fails;
  });
  return fails;
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
