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

}  // namespace
