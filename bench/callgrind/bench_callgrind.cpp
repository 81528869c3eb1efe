// Instruction-count benchmark. Callgrind counts instructions, not time, so its
// figures are the same on an idle and on a busy machine.
//
// For each format and each of two file sizes it imports a generated file with
// the built Stempelzug (natively, with the emulator's statement trace on),
// checks that a bare replay of that trace sends the same statement stream, and
// then runs under callgrind, each on a fresh database: the tool on the file,
// and the replay (bench_import --replay) on the trace. From each run it takes
// the whole process's instructions and its own part: everything except what
// its calls into the ODBC driver manager cost (the executable's code plus the
// runtime library calls it makes). Per record is the difference between the
// two file sizes divided by the difference in records, so start-up, connect
// and exit drop out; the whole-process ratio is taken at the larger size.
//
//   bench_callgrind [--freetds] [SMALL LARGE [FORMATS]]   default formats: 40p,50p,62p,dta
// (--freetds: both reach the database through FreeTDS and the stand-in's TDS
// server; the server's work is in another process and not counted)
// Without sizes a fixed-length format runs with 1000 and 3000 records and dta
// with 300 and 1000 lines (a dta line sends 34 statements, a fixed-length
// record one to four).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "callgrind_profile.h"

using namespace bench;

namespace {

// Targets: the tool's own work per record at most this far above the
// replay's, and the whole process at most this many times the replay's.
constexpr double kMaxOwnBeyondReplay = 2000;
constexpr double kMaxRatio = 1.05;

struct Pair {
  CallgrindProfile tool;
  CallgrindProfile replay;
};

class CallgrindBench {
 public:
  explicit CallgrindBench(Scratch& scratch) : scratch_(scratch) {}

  // One file size of one format: both programs under callgrind.
  Pair measure(const std::string& format, long records) {
    const std::string& root = scratch_.root();
    const std::string file = root + "/cg." + format;
    const std::string trace = root + "/cg-trace.txt";
    writeFile(file, format, records);

    // The statement stream of this file, and a check that the replay sends it
    // unchanged.
    std::remove(trace.c_str());
    runTool({}, file, format, trace);
    const std::vector<std::string> stream = readLines(trace);
    const std::string replayed = root + "/cg-replayed.txt";
    std::remove(replayed.c_str());
    runReplay({}, trace, replayed);
    if (readLines(replayed) != stream) fail("the replay of " + format + " sends a different statement stream");
    std::remove(replayed.c_str());

    Pair p;
    const std::string run = format + "." + std::to_string(records);
    const std::string toolOut = outputFolder() + "/callgrind.out." + run + ".tool";
    runTool(callgrind(toolOut), file, format);
    p.tool = profile(toolOut, kBuild + "/Stempelzug");
    const std::string replayOut = outputFolder() + "/callgrind.out." + run + ".replay";
    runReplay(callgrind(replayOut), trace);
    p.replay = profile(replayOut, kBuild + "/bench_import");
    statements_ = static_cast<long>(stream.size());
    std::remove(file.c_str());
    std::remove(trace.c_str());
    return p;
  }

  long statements() const { return statements_; }

 private:
  static std::vector<std::string> callgrind(const std::string& out) {
    return {HV_VALGRIND, "--tool=callgrind", "--callgrind-out-file=" + out, "--compress-strings=no",
            "--compress-pos=no", "--quiet"};
  }

  // HV_CALLGRIND_KEEP=FOLDER keeps the callgrind files there, for
  // callgrind_annotate; otherwise they go with the scratch folder.
  std::string outputFolder() const {
    const char* keep = std::getenv("HV_CALLGRIND_KEEP");
    return keep != nullptr && *keep != '\0' ? std::string(keep) : scratch_.root();
  }

  static CallgrindProfile profile(const std::string& path, const std::string& executable) {
    CallgrindProfile p;
    std::string error;
    if (!readCallgrindProfile(path, executable, p, error)) fail(error);
    if (p.odbcCalls == 0) fail(path + ": no calls of " + executable + " into the driver manager found");
    return p;
  }

  // The emulator's statement trace goes to `traceTo` when it is given; it is
  // switched on only after the fresh database has been loaded.
  void runTool(std::vector<std::string> prefix, const std::string& file, const std::string& format,
               const std::string& traceTo = "") {
    const Database db = scratch_.freshDatabase(traceTo);
    scratch_.configureFor(db);
    prefix.insert(prefix.end(), {kBuild + "/Stempelzug", file, format, kTerminal});
    const ChildRun r = runChild(prefix, scratch_.workDir(), scratch_.root() + "/tool-out.txt");
    if (r.status != 0) fail("Stempelzug ended with " + std::to_string(r.status) + " on " + file);
  }

  void runReplay(std::vector<std::string> prefix, const std::string& trace, const std::string& traceTo = "") {
    const Database db = scratch_.freshDatabase(traceTo);
    prefix.insert(prefix.end(), {kBuild + "/bench_import", "--replay", trace, db.dsn()});
    const ChildRun r = runChild(prefix, scratch_.root(), scratch_.root() + "/replay-out.txt");
    if (r.status != 0) fail("the replay ended with " + std::to_string(r.status));
  }

  Scratch& scratch_;
  long statements_ = 0;
};

double perRecord(uint64_t small, uint64_t large, long records) {
  return (static_cast<double>(large) - static_cast<double>(small)) / static_cast<double>(records);
}

}  // namespace

int main(int argc, char** argv) {
  const Path path = pathFromArguments(argc, argv);
  const bool sized = argc > 2;
  const long givenSmall = sized ? std::atol(argv[1]) : 0;
  const long givenLarge = sized ? std::atol(argv[2]) : 0;
  if (sized && (givenSmall < 1 || givenLarge <= givenSmall)) {
    fail("usage: bench_callgrind [SMALL LARGE [FORMATS]] with 0 < SMALL < LARGE");
  }
  const std::vector<std::string> formats = splitFormats(argc > 3 ? argv[3] : "40p,50p,62p,dta");

  Scratch scratch(path);
  CallgrindBench bench(scratch);
  if (path == Path::FreeTds) std::printf("== through FreeTDS and the TDS server on 127.0.0.1\n");
  std::printf("== instructions (callgrind) per record between two file sizes; own = all but the calls into "
              "the driver manager\n");
  std::printf("%-4s %11s %10s %10s %10s %10s %8s %8s\n", "", "records", "tool exe", "tool own", "replay own",
              "beyond", "marginal", "ratio");
  bool allMet = true;
  for (const std::string& format : formats) {
    const long small = sized ? givenSmall : format == "dta" ? 300 : 1000;
    const long large = sized ? givenLarge : format == "dta" ? 1000 : 3000;
    const Pair a = bench.measure(format, small);
    const Pair b = bench.measure(format, large);
    const long records = large - small;
    const double exe = perRecord(a.tool.code(), b.tool.code(), records);
    const double toolOwn = perRecord(a.tool.own(), b.tool.own(), records);
    const double replayOwn = perRecord(a.replay.own(), b.replay.own(), records);
    const double beyond = toolOwn - replayOwn;
    const double ratio = static_cast<double>(b.tool.total) / static_cast<double>(b.replay.total);
    const double marginal = perRecord(a.tool.total, b.tool.total, records) /
                            perRecord(a.replay.total, b.replay.total, records);
    const bool met = beyond <= kMaxOwnBeyondReplay && ratio <= kMaxRatio;
    allMet = allMet && met;
    std::printf("%-4s %5ld-%-5ld %10.0f %10.0f %10.0f %10.0f %8.3f %8.3f  %s (%ld statements)\n", format.c_str(),
                small, large, exe, toolOwn, replayOwn, beyond, marginal, ratio,
                met ? "within target" : "OVER TARGET", bench.statements());
    std::fflush(stdout);
  }
  std::printf("tool exe: the executable's own code; tool own: exe + the runtime calls it makes; replay own: the "
              "same for the replay;\nbeyond: tool own - replay own (target <= %.0f); marginal: whole process per "
              "record, tool / replay;\nratio: whole process, tool / replay, at the larger size (target <= %.2f)\n",
              kMaxOwnBeyondReplay, kMaxRatio);
  return allMet ? 0 : 2;
}
