// hvcrypt: the administrators' tool for the encrypted values of the suite's
// configuration file. It encrypts a value, shows a value as the import tool
// reads it, writes a whole configuration file with the database login, and
// checks a configuration file the way the import tool reads it.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "config/ini_reader.h"
#include "config/value_crypt.h"
#include "ini_check.h"
#include "ini_text.h"
#include "password_input.h"
#include "secret_file.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitWriteFailed = 1;
constexpr int kExitRefused = 2;  // wrong arguments, or values the import tool would not read back
constexpr int kExitNotTaken = 3;

constexpr char kUsage[] =
    "usage: hvcrypt encrypt TEXT\n"
    "       hvcrypt decrypt HEX\n"
    "       hvcrypt ini --login LOGIN [--password PASSWORD] --schema SCHEMA --dsn DSN [--output FILE]\n"
    "       hvcrypt check FILE\n"
    "\n"
    "  encrypt  prints the upper-case hex ciphertext of TEXT, one line\n"
    "  decrypt  prints the plaintext of the encrypted value HEX, one line\n"
    "  ini      writes a configuration file (CR LF line ends) holding the database\n"
    "           login: to FILE (replaced only when every value is accepted, mode 0600),\n"
    "           else to standard output. Without --password the password is read\n"
    "           from the terminal without echo, or else as the first line of\n"
    "           standard input\n"
    "  check    shows what the import tool reads from the configuration file FILE\n"
    "           (the password masked); exit status 0 only when it would take it\n";

int usage() {
  std::fputs(kUsage, stderr);
  return kExitRefused;
}

int refused(const std::string& problem) {
  std::fprintf(stderr, "hvcrypt: %s\n", problem.c_str());
  return kExitRefused;
}

int emit(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fputs("hvcrypt: writing the output failed\n", stderr);
    return kExitWriteFailed;
  }
  return kExitOk;
}

bool isCiphertext(std::string_view hex) {
  if (hex.empty() || hex.size() % kHexBlockLength != 0 || hex.size() > kIniFieldLength) return false;
  for (char c : hex) {
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  }
  return true;
}

int encryptCommand(std::string_view text) {
  if (text.size() > login::kMaxValueLength) {
    std::fprintf(stderr,
                 "hvcrypt: warning: the text has %zu characters; the import tool reads a value "
                 "of more than %zu characters as empty\n",
                 text.size(), login::kMaxValueLength);
  }
  return emit(encryptValue(text, kConfigKey) + "\n");
}

int decryptCommand(std::string_view hex) {
  if (!isCiphertext(hex)) {
    std::fprintf(stderr,
                 "hvcrypt: not an encrypted value: upper-case hex digits in blocks of %zu, at most %zu "
                 "digits (hvcrypt encrypt writes them)\n",
                 kHexBlockLength, 2 * login::kMaxValueLength);
    return kExitRefused;
  }
  return emit(decodeIniValue(hex) + "\n");
}

int iniCommand(const std::vector<std::string_view>& args) {
  enum Option { kLogin, kPassword, kSchema, kDsn, kOutput, kOptions };
  static constexpr const char* kNames[kOptions] = {"--login", "--password", "--schema", "--dsn", "--output"};
  std::optional<std::string_view> given[kOptions];
  if (args.size() % 2 != 0) return usage();
  for (std::size_t i = 0; i < args.size(); i += 2) {
    int which = 0;
    while (which < kOptions && args[i] != kNames[which]) ++which;
    if (which == kOptions || given[which]) return usage();
    given[which] = args[i + 1];
  }
  if (!given[kLogin] || !given[kSchema] || !given[kDsn]) return usage();

  IniLogin login{*given[kLogin], std::string_view(), *given[kSchema], *given[kDsn]};
  // The other values first, so that nobody types a password for nothing.
  std::string problem = checkIniLogin(login);
  if (!problem.empty()) return refused(problem);
  std::string password;
  if (given[kPassword]) {
    password = std::string(*given[kPassword]);
  } else {
    problem = readPassword(std::string(login.user), password);
    if (!problem.empty()) return refused(problem);
  }
  login.password = password;
  problem = checkIniLogin(login);
  if (!problem.empty()) return refused(problem);

  const std::string text = buildIniText(login);
  if (!given[kOutput]) return emit(text);
  std::string warning;
  problem = replaceFile(std::string(*given[kOutput]), text, warning);
  if (!warning.empty()) std::fprintf(stderr, "hvcrypt: warning: %s\n", warning.c_str());
  if (!problem.empty()) {
    std::fprintf(stderr, "hvcrypt: %s\n", problem.c_str());
    return kExitWriteFailed;
  }
  return kExitOk;
}

int checkCommand(const std::string& path) {
  const IniReport report = checkIniFile(path);
  const std::string warning = readableByOthers(path);
  if (!warning.empty()) std::fprintf(stderr, "hvcrypt: warning: %s\n", warning.c_str());
  const int written = emit(report.text);
  if (written != kExitOk) return written;
  return report.taken ? kExitOk : kExitNotTaken;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  _setmode(_fileno(stdout), _O_BINARY);  // the CR LF line ends are written as they are
#endif
  std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.empty()) return usage();
  const std::string_view command = args.front();
  args.erase(args.begin());
  if (command == "encrypt" && args.size() == 1) return encryptCommand(args[0]);
  if (command == "decrypt" && args.size() == 1) return decryptCommand(args[0]);
  if (command == "ini") return iniCommand(args);
  if (command == "check" && args.size() == 1) return checkCommand(std::string(args[0]));
  return usage();
}
