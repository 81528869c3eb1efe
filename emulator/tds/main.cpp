// hvemu-server: the stand-in as a TDS server on 127.0.0.1.
//
//   hvemu-server --database FILE --port PORT [--login USER PASSWORD] [switches]
//
// Prints "port NNNN" as its first line once it listens (the port it took for
// --port 0), serves until SIGTERM or SIGINT, and ends with status 0. Every
// switch can also come from the environment variable named beside it; the
// command line wins. See emulator/README.md.
#include <pthread.h>
#include <signal.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>

#include "server.h"

using namespace hvemu;
using namespace hvemu::tds;

namespace {

constexpr const char* kUsage =
    "usage: hvemu-server --database FILE --port PORT [--login USER PASSWORD]\n"
    "       [--trace FILE] [--fail-exec LIST] [--old-truncation]\n"
    "       [--close-at POS] [--reset-at POS] [--close-after POS] [--reset-after POS]\n"
    "       [--stall-at POS] [--delay MS]\n";

// A switch with a value: its option, its environment variable.
struct ValueSwitch {
  const char* option;
  const char* variable;
  std::string value;
  bool given = false;
};

bool readNumber(std::string_view text, long max, long& out) {
  const std::from_chars_result r = std::from_chars(text.data(), text.data() + text.size(), out);
  return r.ec == std::errc() && r.ptr == text.data() + text.size() && out >= 0 && out <= max;
}

[[noreturn]] void usage(const std::string& why) {
  std::fprintf(stderr, "hvemu-server: %s\n%s", why.c_str(), kUsage);
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  // SIGTERM and SIGINT go to one waiting thread only, also when they come
  // while the server starts; a client that leaves while an answer is being
  // sent must not end the server.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  ::signal(SIGPIPE, SIG_IGN);

  ServerSettings settings;
  std::string port;
  bool oldTruncation = false;
  ValueSwitch trace{"--trace", "HVEMU_TRACE", {}};
  ValueSwitch failExec{"--fail-exec", "HVEMU_FAIL_EXEC", {}};
  ValueSwitch delay{"--delay", "HVEMU_DELAY_MS", {}};
  struct {
    ValueSwitch value;
    NetAction action;
  } faults[] = {
      {{"--close-at", "HVEMU_CLOSE_AT", {}}, NetAction::CloseAt},
      {{"--reset-at", "HVEMU_RESET_AT", {}}, NetAction::ResetAt},
      {{"--close-after", "HVEMU_CLOSE_AFTER", {}}, NetAction::CloseAfter},
      {{"--reset-after", "HVEMU_RESET_AFTER", {}}, NetAction::ResetAfter},
      {{"--stall-at", "HVEMU_STALL_AT", {}}, NetAction::StallAt},
  };
  ValueSwitch* valued[] = {&trace, &failExec, &delay, &faults[0].value, &faults[1].value,
                           &faults[2].value, &faults[3].value, &faults[4].value};

  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&](int n) {
      if (i + n >= argc) usage(std::string(arg) + " needs " + (n == 1 ? "a value" : "two values"));
      return argv[++i];
    };
    if (arg == "--database") {
      settings.databasePath = value(1);
    } else if (arg == "--port") {
      port = value(1);
    } else if (arg == "--login") {
      settings.login.user = value(2);
      settings.login.password = argv[++i];
    } else if (arg == "--old-truncation") {
      oldTruncation = true;
    } else {
      bool known = false;
      for (ValueSwitch* s : valued) {
        if (arg == s->option) {
          s->value = value(1);
          s->given = known = true;
        }
      }
      if (!known) usage("unknown argument " + std::string(arg));
    }
  }
  if (settings.databasePath.empty() || port.empty()) usage("--database and --port are needed");
  long portNumber = 0;
  if (!readNumber(port, 65535, portNumber)) usage("bad port " + port);
  for (ValueSwitch* s : valued) {
    const char* env = std::getenv(s->variable);
    if (!s->given && env) s->value = env;
  }
  const char* envTruncation = std::getenv("HVEMU_OLD_TRUNCATION");
  settings.switches.oldTruncation = oldTruncation || (envTruncation && switchOn(envTruncation));
  settings.switches.trace = trace.value;
  settings.switches.failExec = failExec.value;
  if (!delay.value.empty() && !readNumber(delay.value, 3600000, settings.delayMs)) usage("bad delay " + delay.value);
  for (auto& f : faults) {
    if (!f.value.value.empty() && !settings.faults.add(f.action, f.value.value)) {
      usage(std::string("bad position for ") + f.value.option + ": " + f.value.value);
    }
  }

  // The database must open (a new file gets its catalogue now).
  {
    ErrorList errors;
    if (!Session::open(settings.databasePath, Login{}, LoginRequest{}, errors)) {
      std::fprintf(stderr, "hvemu-server: %s: %s\n", settings.databasePath.c_str(),
                   errors.empty() ? "cannot open" : errors.front().text.c_str());
      return 1;
    }
  }

  Server server(std::move(settings));
  std::string error;
  if (!server.listen(static_cast<std::uint16_t>(portNumber), error)) {
    std::fprintf(stderr, "hvemu-server: cannot listen on %s\n", error.c_str());
    return 1;
  }
  std::printf("port %u\n", static_cast<unsigned>(server.port()));
  std::fflush(stdout);

  std::thread waiter([&server, &stopSignals] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
  });
  server.run();
  waiter.join();
  return 0;
}
