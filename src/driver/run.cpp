#include "driver/run.h"

#include <memory>

#include "common/run_context.h"
#include "common/source_file.h"
#include "driver/banner.h"
#include "driver/content_check.h"
#include "driver/exit_status.h"
#include "driver/paths.h"
#include "driver/run_log.h"
#include "readers/readers.h"

namespace {

// Run-log entries and console texts of the driver.
constexpr const char* kLogStartLine = "\n\n========================================>";
constexpr const char* kLogStartTime = "Start : %s";
constexpr const char* kLogEndLine = "\nENDE";
constexpr const char* kLogEndArrow = "<========================================";
constexpr const char* kLogConnectFailed = "dbConnect-Fehler: %d";
constexpr const char* kLogSourcePath = "\nEinlesen Datei %s";
constexpr const char* kSourceMissing = "Quelldatei auf Server nicht gefunden\n";
constexpr const char* kLogEmptyFile = "Die Quelldatei ist leer!";
constexpr const char* kLogOnlyWhitespace = "Die Quelldatei enthaelt nur Datenmuell!";
constexpr const char* kLogWillBeDeleted = "Die Quelldatei wird anschliessend geloescht!";
constexpr const char* kLogBadTerminal = "Parameterfehler(Terminalname)\n";
constexpr const char* kConsoleBadTerminal = "Parameterfehler(Terminalname)";
constexpr const char* kConsoleBadArguments = "Parameterfehler";
constexpr const char* kLogUnknownType = "\nunbekannter Dateityp : %s";
constexpr const char* kConsoleUnknownType = "\nunbekannter Dateityp!!";
constexpr const char* kDebugFolderLine = "%s\n";
constexpr const char* kDebugSummaryLine = "Buchungen: %d gelesen, %d eingefuegt, %d doppelt, %d Fehler, %d Kantine\n";

constexpr std::size_t kMinArguments = 3;
constexpr std::size_t kTypeCodeLength = 3;
constexpr std::size_t kTerminalBuffer = 50;  // at most 49 characters

using Reader = int32_t (*)(SourceFile&, RunContext&, BookingStore&);

struct ReaderEntry {
  const char* typeCode;
  Reader reader;
};

// Compared in this order, each against the whole type code.
constexpr ReaderEntry kReaders[] = {
    {"DTA", readDta},
    {"40P", read40p},
    {"50P", read50p},
    {"62P", read62p},
};

Reader findReader(const FixedText<4>& typeCode) {
  for (const ReaderEntry& entry : kReaders) {
    if (typeCode == entry.typeCode) return entry.reader;
  }
  return nullptr;
}

// A control byte (a line feed among them) would let a terminal name forge
// lines of the run log; such a name is refused like an over-long one.
bool hasControlByte(const std::string& name) {
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) return true;
  }
  return false;
}

bool badTerminalName(const std::string& name) {
  return name.size() >= kTerminalBuffer || name == "/D" || name == "/d" || hasControlByte(name);
}

// The reader on a booking store of the open connection, which ends with it.
int32_t runReader(Reader reader, SourceFile& file, RunContext& ctx, DatabaseConnector& database) {
  const std::unique_ptr<BookingStore> store = database.openBookingStore(ctx.log, ctx.console);
  return reader(file, ctx, *store);
}

// A type code without a reader: reported, and the content check's code is the
// run's result.
int32_t reportUnknownType(RunContext& ctx, int32_t content) {
  ctx.log.writeLogf(kLogUnknownType, ctx.typeCode.c_str());
  ctx.console.write(kConsoleUnknownType);
  return content;
}

}  // namespace

RunPaths defaultRunPaths() { return RunPaths{kIniPath, kRunLogPath, kRunLogBackupPath}; }

std::string sourceFolderName(std::string_view sourcePath) {
  const std::size_t last = sourcePath.find_last_of("/\\");
  if (last == std::string_view::npos) return "unknown";
  const std::size_t before = last == 0 ? std::string_view::npos : sourcePath.find_last_of("/\\", last - 1);
  const std::size_t start = before == std::string_view::npos ? 0 : before + 1;
  return std::string(sourcePath.substr(start, last - start));
}

int32_t runImport(const std::vector<std::string>& args, RunEnvironment& env) {
  Console& console = env.console;
  if (args.size() < kMinArguments) {
    console.write(kConsoleBadArguments);
    printBanner(console);
    printUsage(console);
    return kResultArgumentError;
  }

  RunLog log(env.paths.logPath, env.paths.backupPath);
  RunContext ctx(log, console);

  std::string type = args[1];
  ctx.typeCode = std::string_view(upperInPlace(type)).substr(0, kTypeCodeLength);

  log.enable();
  log.writeLog(kLogStartLine);
  log.writeLogf(kLogStartTime, timeStamp().c_str());

  if (args.size() > kMinArguments) {
    std::string debugSwitch = args[3];
    ctx.debug = upperInPlace(debugSwitch) == "/D";
  }

  const int32_t connected = env.database.dbConnect(env.paths.iniPath, console, ctx.debug);
  if (connected != 0) {
    log.writeLogf(kLogConnectFailed, connected);
    return connected;
  }

  const std::string& sourcePath = args[0];
  log.writeLogf(kLogSourcePath, sourcePath.c_str());

  const SourceFile::Mode mode = ctx.typeCode == "DTA" ? SourceFile::Mode::kText : SourceFile::Mode::kBinary;
  std::unique_ptr<SourceFile> file = SourceFile::open(sourcePath, mode);
  // A file that cannot be opened and one that cannot be brought back to its
  // first byte after the content check end the run alike: nothing is read.
  const int32_t content = file ? checkinhalt(*file) : kContentUnreadable;
  if (content == kContentUnreadable) {
    log.writeLog(kSourceMissing);
    if (ctx.debug) console.write(kSourceMissing);
    return kResultMissingSource;
  }

  if (content == kContentEmpty) {
    log.writeLog(kLogEmptyFile);
  } else if (content == kContentWhitespace) {
    log.writeLog(kLogOnlyWhitespace);
    log.writeLog(kLogWillBeDeleted);
    return kResultClean;  // the file stays where it is
  }

  ctx.terminal.clear();
  const std::string& terminal = args[2];
  if (badTerminalName(terminal)) {
    log.writeLog(kLogBadTerminal);
    console.write(kConsoleBadTerminal);
    return kResultArgumentError;
  }
  ctx.terminal = terminal;

  // The run's result: the reader's; for an unknown type the content check's
  // (1 for an empty file, else 0).
  const Reader reader = findReader(ctx.typeCode);
  const int32_t result =
      reader != nullptr ? runReader(reader, *file, ctx, env.database) : reportUnknownType(ctx, content);

  file.reset();
  if (ctx.debug) {
    console.printf(kDebugFolderLine, sourceFolderName(sourcePath).c_str());
    const BookingCounts& n = ctx.counts;
    console.printf(kDebugSummaryLine, n.read, n.inserted, n.duplicates, n.failed, n.canteen);
  }

  log.writeLog(kLogEndLine);
  log.writeLog(kLogEndArrow);
  return result;
}
