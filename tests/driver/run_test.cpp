#include "driver/run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "driver/banner.h"
#include "support/fake_store.h"
#include "support/log_bytes.h"
#include "support/temp_dir.h"

namespace {

// Hands every call on to a store the test keeps.
class BorrowedStore : public BookingStore {
 public:
  explicit BorrowedStore(BookingStore& store) : store_(store) {}
  StoreResult insertBooking(const BookingRecord& r) override { return store_.insertBooking(r); }
  StoreResult bookCanteen(const BookingRecord& r) override { return store_.bookCanteen(r); }
  StoreResult lookupKidKst(int32_t n, FixedText<31>& out, std::string_view t) override {
    return store_.lookupKidKst(n, out, t);
  }
  StoreResult lookupTtaFcd(BookingRecord& r, int32_t key) override { return store_.lookupTtaFcd(r, key); }
  StoreResult lookupTtaAps(std::string_view t, int32_t& key) override { return store_.lookupTtaAps(t, key); }
  StoreResult lookupZlsKst(std::string_view t, int32_t n, FixedText<31>& out) override {
    return store_.lookupZlsKst(t, n, out);
  }
  std::string lastFailureDiagnostic() const override { return store_.lastFailureDiagnostic(); }
  const ConnectionLoss* connectionLoss() const override { return store_.connectionLoss(); }

 private:
  BookingStore& store_;
};

// Answers the connect with a set result and hands out the recording store.
class FakeConnector : public DatabaseConnector {
 public:
  int32_t connectResult = 0;
  int connects = 0;
  std::string iniPath;
  bool debug = false;
  FakeStore store;

  int32_t dbConnect(const std::string& path, Console&, bool debugFlag) override {
    ++connects;
    iniPath = path;
    debug = debugFlag;
    return connectResult;
  }
  std::unique_ptr<BookingStore> openBookingStore(LogWriter&, Console&) override {
    ++storesOpened;
    return std::make_unique<BorrowedStore>(store);
  }
  int storesOpened = 0;
};

class RunTest : public ::testing::Test {
 protected:
  // Runs with `args`; "<src>" in an argument stands for the source file's path.
  int32_t run(std::vector<std::string> args) {
    for (std::string& a : args) {
      if (a == "<src>") a = source();
    }
    console_.clear();
    Console console(&console_);
    RunEnvironment env{RunPaths{dir_.file("Horavelle.Ini"), dir_.file("log.txt"), dir_.file("log.bak")}, console,
                       db_};
    return runImport(args, env);
  }

  std::string source() const { return dir_.file("source.dat"); }
  void writeSource(const std::string& bytes) { writeFileBytes(source(), bytes); }

  // The run log with the start time stamp replaced by "<time>" once checked.
  std::string log() const { return maskTimeStamps(readFileBytes(dir_.file("log.txt"))); }
  std::string entryForSource() const { return "\nEinlesen Datei " + source(); }

  ScopedTempDir dir_;
  FakeConnector db_;
  std::string console_;
};

TEST_F(RunTest, TooFewArgumentsPrintUsageAndTouchNothing) {
  const std::vector<std::vector<std::string>> argSets = {{}, {"<src>"}, {"<src>", "40p"}};
  for (const auto& args : argSets) {
    SCOPED_TRACE("argument count " + std::to_string(args.size()));
    writeSource("x");
    EXPECT_EQ(run(args), 98);
    EXPECT_EQ(console_, "Parameterfehler" + bannerText() + usageText());
    EXPECT_FALSE(fileExists(dir_.file("log.txt")));
    EXPECT_EQ(db_.connects, 0);
  }
}

TEST_F(RunTest, ConnectFailureEndsBeforeTheSourceIsOpened) {
  db_.connectResult = -1;
  EXPECT_EQ(run({dir_.file("missing"), "40p", "BDE6251", "/D"}), -1);
  EXPECT_EQ(db_.connects, 1);
  EXPECT_EQ(db_.iniPath, dir_.file("Horavelle.Ini"));
  EXPECT_EQ(log(), logBytes(kStart + std::vector<std::string>{"dbConnect-Fehler: -1"}));
  EXPECT_EQ(console_, "") << "the connector prints its own message";
}

TEST_F(RunTest, MissingSourceFile) {
  const struct {
    const char* debugArg;
    const char* console;
  } cases[] = {{nullptr, ""}, {"/D", "Quelldatei auf Server nicht gefunden\n"}, {"/d", "Quelldatei auf Server nicht gefunden\n"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.debugArg ? c.debugArg : "(no debug argument)");
    std::remove(dir_.file("log.txt").c_str());
    std::vector<std::string> args = {"<src>", "dta", "BDE6251"};
    if (c.debugArg) args.push_back(c.debugArg);
    EXPECT_EQ(run(args), 90);
    EXPECT_EQ(console_, c.console);
    EXPECT_EQ(log(), logBytes(kStart + std::vector<std::string>{entryForSource(), "Quelldatei auf Server nicht gefunden\n"}));
  }
}

TEST_F(RunTest, LongSourcePathIsLoggedWhole) {
  // Longer than the 199 characters an entry buffer of fixed size would hold.
  const std::string path = dir_.path() + "/" + std::string(150, 'p') + "/" + std::string(150, 'q') + ".dta";
  EXPECT_EQ(run({path, "dta", "BDE6251"}), 90);
  EXPECT_EQ(log(), logBytes(kStart + std::vector<std::string>{"\nEinlesen Datei " + path, "Quelldatei auf Server nicht gefunden\n"}));
}

TEST_F(RunTest, DebugSwitch) {
  // Only "/D" in either case switches the debug output on (seen here in the
  // missing-file message); anything else is ignored without a message.
  const struct {
    std::vector<std::string> extra;
    bool debug;
  } cases[] = {
      {{}, false},        {{"/D"}, true},          {{"/d"}, true},           {{"/Debug"}, false},
      {{"-D"}, false},    {{"D"}, false},          {{"/D", "x"}, true},      {{"x", "/D"}, false},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"<src>", "62p", "T1"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    SCOPED_TRACE(::testing::PrintToString(args));
    EXPECT_EQ(run(args), 90);
    EXPECT_EQ(console_, c.debug ? "Quelldatei auf Server nicht gefunden\n" : "");
    EXPECT_EQ(db_.debug, c.debug) << "the flag is set before the connect";
  }
}

TEST_F(RunTest, OnlyWhitespaceEndsCleanWithoutReader) {
  const struct {
    const char* type;
    std::string bytes;
    int32_t result;
    bool readerRuns;  // then the 62p reader reports the 4-byte file as too short
  } cases[] = {
      {"dta", " \t\n\n", 0, false},     {"62p", " \t\n\n", 0, false},
      {"dta", "\r\n\r\n", 0, false},    {"62p", "\r\n\r\n", 0, true},
      {"dta", "\x1a" "A,B", 0, false},  {"Dta", "\x1a" "A,B", 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("type ") + c.type + ", bytes " + ::testing::PrintToString(c.bytes));
    std::remove(dir_.file("log.txt").c_str());
    writeSource(c.bytes);
    EXPECT_EQ(run({"<src>", c.type, "BDE6251"}), c.result);
    if (!c.readerRuns) {
      EXPECT_EQ(log(), logBytes(kStart + std::vector<std::string>{entryForSource(),
                                                                  "Die Quelldatei enthaelt nur Datenmuell!",
                                                                  "Die Quelldatei wird anschliessend geloescht!"}));
      EXPECT_EQ(console_, "");
    } else {
      EXPECT_NE(log().find("Quelldatei(62p): falsche Zeichenanzahl 4"), std::string::npos) << log();
    }
    EXPECT_EQ(readFileBytes(source()), c.bytes) << "the source file must stay as it was";
  }
}

TEST_F(RunTest, TerminalNameCheck) {
  const struct {
    std::string terminal;
    bool accepted;
  } cases[] = {
      {std::string(49, 'T'), true}, {std::string(50, 'T'), false}, {std::string(80, 'T'), false},
      {"/D", false},                {"/d", false},                  {"/Dx", true},
      {"/D ", true},                {"", true},                     {"BDE6251", true},
      // Control bytes would forge run-log lines; bytes from 0x20 up are names.
      {"X\n\nENDE", false},         {"A\tB", false},                {"T\r", false},
      {"\x1f", false},              {"\x7f\xe4 ~", true},
  };
  // One 62p record: an accepted terminal name reaches the insert.
  const std::string record = "311224" "235959" "042" "01" "02" "1234567890123" "4";
  for (const auto& c : cases) {
    SCOPED_TRACE("terminal \"" + c.terminal + "\"");
    std::remove(dir_.file("log.txt").c_str());
    db_.store.inserted.clear();
    ASSERT_EQ(record.size(), 33u);
    writeSource(record);
    const int32_t result = run({"<src>", "62p", c.terminal});
    if (c.accepted) {
      EXPECT_EQ(result, 0);
      ASSERT_EQ(db_.store.inserted.size(), 1u);
      EXPECT_EQ(db_.store.inserted[0].BewTID, c.terminal);
      EXPECT_EQ(console_, "");
      EXPECT_EQ(log(), logBytes(kStart + std::vector<std::string>{entryForSource()} + kEnd));
    } else {
      EXPECT_EQ(result, 98);
      EXPECT_TRUE(db_.store.inserted.empty());
      EXPECT_EQ(console_, "Parameterfehler(Terminalname)");
      EXPECT_EQ(log(), logBytes(kStart + std::vector<std::string>{entryForSource(), "Parameterfehler(Terminalname)\n"}));
    }
  }
}

TEST_F(RunTest, BadTerminalAfterEmptyFileLogsTheContentCheckFirst) {
  writeSource("");
  EXPECT_EQ(run({"<src>", "40p", "/d"}), 98);
  EXPECT_EQ(log(), logBytes(kStart + std::vector<std::string>{entryForSource(), "Die Quelldatei ist leer!",
                                                              "Parameterfehler(Terminalname)\n"}));
  EXPECT_TRUE(db_.store.calls.empty());
}

TEST_F(RunTest, UnknownType) {
  const struct {
    std::string type;
    std::string bytes;
    std::string shown;  // the type code in the entry
    int32_t result;
  } cases[] = {
      {"xyz", "data", "XYZ", 0}, {"xyz", "", "XYZ", 1}, {"40", "data", "40", 0},
      {"", "data", "", 0},       {"d", "\r\n", "D", 0},  // binary mode: CR counts as content
      {"\xe4xy", "data", "\xe4XY", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("type \"" + c.type + "\"");
    std::remove(dir_.file("log.txt").c_str());
    writeSource(c.bytes);
    EXPECT_EQ(run({"<src>", c.type, "BDE6251"}), c.result);
    std::vector<std::string> entries = kStart + std::vector<std::string>{entryForSource()};
    if (c.bytes.empty()) entries.push_back("Die Quelldatei ist leer!");
    entries.push_back("\nunbekannter Dateityp : " + c.shown);
    EXPECT_EQ(log(), logBytes(entries + kEnd));
    EXPECT_EQ(console_, "\nunbekannter Dateityp!!");
    EXPECT_TRUE(db_.store.calls.empty());
    EXPECT_EQ(db_.storesOpened, 0);
  }
}

TEST_F(RunTest, DispatchByTypeCode) {
  const std::string dtaLine = "BDE6251,1,4711,20240131,20240131080000,K01,100,SO=1\n";
  const std::string rec40p = "0000000004711" "310124" "080000" "1" "01" "1";
  const std::string rec50p = "310124" "080000" "0000000004711" "0000001";
  const std::string rec62p = "310124" "080000" "001" "01" "01" "0000000004711" "X";
  const struct {
    std::string type;
    std::string bytes;
    std::string source;   // BewSrc of the record handed over
    int zlsLookups;       // reader cost-centre table fills
  } cases[] = {
      {"dta", dtaLine, "dta", 32},        {"DTAX", dtaLine, "dta", 32},
      {"40p", rec40p, "40p", 32},
      {"40P_neu", rec40p, "40p", 32},
      {"50p", rec50p, "50p", 0},
      {"62p", rec62p, "62p", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("type " + c.type);
    std::remove(dir_.file("log.txt").c_str());
    db_.store.calls.clear();
    db_.store.inserted.clear();
    writeSource(c.bytes);
    EXPECT_EQ(run({"<src>", c.type, "BDE6251"}), 0);
    ASSERT_EQ(db_.store.inserted.size(), 1u) << ::testing::PrintToString(db_.store.calls);
    EXPECT_EQ(db_.store.inserted[0].BewSrc, c.source);
    EXPECT_EQ(db_.store.count("ZLS BDE6251 "), c.zlsLookups);
    EXPECT_EQ(log(), logBytes(kStart + std::vector<std::string>{entryForSource()} + kEnd));
  }
}

TEST_F(RunTest, EmptyFileOfKnownTypeStillRunsTheReader) {
  writeSource("");
  EXPECT_EQ(run({"<src>", "40p", "BDE6251"}), 0);
  EXPECT_EQ(db_.store.count("ZLS BDE6251 "), 32) << "the 40p reader fills its table first";
  EXPECT_EQ(log(), logBytes(kStart + std::vector<std::string>{entryForSource(), "Die Quelldatei ist leer!"} + kEnd));
}

TEST_F(RunTest, DebugLineShowsTheSourceFolder) {
  writeSource("");
  EXPECT_EQ(run({"<src>", "62p", "BDE6251", "/D"}), 0);
  const std::string folder = dir_.path().substr(dir_.path().find_last_of("/\\") + 1);
  EXPECT_EQ(console_, folder + "\n" + "Buchungen: 0 gelesen, 0 eingefuegt, 0 doppelt, 0 Fehler, 0 Kantine\n");
}

TEST(SourceFolderNameTest, TextBetweenTheLastTwoSeparators) {
  const struct {
    const char* path;
    const char* folder;
  } cases[] = {
      {"a/b/c.dta", "b"},       {"..\\x\\y\\c.dta", "y"}, {"x\\c.dta", "x"}, {"/c.dta", ""},
      {"c.dta", "unknown"},     {"a\\b/c.dta", "b"},      {"a/b/", "b"},     {"", "unknown"},
  };
  for (const auto& c : cases) EXPECT_EQ(sourceFolderName(c.path), c.folder) << "path " << c.path;
}

}  // namespace
