// Runs a built executable as its own process with an argument vector (no
// shell, so any bytes pass unchanged) and collects its output and exit code.
#ifndef HV_TESTS_CONFIG_PROCESS_RUN_H
#define HV_TESTS_CONFIG_PROCESS_RUN_H

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

struct ProcessResult {
  int exitCode = -1;  // -1 when the process could not be started or did not exit
  std::string out;
  std::string err;
};

extern char** environ;

inline ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args) {
  ProcessResult result;
  int outPipe[2];
  int errPipe[2];
  if (::pipe(outPipe) != 0) return result;
  if (::pipe(errPipe) != 0) {
    ::close(outPipe[0]);
    ::close(outPipe[1]);
    return result;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
  posix_spawn_file_actions_addclose(&actions, outPipe[0]);
  posix_spawn_file_actions_addclose(&actions, errPipe[0]);

  std::vector<std::string> all{program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(&a[0]);
  argv.push_back(nullptr);

  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(outPipe[1]);
  ::close(errPipe[1]);

  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  while (spawned == 0 && open > 0 && ::poll(fds, 2, -1) > 0) {
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buf[4096];
      const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[i]->append(buf, static_cast<std::size_t>(n));
      } else {
        fds[i].fd = -1;
        --open;
      }
    }
  }
  ::close(outPipe[0]);
  ::close(errPipe[0]);
  if (spawned != 0) return result;
  int status = 0;
  if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

#endif  // HV_TESTS_CONFIG_PROCESS_RUN_H
