// The run log as a test expects it: the bytes the run log stores for a list of
// entries, the start and end lines of a run, and the time stamp of the start
// line masked once its form is checked.
#ifndef HV_TESTS_SUPPORT_LOG_BYTES_H
#define HV_TESTS_SUPPORT_LOG_BYTES_H

#include <regex>
#include <string>
#include <vector>

using Entries = std::vector<std::string>;

// The bytes the run log stores for `entries`: each entry and a line end, every
// line feed as CR LF.
inline std::string logBytes(const Entries& entries) {
  std::string bytes;
  for (const std::string& entry : entries) {
    for (char c : entry + "\n") {
      if (c == '\n') bytes += '\r';
      bytes += c;
    }
  }
  return bytes;
}

// Replaces the time stamp of every "Start : " entry by "<time>" once it has the
// form DD.MM.YYYY hh:mm:ss.
inline std::string maskTimeStamps(const std::string& log) {
  static const std::regex stamp("Start : \\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d\r\n");
  return std::regex_replace(log, stamp, "Start : <time>\r\n");
}

inline Entries operator+(Entries a, const Entries& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The entries every run that reaches them writes first and last (the start
// line's time stamp masked).
inline const Entries kStart = {"\n\n========================================>", "Start : <time>"};
inline const Entries kEnd = {"\nENDE", "<========================================"};

#endif  // HV_TESTS_SUPPORT_LOG_BYTES_H
