// End-to-end runs of the built Stempelzug through the endings of a run that
// come before or instead of a reader: arguments, connect, source file, content
// check, terminal name, source type.
#include <sys/stat.h>

#include <string>

#include "driver/banner.h"
#include "e2e/e2e_support.h"

namespace e2e {
namespace {

const std::string kNotFound = "Quelldatei auf Server nicht gefunden\n";

TEST(RunSequenceE2eTest, TooFewArgumentsPrintUsageAndLeaveTheLogAlone) {
  SuiteRoot suite;
  const std::vector<std::vector<std::string>> argSets = {{}, {"x.dta"}, {"x.dta", "dta"}};
  for (const auto& args : argSets) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const ProcessResult r = suite.runImport(args);
    EXPECT_EQ(r.status, 98);
    EXPECT_EQ(r.out, "Parameterfehler" + bannerText() + usageText());
    EXPECT_FALSE(fileExists(suite.logPath()));
  }
}

TEST(RunSequenceE2eTest, UnreachableDatabase) {
  SuiteRoot suite;
  ASSERT_EQ(suite.writeIni("hvimport", "pw", "HvKantine", "NoSuchSource"), "");
  const ProcessResult r = suite.runImport({suite.path("missing.40p"), "40p", "BDE6251", "/D"});
  EXPECT_EQ(r.status, 255) << "-1 on POSIX";
  // Under /D the driver manager's answer follows.
  EXPECT_EQ(r.out,
            "Datenbankverbindung fehlgeschlagen, Fehler: -1\n"
            "   ODBC IM002 (0): [unixODBC][Driver Manager]Data source name not found and no default driver specified\n");
  EXPECT_EQ(maskTimeStamps(suite.runLog()), logBytes(kStart + Entries{"dbConnect-Fehler: -1"}));
}

TEST(RunSequenceE2eTest, NoConfigurationFile) {
  SuiteRoot suite;
  const ProcessResult r = suite.runImport({suite.path("x.62p"), "62p", "BDE6251"});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "Datenbankverbindung fehlgeschlagen, Fehler: -1\n");
  EXPECT_EQ(maskTimeStamps(suite.runLog()), logBytes(kStart + Entries{"dbConnect-Fehler: -1"}));
}

TEST(RunSequenceE2eTest, NoLogFolderChangesNothingElse) {
  SuiteRoot suite;
  std::filesystem::remove_all(suite.path("Horavelle_php"));
  const ProcessResult r = suite.runImport({suite.path("x.62p"), "62p", "BDE6251"});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "Datenbankverbindung fehlgeschlagen, Fehler: -1\n");
  EXPECT_FALSE(fileExists(suite.path("Horavelle_php")));
}

using RunSequenceTest = ImportTest;

TEST_F(RunSequenceTest, MissingSourceFile) {
  const std::string path = suite_.path("missing.dta");
  ProcessResult r = run({path, "dta", kTerminal});
  EXPECT_EQ(r.status, 90);
  EXPECT_EQ(r.out, "");
  const std::string once = logBytes(kStart + Entries{"\nEinlesen Datei " + path, kNotFound});
  EXPECT_EQ(log(), once);

  r = run({path, "dta", kTerminal, "/d"});
  EXPECT_EQ(r.status, 90);
  EXPECT_EQ(r.out, kNotFound);
  EXPECT_EQ(log(), once + once) << "each run appends its entries";
  EXPECT_FALSE(fileExists(path));
}

// What is no ordinary file is no source: refused like a missing file, before
// anything is read from it (a FIFO without a writer would block the run).
TEST_F(RunSequenceTest, SourceThatIsNoOrdinaryFile) {
  const std::string fifo = suite_.path("quelle.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, std::string("/dev/null"), suite_.root()}) {
    for (const char* type : {"dta", "40p", "50p", "62p"}) {
      SCOPED_TRACE(path + " as " + type);
      clearLog();
      const ProcessResult r = run({path, type, kTerminal, "/D"});
      EXPECT_EQ(r.status, 90);
      EXPECT_EQ(r.out, kNotFound);
      EXPECT_EQ(log(), logBytes(kStart + Entries{"\nEinlesen Datei " + path, kNotFound}));
    }
  }
  EXPECT_TRUE(bookings().empty());
}

TEST_F(RunSequenceTest, RelativeSourcePath) {
  source("in.62p", "");
  const ProcessResult r = run({"../../in.62p", "62p", kTerminal});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(log(), logBytes(kStart + Entries{"\nEinlesen Datei ../../in.62p", "Die Quelldatei ist leer!"} + kEnd));
}

TEST_F(RunSequenceTest, OnlyWhitespace) {
  const struct {
    const char* type;
    std::string bytes;
  } cases[] = {{"dta", " \t\n \n"}, {"40p", "\t\t\n"}, {"dta", "\r\n\r\n"}, {"dta", "\x1a" "BDE6251,1,2,3,4,5,6,7\n"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + ::testing::PrintToString(c.bytes));
    clearLog();
    const std::string path = source("blank.src", c.bytes);
    const ProcessResult r = run({path, c.type, kTerminal, "/D"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(log(), logBytes(kStart + Entries{"\nEinlesen Datei " + path, "Die Quelldatei enthaelt nur Datenmuell!",
                                               "Die Quelldatei wird anschliessend geloescht!"}));
    EXPECT_TRUE(fileExists(path));
  }
  EXPECT_TRUE(bookings().empty());
}

TEST_F(RunSequenceTest, BadTerminalName) {
  const std::string path = source("t.62p", "");
  for (const std::string& terminal :
       {std::string("/D"), std::string("/d"), std::string(50, 'B'), std::string("X\n\nENDE")}) {
    SCOPED_TRACE("terminal " + terminal);
    clearLog();
    const ProcessResult r = run({path, "62p", terminal});
    EXPECT_EQ(r.status, 98);
    EXPECT_EQ(r.out, "Parameterfehler(Terminalname)");
    EXPECT_EQ(log(), logBytes(kStart + Entries{"\nEinlesen Datei " + path, "Die Quelldatei ist leer!",
                                               "Parameterfehler(Terminalname)\n"}));
  }
}

TEST_F(RunSequenceTest, UnknownType) {
  const std::string full = source("u.xyz", "some content");
  const std::string empty = source("e.xyz", "");
  ProcessResult r = run({full, "xyz", kTerminal});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "\nunbekannter Dateityp!!");
  EXPECT_EQ(log(), logBytes(kStart + Entries{"\nEinlesen Datei " + full, "\nunbekannter Dateityp : XYZ"} + kEnd));

  clearLog();
  r = run({empty, "40", kTerminal, "/D"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "\nunbekannter Dateityp!!" + std::string(suite_.root().substr(suite_.root().rfind('/') + 1)) + "\n" +
                       "Buchungen: 0 gelesen, 0 eingefuegt, 0 doppelt, 0 Fehler, 0 Kantine\n");
  EXPECT_EQ(log(), logBytes(kStart + Entries{"\nEinlesen Datei " + empty, "Die Quelldatei ist leer!",
                                             "\nunbekannter Dateityp : 40"} + kEnd));
  EXPECT_TRUE(bookings().empty());
}

}  // namespace
}  // namespace e2e
