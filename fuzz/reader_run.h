// One reader call on a fuzz input, as the reader tests run it: the input as the
// source file, a recording run log, a captured console, a run context for one
// terminal and the tests' recording store with a few master-data answers.
// The insert results follow a fixed cycle that starts at a place taken from the
// input, so that duplicates and failed inserts turn up among the bookings.
#ifndef HV_FUZZ_READER_RUN_H
#define HV_FUZZ_READER_RUN_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/console.h"
#include "common/run_context.h"
#include "common/source_file.h"
#include "fuzz_support.h"
#include "support/fake_store.h"
#include "support/recording_log.h"

// Insert results in the order the store hands them out.
constexpr int32_t kInsertCycle[] = {0, 0, 2627, 0, 8152, 0, -1, 547};
constexpr std::size_t kInsertCycleLength = sizeof kInsertCycle / sizeof kInsertCycle[0];

// The FakeStore, answering inserts from the cycle and keeping each result.
class CycleStore : public FakeStore {
 public:
  explicit CycleStore(std::size_t start) : next_(start) {
    zls[1] = {0, "815"};
    zls[2] = {0, ""};
    zls[7] = {0, "0042"};
    kid[815] = {0, "KST-815"};
    kid[42] = {0, "KST-42"};
    fcd[1] = {0, "B01"};
    apsResult = 0;
    apsKey = 1;
  }

  StoreResult insertBooking(const BookingRecord& record) override {
    insertResults.push_back(kInsertCycle[next_++ % kInsertCycleLength]);
    results.push_back(insertResults.back());
    return FakeStore::insertBooking(record);
  }

  // The reader's result these inserts call for: the first that failed other
  // than as a duplicate booking, else 0.
  int32_t expectedFirstError() const {
    for (const int32_t r : results) {
      if (r != 0 && r != 2627) return r;
    }
    return 0;
  }

  std::vector<int32_t> results;

 private:
  std::size_t next_;
};

using Reader = int32_t (*)(SourceFile&, RunContext&, BookingStore&);

struct ReaderRun {
  ReaderRun(std::string_view input, std::size_t cycleStart) : store(cycleStart) {
    ctx.terminal = "FUZZ1";
    ctx.debug = input.size() % 2 == 1;  // both ways, as the input's length falls
  }

  // Runs `read` with the input as the source file opened in `mode`.
  int32_t run(Reader read, std::string_view input, SourceFile::Mode mode) {
    static ScratchFile scratch;
    const auto file = SourceFile::open(scratch.write(input), mode);
    FUZZ_CHECK(file != nullptr, "the scratch source file opens");
    return read(*file, ctx, store);
  }

  // Log entries that begin with `prefix`.
  int logCount(std::string_view prefix) const {
    int n = 0;
    for (const std::string& e : log.entries) n += e.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    return n;
  }

  RecordingLog log;
  std::string out;
  Console console{&out};
  RunContext ctx{log, console};
  CycleStore store;
};

// A small, stable number from the input's bytes (FNV-1a).
inline std::size_t inputHash(std::string_view input) {
  uint32_t h = 2166136261u;
  for (const char c : input) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  return h;
}

// Occurrences of `needle` in `text`.
inline int countOf(std::string_view text, std::string_view needle) {
  int n = 0;
  for (std::size_t p = text.find(needle); p != std::string_view::npos; p = text.find(needle, p + needle.size())) ++n;
  return n;
}

#endif  // HV_FUZZ_READER_RUN_H
