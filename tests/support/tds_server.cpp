#include "support/tds_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include <gtest/gtest.h>

namespace {

// The server starts in well under a second; this bounds a broken start.
constexpr std::chrono::milliseconds kStartBound{15000};

// Starts "$@" with its standard output into the FIFO $1 and the HVEMU_*
// variables of the environment unset; when standard input ends, sends it
// SIGTERM and ends with its exit status.
constexpr const char* kHolder =
    "fifo=$1; shift\n"
    "for v in $(env | sed -n 's/^\\(HVEMU_[A-Za-z0-9_]*\\)=.*/\\1/p'); do unset \"$v\"; done\n"
    "\"$@\" >\"$fifo\" </dev/null &\n"
    "pid=$!\n"
    "read -r _ || true\n"
    "kill -TERM \"$pid\" 2>/dev/null\n"
    "wait \"$pid\"\n";

// Reads the server's first line from the FIFO (opened without blocking):
// waits for data up to the bound; empty when none comes.
std::string firstLine(int fd) {
  std::string line;
  const auto until = std::chrono::steady_clock::now() + kStartBound;
  while (line.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{fd, POLLIN, 0};
    const int n = ::poll(&p, 1, static_cast<int>(left.count()));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    char buf[256];
    const ssize_t got = ::read(fd, buf, sizeof buf);
    if (got > 0) {
      line.append(buf, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EAGAIN) {
      break;  // the server ended before it printed its port
    }
  }
  return line.substr(0, line.find('\n'));
}

}  // namespace

TdsServer::TdsServer(Options options) : options_(std::move(options)) {
  const std::string fifo = dir_.file("stdout");
  if (::mkfifo(fifo.c_str(), 0600) != 0) {
    ADD_FAILURE() << "mkfifo " << fifo;
    return;
  }
  // Opened before the server's side, so that the shell's open for writing
  // finds a reader; kept open while the server runs.
  const int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    ADD_FAILURE() << "open " << fifo;
    return;
  }
  std::vector<std::string> args = {"-c",
                                   kHolder,
                                   "hvemu-holder",
                                   fifo,
                                   builtTool("hvemu-server"),
                                   "--database",
                                   options_.database,
                                   "--port",
                                   "0",
                                   "--login",
                                   options_.user,
                                   options_.password};
  args.insert(args.end(), options_.switches.begin(), options_.switches.end());
  process_ = std::make_unique<HeldProcess>("/bin/sh", args);
  const std::string line = process_->started() ? firstLine(fd) : std::string();
  ::close(fd);
  if (line.compare(0, 5, "port ") != 0 || (port_ = std::atoi(line.c_str() + 5)) <= 0) {
    port_ = 0;
    ADD_FAILURE() << "hvemu-server did not start on " << options_.database << " (first line: '" << line << "')";
  }
}

TdsServer::~TdsServer() { stop(); }

int TdsServer::stop() {
  if (process_) {
    exitStatus_ = process_->wait();
    process_.reset();
    port_ = 0;
  }
  return exitStatus_;
}

std::string TdsServer::databaseName() const {
  std::string name = options_.database.substr(options_.database.find_last_of('/') + 1);
  return name.substr(0, name.find_last_of('.'));
}

void TdsServer::addDataSource(const std::string& folder, const std::string& dsn, int timeout,
                              const std::vector<std::string>& settings) const {
  std::vector<std::string> args = {std::string(HV_SOURCE_DIR) + "/scripts/dsn-freetds",
                                   folder,
                                   dsn,
                                   "127.0.0.1",
                                   std::to_string(port_),
                                   databaseName(),
                                   std::to_string(timeout)};
  args.insert(args.end(), settings.begin(), settings.end());
  const ProcessResult r = runProcess("/bin/bash", args);
  ASSERT_EQ(r.status, 0) << "scripts/dsn-freetds: " << r.err;
}
