// Runs writing the same log at the same time: run_log_writer processes (each
// appending entries through the run log, with its rotation) started together.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "driver/run_log.h"
#include "run_log_entries.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

struct LogFiles {
  ScopedTempDir dir;
  std::string log = dir.file("StempZugLog.txt");
  std::string bak = dir.file("StempZugLog.bak");
};

// Writers of the same log started at once: run_log_writer processes that all
// begin when their inputs are closed together.
class SimultaneousWriters {
 public:
  SimultaneousWriters(const LogFiles& f, int processes, int entries, int maxFill) {
    for (int p = 0; p < processes; ++p) {
      writers_.push_back(std::make_unique<HeldProcess>(
          builtTool("run_log_writer"), std::vector<std::string>{f.log, f.bak, std::to_string(p),
                                                                std::to_string(entries), std::to_string(maxFill)}));
    }
  }
  // Lets all writers go and waits for them; false when one did not run cleanly.
  bool run() {
    bool clean = true;
    for (auto& w : writers_) clean = clean && w->started();
    for (auto& w : writers_) w->release();
    for (auto& w : writers_) clean = w->wait() == 0 && clean;
    return clean;
  }

 private:
  std::vector<std::unique_ptr<HeldProcess>> writers_;
};

// Counts every line of `bytes` into `seen`; returns the number of torn lines.
int countLines(const std::string& bytes, std::map<std::string, int>& seen) {
  const LogLines split = splitLogLines(bytes);
  for (const std::string& line : split.lines) ++seen[line];
  return split.torn;
}

// Several processes append many entries of different lengths to the same log at
// the same time; afterwards every line must be one whole entry, each once.
TEST(RunLog, SimultaneousRunsNeverInterleave) {
  LogFiles f;
  constexpr int kProcesses = 4;
  constexpr int kEntries = 300;
  constexpr int kMaxFill = 3000;
  SimultaneousWriters writers(f, kProcesses, kEntries, kMaxFill);
  ASSERT_TRUE(writers.run());

  std::map<std::string, int> seen;
  EXPECT_EQ(countLines(readFileBytes(f.log), seen), 0) << "torn lines";
  int intact = 0;
  for (int p = 0; p < kProcesses; ++p) {
    for (int i = 0; i < kEntries; ++i) {
      const int n = seen[writerEntry(p, i, kMaxFill)];
      EXPECT_EQ(n, 1) << "process " << p << " entry " << i;
      intact += n == 1;
    }
  }
  EXPECT_EQ(intact, kProcesses * kEntries);
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kProcesses * kEntries));
}

// A log of `size` bytes in long lines of one letter, each ended by CR LF.
std::string filledLog(std::size_t size) {
  constexpr std::size_t kLine = 65536;
  std::string bytes;
  bytes.reserve(size);
  while (bytes.size() + kLine <= size) bytes += std::string(kLine - 2, 'x') + "\r\n";
  bytes += std::string(size - bytes.size() - 2, 'x') + "\r\n";
  return bytes;
}

// Several runs write at once into a log a little below the limit, so that the
// entry carrying it past the limit comes while all of them are writing;
// repeated over rounds. The log is rotated once: afterwards the backup is the
// earlier log with the entries up to the rotation (the earlier backup gone), the
// new log holds the rest, every entry is there exactly once and none is torn.
TEST(RunLog, SimultaneousRunsRotateEachGenerationOnce) {
  // Many short entries keep all writers busy at the moment of the rotation; under
  // Wine, where each start of a process and each entry costs far more, fewer
  // and longer ones do.
#ifdef _WIN32
  constexpr int kRounds = 5;
  constexpr int kEntries = 100;
  constexpr int kMaxFill = 400;
#else
  constexpr int kRounds = 10;
  constexpr int kEntries = 1000;
  constexpr int kMaxFill = 40;
#endif
  constexpr int kProcesses = 8;
  // The limit is passed about halfway through the writing.
  const std::size_t written = static_cast<std::size_t>(kProcesses) * kEntries * (kMaxFill / 2 + 20);
  const std::string earlier = filledLog(static_cast<std::size_t>(RunLog::kRotateAbove) - written / 2);
  int roundsKept = 0;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    LogFiles f;
    writeFileBytes(f.bak, "alte Sicherung\r\n");
    writeFileBytes(f.log, earlier);
    SimultaneousWriters writers(f, kProcesses, kEntries, kMaxFill);
    ASSERT_TRUE(writers.run());

    const std::string backup = readFileBytes(f.bak);
    std::map<std::string, int> seen;
    int torn = countLines(backup, seen);
    torn += countLines(readFileBytes(f.log), seen);
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(seen.count("alte Sicherung"), 0u) << "the earlier backup is replaced";
    EXPECT_GT(backup.size(), static_cast<std::size_t>(RunLog::kRotateAbove));
    const bool backupIsTheEarlierLog = backup.compare(0, earlier.size(), earlier) == 0;
    EXPECT_TRUE(backupIsTheEarlierLog) << "backup of " << backup.size() << " bytes";
    int kept = 0;
    for (int p = 0; p < kProcesses; ++p) {
      for (int i = 0; i < kEntries; ++i) kept += seen[writerEntry(p, i, kMaxFill)] == 1;
    }
    EXPECT_EQ(kept, kProcesses * kEntries) << "entries kept of " << kProcesses * kEntries;
    roundsKept += kept == kProcesses * kEntries && backupIsTheEarlierLog;
  }
  EXPECT_EQ(roundsKept, kRounds);
}

}  // namespace
