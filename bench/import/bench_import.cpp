// Import benchmark. For each format it imports a file into a fresh
// emulator database with the built Stempelzug, takes the emulator's statement
// trace of that run, and replays the same statements bare through the driver
// manager (allocate, execute, bind and fetch once for a lookup, free) on a
// second fresh database. It reports both wall times and their ratio, and the
// tool's peak memory (maximum resident set of the child) for a small and a
// large file.
//
//   bench_import [--freetds] [RECORDS [SMALL LARGE [FORMATS]]]   defaults: 100000 1000 1000000 40p,50p,62p
//   (FORMATS: a comma-separated choice of 40p, 50p, 62p, dta; --freetds: the
//   tool and the replay reach the database through FreeTDS and the stand-in's
//   TDS server, the server's trace taking the driver's place)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"

namespace fs = std::filesystem;
using namespace bench;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double selfCpuSeconds() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

class Bench {
 public:
  explicit Bench(Scratch& scratch) : scratch_(scratch), root_(scratch.root()) {}

  Database freshDatabase(const std::string& trace = std::string()) { return scratch_.freshDatabase(trace); }

  // Runs the tool on `file` against `db` (configuration rewritten for it).
  // With `measured`, the tool is started by a fresh copy of this program
  // ("--measure"): a child's peak resident set counts what it inherited up to
  // its exec, so it must be forked from a small process, not from this one.
  ChildRun runTool(const Database& db, const std::string& file, const std::string& format, bool measured = false) {
    scratch_.configureFor(db);
    const std::vector<std::string> tool = {kBuild + "/Stempelzug", file, format, kTerminal};
    if (measured) {
      std::vector<std::string> args = {selfPath(), "--measure", root_ + "/tool-out.txt"};
      args.insert(args.end(), tool.begin(), tool.end());
      const std::string report = root_ + "/measure.txt";
      if (runChild(args, scratch_.workDir(), report).status != 0) fail("measuring the tool failed");
      ChildRun r;
      std::ifstream in(report);
      if (!(in >> r.status >> r.maxRssKiB >> r.seconds)) fail("no measurement from the helper");
      if (r.status != 0) fail("Stempelzug ended with " + std::to_string(r.status) + " on " + file);
      return r;
    }
    const ChildRun r = runChild(tool, scratch_.workDir(), root_ + "/tool-out.txt");
    if (r.status != 0) fail("Stempelzug ended with " + std::to_string(r.status) + " on " + file);
    return r;
  }

  // Times the tool and the bare replay of its statements for one format. Each
  // side runs twice on fresh databases, in the order tool, replay, replay,
  // tool, so that whatever the machine does meanwhile weighs on both alike.
  void speed(const std::string& format, long records) {
    const std::string file = root_ + "/speed." + format;
    writeFile(file, format, records);
    const std::string toolTrace = root_ + "/trace-tool-" + format + ".txt";
    const std::string replayTrace = root_ + "/trace-replay-" + format + ".txt";

    std::vector<std::string> statements;
    double toolSeconds = 0;
    double replaySeconds = 0;
    double toolCpu = 0;
    double replayCpu = 0;
    long failed = 0;
    bool sameStream = true;
    for (int round = 0; round < 4; ++round) {
      const bool toolTurn = round == 0 || round == 3;
      std::remove(toolTrace.c_str());
      std::remove(replayTrace.c_str());
      const Database db = freshDatabase(toolTurn ? toolTrace : replayTrace);
      if (toolTurn) {
        const ChildRun r = runTool(db, file, format);
        toolSeconds += r.seconds;
        toolCpu += r.cpu;
        const std::vector<std::string> taken = readLines(toolTrace);
        if (!statements.empty() && taken != statements) sameStream = false;
        statements = taken;
      } else {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = selfCpuSeconds();
        {
          Connection c(db.dsn());
          for (const std::string& s : statements) {
            std::string text = s;
            failed += c.run(text) ? 0 : 1;
          }
        }
        replaySeconds += secondsSince(start);
        replayCpu += selfCpuSeconds() - cpuStart;
        if (readLines(replayTrace) != statements) sameStream = false;
      }
    }
    std::printf("%-4s %9ld records %9zu statements  tool %8.3f s  replay %8.3f s  ratio %5.3f"
                "  %8.0f bookings/s  (cpu: tool %.3f s, replay %.3f s)  %s%s\n",
                format.c_str(), records, statements.size(), toolSeconds / 2, replaySeconds / 2,
                toolSeconds / replaySeconds, static_cast<double>(records) / (toolSeconds / 2), toolCpu / 2,
                replayCpu / 2, sameStream ? "same statement stream" : "STATEMENT STREAMS DIFFER",
                failed ? (", " + std::to_string(failed / 2) + " failed statements").c_str() : "");
    std::fflush(stdout);
    std::remove(toolTrace.c_str());
    std::remove(replayTrace.c_str());
    fs::remove(file);
  }

  // Peak memory of the tool for a small and a large file of one format, and,
  // as the baseline, the peak memory of a bare replay of the same statements
  // in a process of its own: what the driver manager and the database driver
  // need in any program that sends this stream.
  void memory(const std::string& format, long small, long large) {
    long rss[2] = {0, 0};
    long base[2] = {0, 0};
    const long sizes[2] = {small, large};
    const std::string file = root_ + "/memory." + format;
    const std::string trace = root_ + "/trace-memory.txt";
    for (int k = 0; k < 2; ++k) {
      writeFile(file, format, sizes[k]);
      std::remove(trace.c_str());
      ChildRun r;
      {
        // Its trace ends before the replay's database is loaded.
        const Database db = freshDatabase(trace);
        r = runTool(db, file, format, true);
      }
      rss[k] = r.maxRssKiB;
      fs::remove(file);

      Database replayDb = freshDatabase();
      const std::string report = root_ + "/measure.txt";
      if (runChild({selfPath(), "--measure", root_ + "/replay-out.txt", selfPath(), "--replay", trace, replayDb.dsn()},
                   root_, report)
              .status != 0) {
        fail("measuring the replay failed");
      }
      ChildRun b;
      std::ifstream in(report);
      if (!(in >> b.status >> b.maxRssKiB >> b.seconds) || b.status != 0) fail("the replay failed");
      base[k] = b.maxRssKiB;
      std::remove(trace.c_str());
      std::printf("%-4s %9ld records  peak memory: tool %7ld KiB, bare replay %7ld KiB, tool above replay %5ld KiB"
                  "  (tool %.1f s)\n",
                  format.c_str(), sizes[k], rss[k], base[k], rss[k] - base[k], r.seconds);
      std::fflush(stdout);
    }
    const long toolGrowth = rss[1] - rss[0];
    const long ownGrowth = toolGrowth - (base[1] - base[0]);
    std::printf("%-4s growth %ld -> %ld records: tool %ld KiB, replay %ld KiB; the tool's own part %ld KiB (%s 1 MiB)\n",
                format.c_str(), sizes[0], sizes[1], toolGrowth, base[1] - base[0], ownGrowth,
                ownGrowth <= 1024 ? "within" : "MORE THAN");
    std::fflush(stdout);
  }

 private:
  Scratch& scratch_;
  std::string root_;
};

// "--measure OUT PROGRAM ARGS...": runs PROGRAM in the current folder with its
// output into OUT and prints its exit status, peak resident set (KiB) and wall
// time. Runs before anything else is loaded, so this process stays small.
int measure(int argc, char** argv) {
  std::vector<std::string> args(argv + 3, argv + argc);
  const ChildRun r = runChild(args, fs::current_path().string(), argv[2]);
  std::printf("%d %ld %.3f\n", r.status, r.maxRssKiB, r.seconds);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 3 && std::string(argv[1]) == "--measure") return measure(argc, argv);
  if (argc == 4 && std::string(argv[1]) == "--replay") return replayTrace(argv[2], argv[3]);
  const Path path = pathFromArguments(argc, argv);
  const long records = argc > 1 ? std::atol(argv[1]) : 100000;
  const long small = argc > 3 ? std::atol(argv[2]) : 1000;
  const long large = argc > 3 ? std::atol(argv[3]) : 1000000;
  const std::vector<std::string> formats = splitFormats(argc > 4 ? argv[4] : "40p,50p,62p");

  Scratch scratch(path);
  Bench bench(scratch);
  if (path == Path::FreeTds) std::printf("== through FreeTDS and the TDS server on 127.0.0.1\n");
  std::printf("== wall time: tool vs bare replay of its statements (target ratio <= 1.05)\n");
  for (const std::string& f : formats) bench.speed(f, records);
  std::printf("== peak memory of the tool (target: within 1 MiB)\n");
  for (const std::string& f : formats) bench.memory(f, small, large);
  return 0;
}
