// End-to-end runs of the built Stempelzug whose connect fails, as a works
// engineer meets them: through Debian's FreeTDS driver with a data source
// written by scripts/dsn-freetds, with a data source that no odbc.ini defines,
// and with a login whose refusal holds the password. Every run ends with 255
// (-1), the console's failure line and the run log's start and failure entries;
// under /D the driver's answer follows on one more console line.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "e2e/e2e_support.h"

namespace e2e {
namespace {

const std::string kConnectFailed = "Datenbankverbindung fehlgeschlagen, Fehler: -1\n";
const std::string kFreeTdsPrefix = "[unixODBC][FreeTDS][SQL Server]";
// A run that fails its connect must end long before this, refused or not.
constexpr std::chrono::seconds kRunBound{15};

// A TCP port on the loopback address that belongs to this test while it runs:
// bound, so no other process takes it, and either not listening (a connect is
// refused at once) or listening without ever accepting (the peer takes the
// connection and never answers). A listening port stops listening after
// kRunBound, which drops the connections waiting on it: a client that waits
// for an answer without end then fails late instead of hanging the test.
class LoopbackPort {
 public:
  explicit LoopbackPort(bool listening) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &length) != 0 ||
        (listening && ::listen(fd_, 4) != 0)) {
      ADD_FAILURE() << "no loopback port";
      return;
    }
    port_ = ntohs(addr.sin_port);
    if (listening) {
      watchdog_ = std::thread([this] {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!done_.wait_for(lock, kRunBound, [this] { return finished_; })) ::shutdown(fd_, SHUT_RDWR);
      });
    }
  }
  ~LoopbackPort() {
    if (watchdog_.joinable()) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
      }
      done_.notify_one();
      watchdog_.join();
    }
    if (fd_ >= 0) ::close(fd_);
  }
  LoopbackPort(const LoopbackPort&) = delete;
  LoopbackPort& operator=(const LoopbackPort&) = delete;

  int port() const { return port_; }

 private:
  int fd_;
  int port_ = 0;
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  std::thread watchdog_;
};

class ConnectFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    suite_.runEnv() = {{"ODBCSYSINI", odbc_.path()}, {"ODBCINI", odbc_.file("user-odbc.ini")}};
  }

  // scripts/dsn-freetds into this test's ODBC folder.
  void addFreeTdsSource(const std::string& dsn, int port, const std::string& timeout) {
    const ProcessResult r = runProcess("/bin/bash",
                                       {OdbcSandbox::sourcePath("scripts/dsn-freetds"), odbc_.path(), dsn, "127.0.0.1",
                                        std::to_string(port), "horavelle", timeout},
                                       odbc_.path());
    ASSERT_EQ(r.status, 0) << r.err;
  }

  // Runs the tool without and with /D. Both runs fail their connect in bounded
  // time with the same log entries; only the /D run shows `debugLine`.
  void expectFailedConnect(const std::string& debugLine) {
    const std::string source = suite_.path("missing.62p");
    std::string expectedLog;
    for (const bool debug : {false, true}) {
      SCOPED_TRACE(debug ? "with /D" : "without /D");
      std::vector<std::string> args = {source, "62p", "BDE6251"};
      if (debug) args.push_back("/D");
      const auto start = std::chrono::steady_clock::now();
      const ProcessResult r = suite_.runImport(args);
      const auto elapsed = std::chrono::steady_clock::now() - start;
      EXPECT_LT(elapsed, kRunBound);
      EXPECT_EQ(r.signal, 0);
      EXPECT_EQ(r.status, 255) << "-1 on POSIX";
      EXPECT_EQ(r.out, kConnectFailed + (debug ? debugLine : ""));
      expectedLog += logBytes(kStart + Entries{"dbConnect-Fehler: -1"});
      EXPECT_EQ(maskTimeStamps(suite_.runLog()), expectedLog);
    }
  }

  ScopedTempDir odbc_;
  SuiteRoot suite_;
};

TEST_F(ConnectFailureTest, FreeTdsAtALoopbackPortWhereNothingListens) {
  const LoopbackPort closed(false);
  addFreeTdsSource("HvServer", closed.port(), "30");
  ASSERT_EQ(suite_.writeIni("hvimport", "Kant1ne-Pw", "HvKantine", "HvServer"), "");
  expectFailedConnect("   ODBC 08S01 (20009): " + kFreeTdsPrefix +
                      "Unable to connect: Adaptive Server is unavailable or does not exist\n");
}

TEST_F(ConnectFailureTest, FreeTdsAtAPeerThatNeverAnswersEndsWithTheDataSourcesTimeout) {
  // FreeTDS itself would wait for the login answer without end.
  const LoopbackPort silent(true);
  addFreeTdsSource("HvSilent", silent.port(), "1");
  ASSERT_EQ(suite_.writeIni("hvimport", "Kant1ne-Pw", "HvKantine", "HvSilent"), "");
  expectFailedConnect("   ODBC HYT00 (0): " + kFreeTdsPrefix + "Timeout expired\n");
}

TEST_F(ConnectFailureTest, DataSourceThatNoOdbcIniDefines) {
  addFreeTdsSource("HvServer", 1433, "30");  // the folder defines another one
  ASSERT_EQ(suite_.writeIni("hvimport", "Kant1ne-Pw", "HvKantine", "HvNirgends"), "");
  expectFailedConnect(
      "   ODBC IM002 (0): [unixODBC][Driver Manager]Data source name not found and no default driver specified\n");
}

TEST_F(ConnectFailureTest, PasswordInTheDriversMessageIsMasked) {
  // A login whose password is its user name: the refusal names the user.
  const OdbcSandbox db;
  suite_.runEnv() = {{"ODBCSYSINI", OdbcSandbox::odbcFolder()}};
  ASSERT_EQ(suite_.writeIni("Geheim-7", "Geheim-7", "HvKantine", db.dsn()), "");
  expectFailedConnect(
      "   ODBC 28000 (18456): [unixODBC][HvEmu][HvEmu SQL Server Driver][SQL Server]Login failed for user '***'.\n");
}

}  // namespace
}  // namespace e2e
