#include "fault_switches.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <new>

#include "text_rules.h"

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

// "N" or "N+": the number and whether later counts match too.
bool readCount(std::string_view item, long& n, bool& onwards) {
  onwards = !item.empty() && item.back() == '+';
  if (onwards) item.remove_suffix(1);
  return readLong(item, n) && n > 0;
}

// Whether "N" (`onwards`: "N+") selects the `count`-th.
bool selects(long n, bool onwards, long count) { return count == n || (onwards && count > n); }

bool countMatches(std::string_view item, long count) {
  long n = 0;
  bool onwards = false;
  return readCount(item, n, onwards) && selects(n, onwards, count);
}

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

}  // namespace

bool switchOn(std::string_view value) { return !value.empty() && value != "0"; }

bool countSelected(std::string_view setting, long count) {
  bool selected = false;
  eachItem(setting, [&](std::string_view item) { return selected = countMatches(item, count); });
  return selected;
}

bool BatchPosition::parse(std::string_view spec, BatchPosition& out) {
  const size_t at = spec.find('@');
  BatchPosition p;
  if (!readCount(spec.substr(0, at), p.number, p.onwards)) return false;
  if (at != std::string_view::npos) {
    p.text = std::string(spec.substr(at + 1));
    if (p.text.empty()) return false;
  }
  out = std::move(p);
  return true;
}

bool BatchPosition::matches(std::string_view batch) const {
  if (text.empty()) return true;
  for (size_t i = 0; i + text.size() <= batch.size(); ++i) {
    if (equalsNoCase(batch.substr(i, text.size()), text)) return true;
  }
  return false;
}

void BatchCounter::next(std::string_view batch) {
  batch_ = batch;
  ++batches_;
}

bool BatchCounter::at(const BatchPosition& p) {
  long count = batches_;
  if (!p.text.empty()) {
    TextCount* seen = nullptr;
    for (TextCount& t : texts_) {
      if (equalsNoCase(t.text, p.text)) seen = &t;
    }
    if (!seen) {
      allocationPoint();
      texts_.push_back(TextCount{p.text, 0, 0});
      seen = &texts_.back();
    }
    const bool matches = p.matches(batch_);
    if (seen->lastBatch != batches_) {
      seen->lastBatch = batches_;
      if (matches) ++seen->count;
    }
    if (!matches) return false;
    count = seen->count;
  }
  return selects(p.number, p.onwards, count);
}

AllocationCall::AllocationCall(const char* function, std::string_view setting) noexcept {
  CallState& c = t_call;
  if (c.depth++ > 0) return;
  c.armed = false;
  c.count = 0;
  c.function = function;
  if (setting.empty()) return;
  const size_t n = setting.size() < sizeof c.setting - 1 ? setting.size() : sizeof c.setting - 1;
  std::memcpy(c.setting, setting.data(), n);
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

std::optional<InjectedFailure> injectedFailure(std::string_view setting, BatchCounter& batches) {
  std::optional<InjectedFailure> result;
  // Every item is asked about, so that each text keeps its count.
  eachItem(setting, [&](std::string_view item) {
    const size_t c1 = item.find(':');
    BatchPosition position;
    if (c1 == std::string_view::npos || !BatchPosition::parse(item.substr(0, c1), position)) return false;
    if (!batches.at(position) || result) return false;
    const std::string_view rest = item.substr(c1 + 1);
    InjectedFailure f;
    if (rest == "nodiag") {
      f.withRecord = false;
    } else {
      const size_t c2 = rest.find(':');
      long native = 0;
      if (c2 == std::string_view::npos || !readLong(rest.substr(0, c2), native)) return false;
      f.record = ServerError{std::string(rest.substr(c2 + 1)), native, "Injected failure", true, 1, 16};
    }
    result = f;
    return false;
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
