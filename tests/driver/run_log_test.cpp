#include "driver/run_log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "driver/run_log_lock.h"
#include "support/log_bytes.h"
#include "support/scoped_env.h"
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
std::string stored(const std::string& entry) { return logBytes({entry}); }

// The run log with its rotation step at hand, for a race the test stages.
struct StagedRunLog : RunLog {
  using RunLog::rotateAfter;
  using RunLog::RunLog;
};

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

TEST(RunLog, RotationWaitsBrieflyForAnotherRunsLockThenSkips) {
  LogFiles f;
  const std::uintmax_t limit = RunLog::kRotateAbove;
  makeLogOfSize(f.log, limit);
  RunLog runLog = f.make();
  {
    const RotationLock other(runLog.lockPath());  // another run rotating
    ASSERT_EQ(other.state(), RotationLock::State::kHeld);
    runLog.writeLog("eins");
    EXPECT_EQ(sizeOf(f.log), limit + stored("eins").size()) << "skipped, the log keeps its entry";
    EXPECT_FALSE(fileExists(f.bak));
  }
  runLog.writeLog("zwei");  // the lock is free again: this entry rotates
  EXPECT_FALSE(fileExists(f.log));
  EXPECT_EQ(tailOf(f.bak, stored("eins").size() + stored("zwei").size()), stored("eins") + stored("zwei"));
}

TEST(RunLog, UnusableLockFileDoesNotStopTheRotation) {
  LogFiles f;
  RunLog runLog = f.make();
  // A folder where the lock file belongs: the lock cannot be had at all.
  std::filesystem::create_directory(runLog.lockPath());
  writeFileBytes(runLog.lockPath() + "/keep", "x");
  makeLogOfSize(f.log, RunLog::kRotateAbove);
  runLog.writeLog("eins");
  EXPECT_FALSE(fileExists(f.log));
  EXPECT_EQ(tailOf(f.bak, stored("eins").size()), stored("eins"));
}

// Another run rotates the file this run's entry went into before this run's
// rotation step: the generation it rotated stays the backup, the new log stays.
TEST(RunLog, RotationKeepsTheGenerationAnotherRunRotatedMeanwhile) {
  const std::uintmax_t limit = RunLog::kRotateAbove;
  for (const bool newLogAlsoFull : {false, true}) {
    SCOPED_TRACE(newLogAlsoFull ? "the new log past the limit too" : "a small new log");
    LogFiles f;
    makeLogOfSize(f.log, limit);
    StagedRunLog mine(f.log, f.bak);
    mine.enable();
    const LogFileState written = appendToLogFile(f.log, stored("von diesem Lauf"));
    ASSERT_GT(written.size, RunLog::kRotateAbove);

    RunLog other = f.make();
    other.writeLog("vom anderen Lauf");  // past the limit: rotates
    ASSERT_FALSE(fileExists(f.log));
    other.writeLog("neu");
    if (newLogAlsoFull) makeLogOfSize(f.log, limit + 1);  // its own writer will rotate it
    const std::uintmax_t logSize = sizeOf(f.log);

    EXPECT_FALSE(mine.rotateAfter(written));
    EXPECT_EQ(sizeOf(f.bak), limit + stored("von diesem Lauf").size() + stored("vom anderen Lauf").size());
    EXPECT_EQ(sizeOf(f.log), logSize);
  }
}

TEST(RunLog, LockFileLiesBesideTheLog) {
  const struct {
    const char* log;
    const char* lock;
  } cases[] = {
      {"../../Horavelle_php/log/StempZugLog.txt", "../../Horavelle_php/log/StempZugLog.lck"},
      {"..\\..\\Horavelle_php\\log\\StempZugLog.txt", "..\\..\\Horavelle_php\\log\\StempZugLog.lck"},
      {"StempZugLog", "StempZugLog.lck"},
      {"log.d/StempZugLog", "log.d/StempZugLog.lck"},
      {"log.d\\StempZugLog", "log.d\\StempZugLog.lck"},
      {"a.b.txt", "a.b.lck"},
  };
  for (const auto& c : cases) EXPECT_EQ(rotationLockPath(c.log), c.lock) << c.log;
  EXPECT_EQ(RunLog("x/StempZugLog.txt", "x/StempZugLog.bak").lockPath(), "x/StempZugLog.lck");
}

// Sets TZ for one test and restores it afterwards.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* tz) : tz_(std::make_unique<ScopedEnv>("TZ", tz)) { ::tzset(); }
  ~ScopedTimeZone() {
    tz_.reset();
    ::tzset();
  }

 private:
  std::unique_ptr<ScopedEnv> tz_;
};

// Seconds since 1970-01-01 00:00:00 UTC of a date and time in UTC, counted
// through the days since 1 March of year 0 of the Gregorian calendar.
std::time_t utcTime(int year, int month, int day, int hour, int minute, int second) {
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yearOfEra = y - era * 400;
  const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  const long long days = static_cast<long long>(era) * 146097 + dayOfEra - 719468;
  return static_cast<std::time_t>(days * 86400 + hour * 3600 + minute * 60 + second);
}

TEST(TimeStamp, UtcTimeOfTheTestIsTheCalendarsCount) {
  EXPECT_EQ(utcTime(1970, 1, 1, 0, 0, 0), 0);
  EXPECT_EQ(utcTime(2000, 3, 1, 0, 0, 0), 951868800);
  EXPECT_EQ(utcTime(2027, 3, 1, 9, 5, 3), 1803891903);
}

TEST(TimeStamp, FormatsLocalTime) {
  struct Case {
    const char* tz;
    std::time_t when;
    const char* text;
  };
  const std::vector<Case> cases = {
      {"UTC0", utcTime(2027, 3, 1, 9, 5, 3), "01.03.2027 09:05:03"},
      {"UTC0", utcTime(1999, 12, 31, 23, 59, 59), "31.12.1999 23:59:59"},
      {"UTC0", utcTime(2024, 2, 29, 0, 0, 0), "29.02.2024 00:00:00"},
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

}  // namespace
