#include "callgrind_profile.h"

#include <fstream>
#include <sstream>

namespace {

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

std::string fileName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isDriverManager(const std::string& object) { return startsWith(fileName(object), "libodbc.so"); }

// The Ir column of a cost line: the words after the position columns.
uint64_t costOf(const std::string& line, std::size_t positions) {
  std::istringstream words(line);
  std::string word;
  for (std::size_t i = 0; i < positions; ++i) words >> word;
  uint64_t ir = 0;
  return words >> ir ? ir : 0;
}

}  // namespace

bool readCallgrindProfile(const std::string& path, const std::string& executable, CallgrindProfile& profile,
                          std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  profile = CallgrindProfile();
  std::size_t positions = 1;
  std::string object;        // ob= of the current function
  std::string calleeObject;  // cob= of the next call, else the current object
  bool startsProgram = false;  // the next call is the one that runs main
  bool inCall = false;       // the next cost line is a call's inclusive cost
  bool haveTotals = false;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const char c = line[0];
    if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '*') {
      const uint64_t ir = costOf(line, positions);
      const bool fromExecutable = object == executable;
      if (inCall) {
        if (fromExecutable && isDriverManager(calleeObject)) {
          profile.odbcCalls += ir;
        } else if (fromExecutable && calleeObject != executable && !startsProgram) {
          profile.runtimeCalls += ir;
        }
        inCall = false;
        startsProgram = false;
        calleeObject = object;
      }
    } else if (startsWith(line, "positions:")) {
      std::istringstream words(line.substr(10));
      positions = 0;
      for (std::string w; words >> w;) ++positions;
    } else if (startsWith(line, "ob=")) {
      object = line.substr(3);
      calleeObject = object;
    } else if (startsWith(line, "fn=")) {
      calleeObject = object;
    } else if (startsWith(line, "cob=")) {
      calleeObject = line.substr(4);
    } else if (startsWith(line, "cfn=")) {
      // The executable's start code calls the C library's start, which calls
      // main: that call holds the whole program, not a runtime call of it.
      startsProgram = startsWith(line, "cfn=__libc_start_main");
    } else if (startsWith(line, "calls=")) {
      inCall = true;
    } else if (startsWith(line, "totals:") || startsWith(line, "summary:")) {
      std::istringstream words(line.substr(line.find(':') + 1));
      uint64_t total = 0;
      if (words >> total) {
        profile.total = total;
        haveTotals = true;
      }
    }
  }
  if (!haveTotals) {
    error = path + " holds no totals";
    return false;
  }
  return true;
}
