#include "driver/run_log.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace {

struct LogFiles {
  ScopedTempDir dir;
  std::string log = dir.file("StempZugLog.txt");
  std::string bak = dir.file("StempZugLog.bak");
  RunLog make(bool enabled = true) const {
    RunLog runLog(log, bak);
    if (enabled) runLog.enable();
    return runLog;
  }
};

// The bytes one entry occupies in the file.
std::string stored(const std::string& entry) {
  std::string out;
  for (char c : entry) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out + "\r\n";
}

TEST(RunLog, DisabledWritesNothingAndCreatesNoFile) {
  LogFiles f;
  RunLog runLog = f.make(false);
  EXPECT_FALSE(runLog.enabled());
  runLog.writeLog("Start : 01.03.2027 09:05:03");
  runLog.writeLogf("Insert-Fehler: %d", 8152);
  EXPECT_FALSE(fileExists(f.log));
  EXPECT_FALSE(fileExists(f.bak));
}

TEST(RunLog, FirstEntryCreatesTheFile) {
  LogFiles f;
  RunLog runLog = f.make();
  ASSERT_FALSE(fileExists(f.log));
  runLog.writeLog("ENDE");
  EXPECT_EQ(readFileBytes(f.log), "ENDE\r\n");
  runLog.writeLog("zweite Zeile");
  EXPECT_EQ(readFileBytes(f.log), "ENDE\r\nzweite Zeile\r\n");
}

TEST(RunLog, LineFeedsAreStoredAsCrLf) {
  struct Case {
    std::string entry;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"\n\n========================================>",
       "\r\n\r\n========================================>\r\n"},
      {"\nENDE", "\r\nENDE\r\n"},
      {"Quelldatei auf Server nicht gefunden\n", "Quelldatei auf Server nicht gefunden\r\n\r\n"},
      {"", "\r\n"},
      {"a\nb\n\nc", "a\r\nb\r\n\r\nc\r\n"},
      {"kein\rLF", "kein\rLF\r\n"},
      {"100% %s %d %n", "100% %s %d %n\r\n"},
      {"unzul\xE4ssige Eingabe", "unzul\xE4ssige Eingabe\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("entry: " + c.entry);
    LogFiles f;
    RunLog runLog = f.make();
    runLog.writeLog(c.entry);
    EXPECT_EQ(readFileBytes(f.log), c.bytes);
  }
}

TEST(RunLog, FormattedEntryIsWrittenWhole) {
  LogFiles f;
  RunLog runLog = f.make();
  const std::string longPath(600, 'p');
  runLog.writeLogf("\nEinlesen Datei %s", longPath.c_str());
  EXPECT_EQ(readFileBytes(f.log), stored("\nEinlesen Datei " + longPath));
}

TEST(RunLog, MissingFolderIsSilentAndNotCreated) {
  ScopedTempDir dir;
  const std::string folder = dir.file("log");
  RunLog runLog(folder + "/StempZugLog.txt", folder + "/StempZugLog.bak");
  runLog.enable();
  runLog.writeLog("Start");
  runLog.writeLog("ENDE");
  EXPECT_FALSE(fileExists(folder));
}

TEST(RunLog, WriteLogToUsesTheGivenPath) {
  LogFiles f;
  RunLog runLog = f.make();
  const std::string other = f.dir.file("other.txt");
  runLog.writeLogTo(other, "anderswo");
  EXPECT_EQ(readFileBytes(other), "anderswo\r\n");
  EXPECT_FALSE(fileExists(f.log));
}

// Size and last bytes of a file, so the 10 MiB files are never read whole.
std::uintmax_t sizeOf(const std::string& path) { return std::filesystem::file_size(path); }

std::string tailOf(const std::string& path, std::size_t n) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(-static_cast<std::streamoff>(n), std::ios::end);
  std::string out(n, '\0');
  in.read(&out[0], static_cast<std::streamsize>(n));
  return in ? out : std::string();
}

// A log file of `size` bytes, all zero but readable.
void makeLogOfSize(const std::string& path, std::uintmax_t size) {
  writeFileBytes(path, "");
  std::filesystem::resize_file(path, size);
}

TEST(RunLog, RotatesOnlyPastTheLimit) {
  LogFiles f;
  writeFileBytes(f.bak, "old backup\r\n");
  const std::string first = "genau an der Grenze";
  const std::uintmax_t limit = RunLog::kRotateAbove;
  makeLogOfSize(f.log, limit - stored(first).size());

  RunLog runLog = f.make();
  runLog.writeLog(first);  // exactly at the limit: no rotation
  EXPECT_EQ(sizeOf(f.log), limit);
  EXPECT_EQ(tailOf(f.log, stored(first).size()), stored(first));
  EXPECT_EQ(readFileBytes(f.bak), "old backup\r\n");

  const std::string second = "\nueber der Grenze";
  runLog.writeLog(second);  // past the limit: last entry of the backup, which replaces the old one
  EXPECT_FALSE(fileExists(f.log));
  EXPECT_EQ(sizeOf(f.bak), limit + stored(second).size());
  EXPECT_EQ(tailOf(f.bak, stored(first).size() + stored(second).size()), stored(first) + stored(second));

  runLog.writeLog("neues Log");  // first entry of a new run log
  EXPECT_EQ(readFileBytes(f.log), "neues Log\r\n");
  EXPECT_EQ(sizeOf(f.bak), limit + stored(second).size());
}

TEST(RunLog, RotationActsOnTheRunLogWhateverPathWasGiven) {
  LogFiles f;
  const std::uintmax_t limit = RunLog::kRotateAbove;
  makeLogOfSize(f.log, limit + 1);
  RunLog runLog = f.make();
  const std::string other = f.dir.file("other.txt");
  runLog.writeLogTo(other, "klein");  // the small file triggers nothing
  EXPECT_EQ(sizeOf(f.log), limit + 1);
  makeLogOfSize(other, limit);
  runLog.writeLogTo(other, "gross");  // past the limit: the run log is rotated
  EXPECT_FALSE(fileExists(f.log));
  EXPECT_EQ(sizeOf(f.bak), limit + 1);
  EXPECT_EQ(sizeOf(other), limit + stored("gross").size());
}

TEST(RunLog, FailedRotationIsRetriedByTheNextEntry) {
  LogFiles f;
  const std::uintmax_t limit = RunLog::kRotateAbove;
  makeLogOfSize(f.log, limit);
  // A folder in place of the backup makes the rename fail.
  std::filesystem::create_directory(f.bak);
  writeFileBytes(f.bak + "/keep", "x");
  RunLog runLog = f.make();
  runLog.writeLog("eins");
  EXPECT_EQ(sizeOf(f.log), limit + stored("eins").size());  // still there, still growing
  std::filesystem::remove_all(f.bak);
  runLog.writeLog("zwei");
  EXPECT_FALSE(fileExists(f.log));
  EXPECT_EQ(tailOf(f.bak, stored("eins").size() + stored("zwei").size()), stored("eins") + stored("zwei"));
}

// Sets TZ for one test and restores it afterwards.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* tz) {
    const char* old = std::getenv("TZ");
    hadOld_ = old != nullptr;
    if (hadOld_) old_ = old;
    ::setenv("TZ", tz, 1);
    ::tzset();
  }
  ~ScopedTimeZone() {
    if (hadOld_) {
      ::setenv("TZ", old_.c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }

 private:
  bool hadOld_ = false;
  std::string old_;
};

std::time_t utcTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return ::timegm(&t);
}

TEST(TimeStamp, FormatsLocalTime) {
  struct Case {
    const char* tz;
    std::time_t when;
    const char* text;
  };
  const std::vector<Case> cases = {
      {"UTC", utcTime(2027, 3, 1, 9, 5, 3), "01.03.2027 09:05:03"},
      {"UTC", utcTime(1999, 12, 31, 23, 59, 59), "31.12.1999 23:59:59"},
      {"UTC", utcTime(2024, 2, 29, 0, 0, 0), "29.02.2024 00:00:00"},
      {"CET-1", utcTime(2027, 3, 1, 9, 5, 3), "01.03.2027 10:05:03"},
      {"CET-1", utcTime(2026, 12, 31, 23, 30, 0), "01.01.2027 00:30:00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tz) + " " + c.text);
    ScopedTimeZone zone(c.tz);
    EXPECT_EQ(timeStamp(c.when), c.text);
  }
}

TEST(TimeStamp, CurrentTimeHasTheFixedShape) {
  const std::string a = timeStamp();
  ASSERT_EQ(a.size(), 19u) << a;
  for (std::size_t i = 0; i < a.size(); ++i) {
    SCOPED_TRACE(a);
    if (i == 2 || i == 5) {
      EXPECT_EQ(a[i], '.');
    } else if (i == 10) {
      EXPECT_EQ(a[i], ' ');
    } else if (i == 13 || i == 16) {
      EXPECT_EQ(a[i], ':');
    } else {
      EXPECT_TRUE(a[i] >= '0' && a[i] <= '9') << i;
    }
  }
  const std::time_t now = std::time(nullptr);
  EXPECT_EQ(timeStamp(now), timeStamp(now));
}

// Several processes append many entries of different lengths to the same log at
// the same time; afterwards every line must be one whole entry.
TEST(RunLog, SimultaneousRunsNeverInterleave) {
  LogFiles f;
  constexpr int kProcesses = 4;
  constexpr int kEntries = 300;
  auto entryText = [](int p, int i) {
    return "Lauf " + std::to_string(p) + " Eintrag " + std::to_string(i) + " " +
           std::string(static_cast<std::size_t>(1 + (i * 37 + p * 101) % 3000), static_cast<char>('a' + p));
  };
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      RunLog runLog(f.log, f.bak);
      runLog.enable();
      for (int i = 0; i < kEntries; ++i) runLog.writeLog(entryText(p, i));
      ::_exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }

  const std::string bytes = readFileBytes(f.log);
  std::map<std::string, int> seen;
  std::size_t pos = 0;
  int lines = 0;
  while (pos < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", pos);
    ASSERT_NE(end, std::string::npos) << "unterminated tail at " << pos;
    ++seen[bytes.substr(pos, end - pos)];
    ++lines;
    pos = end + 2;
  }
  EXPECT_EQ(lines, kProcesses * kEntries);
  for (int p = 0; p < kProcesses; ++p) {
    for (int i = 0; i < kEntries; ++i) {
      EXPECT_EQ(seen[entryText(p, i)], 1) << "process " << p << " entry " << i;
    }
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kProcesses * kEntries));
}

}  // namespace
