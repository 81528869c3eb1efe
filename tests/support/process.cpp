#include "support/process.h"

#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <thread>
#else
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <map>
#endif

// One child process: started with its standard input a pipe, its output either
// collected through pipes (standard output into a file when the options name
// one) or passed on to ours.
struct HeldProcess::Impl {
  bool start(const std::string& program, const std::vector<std::string>& args, const ProcessOptions& options,
             bool collect);
  void closeInput();
  void feed(const std::string& bytes);               // written to the child's standard input
  void collect(std::string& out, std::string& err);  // until both pipes are closed
  void wait(ProcessResult& result);  // the first call waits; later ones copy its status
  ~Impl();

#ifdef _WIN32
  HANDLE process = nullptr;
  HANDLE input = nullptr, output = nullptr, errors = nullptr;
#else
  pid_t pid = -1;
  int input = -1, output = -1, errors = -1;
#endif
  bool waited = false;
  ProcessResult ended;  // status and signal once waited for
};

#ifdef _WIN32

namespace {

// One argument as the C runtime's command-line parser reads it back.
std::string quoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  for (std::size_t i = 0;; ++i) {
    std::size_t backslashes = 0;
    while (i < arg.size() && arg[i] == '\\') {
      ++i;
      ++backslashes;
    }
    if (i == arg.size()) {
      quoted.append(backslashes * 2, '\\');
      break;
    }
    quoted.append(arg[i] == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    quoted += arg[i];
  }
  return quoted + "\"";
}

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// This process's environment with `env` set on top, as a block for CreateProcess:
// "NAME=value" texts, each ended by a zero byte, sorted by name, one more zero.
std::string environmentBlock(const EnvVars& env) {
  std::vector<std::pair<std::string, std::string>> vars;  // upper-case name, "NAME=value"
  char* block = ::GetEnvironmentStringsA();
  for (const char* e = block; e != nullptr && *e != '\0'; e += std::strlen(e) + 1) {
    const char* eq = std::strchr(e + 1, '=');  // names of drive folders start with '='
    if (eq != nullptr) vars.emplace_back(upper(std::string(e, static_cast<std::size_t>(eq - e))), e);
  }
  if (block != nullptr) ::FreeEnvironmentStringsA(block);
  for (const auto& [name, value] : env) {
    const std::string key = upper(name);
    vars.erase(std::remove_if(vars.begin(), vars.end(), [&](const auto& v) { return v.first == key; }), vars.end());
    vars.emplace_back(key, name + "=" + value);
  }
  std::sort(vars.begin(), vars.end());
  std::string text;
  for (const auto& v : vars) text += v.second + '\0';
  return text + '\0';
}

// A pipe whose one end the child inherits.
bool makePipe(HANDLE& parentEnd, HANDLE& childEnd, bool childReads) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return false;
  parentEnd = childReads ? writeEnd : readEnd;
  childEnd = childReads ? readEnd : writeEnd;
  ::SetHandleInformation(parentEnd, HANDLE_FLAG_INHERIT, 0);
  return true;
}

HANDLE inheritableCopy(DWORD which) {
  HANDLE copy = nullptr;
  const HANDLE self = ::GetCurrentProcess();
  const HANDLE h = ::GetStdHandle(which);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return nullptr;
  if (!::DuplicateHandle(self, h, self, &copy, 0, TRUE, DUPLICATE_SAME_ACCESS)) return nullptr;
  return copy;
}

void closeHandle(HANDLE& h) {
  if (h != nullptr) ::CloseHandle(h);
  h = nullptr;
}

void readAll(HANDLE h, std::string& sink) {
  if (h == nullptr) return;
  char buf[65536];
  DWORD n = 0;
  while (::ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) sink.append(buf, n);
}

// A file the child inherits as its standard output, created or emptied.
HANDLE inheritableOutputFile(const std::string& path) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

}  // namespace

bool HeldProcess::Impl::start(const std::string& program, const std::vector<std::string>& args,
                              const ProcessOptions& options, bool collectOutput) {
  std::string commandLine = quoteArgument(program);
  for (const std::string& a : args) commandLine += " " + quoteArgument(a);
  std::string block = environmentBlock(options.env);
  const std::string& cwd = options.cwd;

  HANDLE childIn = nullptr, childOut = nullptr, childErr = nullptr;
  bool ok = makePipe(input, childIn, true);
  if (collectOutput) {
    if (options.stdoutPath.empty()) {
      ok = ok && makePipe(output, childOut, false);
    } else {
      childOut = inheritableOutputFile(options.stdoutPath);
      ok = ok && childOut != nullptr;
    }
    ok = ok && makePipe(errors, childErr, false);
  } else {
    childOut = inheritableCopy(STD_OUTPUT_HANDLE);
    childErr = inheritableCopy(STD_ERROR_HANDLE);
  }
  PROCESS_INFORMATION info{};
  if (ok) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = childErr;
    ok = ::CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, &block[0],
                          cwd.empty() ? nullptr : cwd.c_str(), &startup, &info) != 0;
  }
  closeHandle(childIn);
  closeHandle(childOut);
  closeHandle(childErr);
  if (!ok) return false;
  ::CloseHandle(info.hThread);
  process = info.hProcess;
  return true;
}

void HeldProcess::Impl::closeInput() { closeHandle(input); }

void HeldProcess::Impl::feed(const std::string& bytes) {
  DWORD written = 0;
  if (input != nullptr && !bytes.empty()) {
    ::WriteFile(input, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
}

void HeldProcess::Impl::collect(std::string& out, std::string& err) {
  if (errors == nullptr) return;
  std::thread errorReader([&] { readAll(errors, err); });
  readAll(output, out);
  errorReader.join();
  closeHandle(output);
  closeHandle(errors);
}

void HeldProcess::Impl::wait(ProcessResult& result) {
  if (process != nullptr && !waited) {
    waited = true;
    DWORD code = 0;
    if (::WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 && ::GetExitCodeProcess(process, &code)) {
      ended.status = static_cast<int>(code);
    }
  }
  result.status = ended.status;
}

HeldProcess::Impl::~Impl() {
  closeHandle(input);
  closeHandle(output);
  closeHandle(errors);
  closeHandle(process);
}

std::string builtTool(const std::string& name) {
  // The tools and the tests land in the same folder of the build.
  char self[MAX_PATH];
  const DWORD n = ::GetModuleFileNameA(nullptr, self, sizeof self);
  std::string folder(self, n < sizeof self ? n : 0);
  folder = folder.substr(0, folder.find_last_of("\\/") + 1);
  return folder + name + ".exe";
}

#else  // POSIX

extern char** environ;

bool HeldProcess::Impl::start(const std::string& program, const std::vector<std::string>& args,
                              const ProcessOptions& options, bool collectOutput) {
  // Everything the child needs is prepared before the fork.
  const std::string& cwd = options.cwd;
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
  for (const auto& [name, value] : options.env) vars[name] = value;
  std::vector<std::string> envStore;
  for (const auto& [name, value] : vars) envStore.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& e : envStore) envp.push_back(&e[0]);
  envp.push_back(nullptr);

  int inPipe[2] = {-1, -1}, outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1};
  bool piped = ::pipe2(inPipe, O_CLOEXEC) == 0;
  if (collectOutput && options.stdoutPath.empty()) {
    piped = piped && ::pipe2(outPipe, O_CLOEXEC) == 0;
  } else if (collectOutput) {
    outPipe[1] = ::open(options.stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    piped = piped && outPipe[1] >= 0;
  }
  if (collectOutput) piped = piped && ::pipe2(errPipe, O_CLOEXEC) == 0;
  if (!piped) {
    for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) {
      if (fd >= 0) ::close(fd);
    }
    return false;
  }

  pid = ::fork();
  if (pid == 0) {
    ::dup2(inPipe[0], STDIN_FILENO);
    if (collectOutput) {
      ::dup2(outPipe[1], STDOUT_FILENO);
      ::dup2(errPipe[1], STDERR_FILENO);
    }
    if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(126);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(inPipe[0]);
  input = inPipe[1];
  if (collectOutput) {
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    output = outPipe[0];  // -1 when standard output went into a file
    errors = errPipe[0];
  }
  return pid > 0;
}

void HeldProcess::Impl::closeInput() {
  if (input >= 0) ::close(input);
  input = -1;
}

void HeldProcess::Impl::feed(const std::string& bytes) {
  // A child that ends without reading its input must not end this process.
  struct sigaction ignore {};
  struct sigaction previous {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &previous);
  for (std::size_t done = 0; input >= 0 && done < bytes.size();) {
    const ssize_t n = ::write(input, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::sigaction(SIGPIPE, &previous, nullptr);
}

void HeldProcess::Impl::collect(std::string& out, std::string& err) {
  pollfd fds[2] = {{output, POLLIN, 0}, {errors, POLLIN, 0}};
  std::string* sinks[2] = {&out, &err};
  int open = (output >= 0) + (errors >= 0);
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
  output = errors = -1;
}

void HeldProcess::Impl::wait(ProcessResult& result) {
  if (pid > 0 && !waited) {
    waited = true;
    int wstatus = 0;
    rusage usage{};
    int rc = 0;
    while ((rc = ::wait4(pid, &wstatus, 0, &usage)) < 0 && errno == EINTR) {
    }
    if (rc == pid && WIFEXITED(wstatus)) {
      ended.status = WEXITSTATUS(wstatus);
    } else if (rc == pid && WIFSIGNALED(wstatus)) {
      ended.signal = WTERMSIG(wstatus);
    }
    if (rc == pid) {
      ended.maxRssKiB = usage.ru_maxrss;
      ended.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
  }
  result.status = ended.status;
  result.signal = ended.signal;
  result.maxRssKiB = ended.maxRssKiB;
  result.cpuSeconds = ended.cpuSeconds;
}

HeldProcess::Impl::~Impl() {
  for (int fd : {input, output, errors}) {
    if (fd >= 0) ::close(fd);
  }
}

std::string builtTool(const std::string& name) { return std::string(HV_BUILD_DIR) + "/" + name; }

#endif

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessOptions& options) {
  ProcessResult result;
  HeldProcess::Impl child;
  if (!child.start(program, args, options, true)) return result;
  child.feed(options.input);
  child.closeInput();
  child.collect(result.out, result.err);
  child.wait(result);
  return result;
}

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& cwd, const EnvVars& env, const std::string& input) {
  ProcessOptions options;
  options.cwd = cwd;
  options.env = env;
  options.input = input;
  return runProcess(program, args, options);
}

HeldProcess::HeldProcess(const std::string& program, const std::vector<std::string>& args)
    : impl_(std::make_unique<Impl>()) {
  if (!impl_->start(program, args, ProcessOptions(), false)) impl_.reset();
}

HeldProcess::~HeldProcess() { wait(); }

bool HeldProcess::started() const { return impl_ != nullptr; }

void HeldProcess::release() {
  if (impl_) impl_->closeInput();
}

int HeldProcess::wait() {
  ProcessResult result;
  if (impl_) {
    impl_->closeInput();
    impl_->wait(result);
  }
  return result.status;
}
