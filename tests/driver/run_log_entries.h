// The entries that the run-log writer processes (run_log_writer.cpp) append to
// one log at the same time, and the check of a log file's lines, shared by the
// writer and the tests that start it.
#ifndef HV_TESTS_DRIVER_RUN_LOG_ENTRIES_H
#define HV_TESTS_DRIVER_RUN_LOG_ENTRIES_H

#include <cstddef>
#include <string>
#include <vector>

// Entry `index` of writer `process`: a text naming both, then 1 to `maxFill`
// bytes of the writer's own letter, so that entries differ in length and a
// mixed-up entry shows.
inline std::string writerEntry(int process, int index, int maxFill) {
  const std::size_t fill = static_cast<std::size_t>(1 + (index * 37 + process * 101) % maxFill);
  return "Lauf " + std::to_string(process) + " Eintrag " + std::to_string(index) + " " +
         std::string(fill, static_cast<char>('a' + process % 26));
}

// The lines of a log file, each ended by CR LF. `torn` counts what is not such
// a line: a tail without line end, a CR or LF on its own.
struct LogLines {
  std::vector<std::string> lines;
  int torn = 0;
};

inline LogLines splitLogLines(const std::string& bytes) {
  LogLines result;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", pos);
    if (end == std::string::npos) {
      ++result.torn;
      break;
    }
    const std::string line = bytes.substr(pos, end - pos);
    if (line.find_first_of("\r\n") != std::string::npos) ++result.torn;
    result.lines.push_back(line);
    pos = end + 2;
  }
  return result;
}

#endif  // HV_TESTS_DRIVER_RUN_LOG_ENTRIES_H
