// RecordingLog: a run log that keeps its entries in memory, for unit tests.
#ifndef HV_TESTS_SUPPORT_RECORDING_LOG_H
#define HV_TESTS_SUPPORT_RECORDING_LOG_H

#include <string>
#include <string_view>
#include <vector>

#include "common/log_writer.h"

class RecordingLog : public LogWriter {
 public:
  void writeLog(std::string_view entry) override { entries.emplace_back(entry); }
  std::vector<std::string> entries;
};

#endif  // HV_TESTS_SUPPORT_RECORDING_LOG_H
