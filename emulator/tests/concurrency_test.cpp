// Several processes writing one database at once, and a committed row that
// survives the crash of the process that wrote it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "emu_support.h"

using namespace emutest;

namespace {

// In a child process: connect and insert `count` readers for terminal `name`.
// Returns the number of failed statements.
int insertReaders(const std::string& dsn, const std::string& name, int count) {
  Connection c;
  if (!SQL_SUCCEEDED(c.connect(dsn))) return count;
  int failed = 0;
  for (int i = 1; i <= count; ++i) {
    const Outcome o = c.exec("INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('" + name + "', " +
                             std::to_string(i) + ", 'K" + std::to_string(i) + "')");
    if (o.rc != SQL_SUCCESS) ++failed;
  }
  return failed;
}

}  // namespace

TEST(Concurrency, SeveralProcessesWriteOneDatabase) {
  SuiteDatabase s;
  const int processes = 4;
  const int rows = 150;
  std::vector<pid_t> children;
  for (int p = 0; p < processes; ++p) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) _exit(insertReaders(s.db.dsn(), "PROC" + std::to_string(p), rows) == 0 ? 0 : 1);
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child " << pid << " status " << status;
  }
  EXPECT_EQ((std::vector<std::vector<std::string>>{{std::to_string(processes * rows)}}),
            s.conn.exec("SELECT COUNT(*) FROM HvSystem.Hvs401Zls WHERE ZlsTrm LIKE 'PROC%'").rows);
}

TEST(Concurrency, CommittedRowSurvivesACrash) {
  SuiteDatabase s;
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    Connection c;
    if (!SQL_SUCCEEDED(c.connect(s.db.dsn()))) _exit(3);
    const Outcome o = c.exec("INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('CRASH', 1, 'x')");
    if (o.rc != SQL_SUCCESS) _exit(4);
    raise(SIGKILL);  // no disconnect, no cleanup
    _exit(5);
  }
  int status = 0;
  ASSERT_EQ(pid, waitpid(pid, &status, 0));
  ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
  Connection fresh;
  ASSERT_EQ(SQL_SUCCESS, fresh.connect(s.db.dsn()));
  EXPECT_EQ((std::vector<std::vector<std::string>>{{"x"}}),
            fresh.exec("SELECT ZlsKst FROM HvSystem.Hvs401Zls WHERE ZlsTrm = 'CRASH'").rows);
}
