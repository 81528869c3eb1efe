#include "support/suite_root.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <stdexcept>

extern char** environ;

namespace {

// Reads both pipes until both are closed.
void drain(int outFd, int errFd, std::string& out, std::string& err) {
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  std::string* sinks[2] = {&out, &err};
  int open = 2;
  char buf[65536];
  while (open > 0) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
      const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[i]->append(buf, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
}

}  // namespace

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& cwd, const EnvVars& env) {
  // Everything the child needs is prepared before the fork.
  std::vector<std::string> argStore;
  argStore.push_back(program);
  argStore.insert(argStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argStore) argv.push_back(&a[0]);
  argv.push_back(nullptr);

  std::map<std::string, std::string> vars;
  for (char** e = environ; *e != nullptr; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq != nullptr) vars[std::string(*e, static_cast<std::size_t>(eq - *e))] = eq + 1;
  }
  for (const auto& [name, value] : env) vars[name] = value;
  std::vector<std::string> envStore;
  for (const auto& [name, value] : vars) envStore.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& e : envStore) envp.push_back(&e[0]);
  envp.push_back(nullptr);

  int outPipe[2];
  int errPipe[2];
  if (::pipe2(outPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  if (::pipe2(errPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");

  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::dup2(outPipe[1], STDOUT_FILENO);
    ::dup2(errPipe[1], STDERR_FILENO);
    const int devNull = ::open("/dev/null", O_RDONLY);
    if (devNull >= 0) ::dup2(devNull, STDIN_FILENO);
    if (::chdir(cwd.c_str()) != 0) ::_exit(126);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(outPipe[1]);
  ::close(errPipe[1]);

  ProcessResult result;
  drain(outPipe[0], errPipe[0], result.out, result.err);
  int wstatus = 0;
  while (::waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(wstatus)) {
    result.status = WEXITSTATUS(wstatus);
  } else if (WIFSIGNALED(wstatus)) {
    result.signal = WTERMSIG(wstatus);
  }
  return result;
}

std::string builtTool(const std::string& name) { return std::string(HV_BUILD_DIR) + "/" + name; }

SuiteRoot::SuiteRoot() {
  namespace fs = std::filesystem;
  fs::create_directories(path("Files"));
  fs::create_directories(path("Horavelle_php/log"));
  fs::create_directories(workDir());
}

std::string SuiteRoot::writeIni(const std::string& login, const std::string& password, const std::string& schema,
                                const std::string& dsn) {
  const ProcessResult r = runProcess(builtTool("hvcrypt"),
                                     {"ini", "--login", login, "--password", password, "--schema", schema, "--dsn", dsn},
                                     root());
  if (r.status != 0) return "hvcrypt ini failed with status " + std::to_string(r.status) + ": " + r.err;
  writeFileBytes(iniPath(), r.out);
  return "";
}

ProcessResult SuiteRoot::runImport(const std::vector<std::string>& args, const EnvVars& extraEnv) const {
  EnvVars env = env_;
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  return runProcess(builtTool("Stempelzug"), args, workDir(), env);
}
