#include "password_input.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>

#include <csignal>
#endif

namespace {

// Longer first lines are refused rather than read without end.
constexpr std::size_t kLineLimit = 4096;

#ifdef _WIN32

bool inputIsTerminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

// The console's echo off for its lifetime.
class EchoOff {
 public:
  EchoOff() : input_(::GetStdHandle(STD_INPUT_HANDLE)), on_(::GetConsoleMode(input_, &mode_) != 0) {
    if (on_) ::SetConsoleMode(input_, mode_ & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  }
  ~EchoOff() {
    if (on_) ::SetConsoleMode(input_, mode_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  HANDLE input_;
  DWORD mode_ = 0;
  bool on_;
};

#else  // POSIX

bool inputIsTerminal() { return ::isatty(STDIN_FILENO) != 0; }

// The terminal's settings before the echo went off, for a signal that ends
// the process while it waits for the password.
termios gSavedTerminal{};

void restoreTerminalAndDie(int signal) {
  ::tcsetattr(STDIN_FILENO, TCSANOW, &gSavedTerminal);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// The terminal's echo off for its lifetime; an interrupt or hang-up in between
// gives the echo back before the process ends.
class EchoOff {
 public:
  EchoOff() : on_(::tcgetattr(STDIN_FILENO, &saved_) == 0) {
    if (!on_) return;
    gSavedTerminal = saved_;
    struct sigaction restore {};
    restore.sa_handler = restoreTerminalAndDie;
    sigemptyset(&restore.sa_mask);
    for (std::size_t i = 0; i < kSignals; ++i) ::sigaction(kSignal[i], &restore, &previous_[i]);
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  ~EchoOff() {
    if (!on_) return;
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
    for (std::size_t i = 0; i < kSignals; ++i) ::sigaction(kSignal[i], &previous_[i], nullptr);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  static constexpr std::size_t kSignals = 4;
  static constexpr int kSignal[kSignals] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
  termios saved_{};
  struct sigaction previous_[kSignals] {};
  bool on_;
};

#endif

// One line of standard input without its line end. Empty text when it was
// read; otherwise why not.
std::string readLine(std::string& line) {
  line.clear();
  int c = std::getchar();
  if (c == EOF) return "no password on standard input";
  for (; c != EOF && c != '\n'; c = std::getchar()) {
    if (line.size() == kLineLimit) return "the first line of standard input is longer than 4096 bytes";
    line.push_back(static_cast<char>(c));
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.find('\0') != std::string::npos) {
    return "the password holds a zero byte, which would end it for the import tool";
  }
  return std::string();
}

// A prompt on the terminal, and an entry read without echo. The echo goes off
// before the prompt shows, so nothing typed after the prompt is echoed.
std::string prompted(const std::string& prompt, std::string& entry) {
  std::string problem;
  {
    const EchoOff quiet;
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    problem = readLine(entry);
  }
  std::fputs("\n", stderr);  // the line end that the echo did not show
  return problem;
}

}  // namespace

std::string readPassword(const std::string& login, std::string& password) {
  if (!inputIsTerminal()) return readLine(password);
  std::string again;
  std::string problem = prompted("Password for " + login + ": ", password);
  if (problem.empty()) problem = prompted("The same password again: ", again);
  if (problem.empty() && again != password) problem = "the two entries differ";
  return problem;
}
