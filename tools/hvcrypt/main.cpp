// hvcrypt: the administrators' tool for the encrypted values of the suite's
// configuration file. It encrypts a value, shows a value as the import tool
// reads it, and writes a whole configuration file with the database login.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "config/ini_reader.h"
#include "config/value_crypt.h"
#include "ini_text.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitWriteFailed = 1;
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "usage: hvcrypt encrypt TEXT\n"
    "       hvcrypt decrypt HEX\n"
    "       hvcrypt ini --login LOGIN --password PASSWORD --schema SCHEMA --dsn DSN\n"
    "\n"
    "  encrypt  prints the upper-case hex ciphertext of TEXT, one line\n"
    "  decrypt  prints the plaintext of HEX as the import tool reads it, one line\n"
    "  ini      prints a configuration file (CR LF line ends) holding the database\n"
    "           login; redirect it to Files/Horavelle.Ini of the suite\n";

int usage() {
  std::fputs(kUsage, stderr);
  return kExitUsage;
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
  if (hex.size() % kHexBlockLength != 0 || hex.size() > kIniFieldLength) return false;
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
                 "hvcrypt: warning: not a ciphertext of whole blocks in upper-case hex of at most "
                 "%zu characters; shown as the import tool reads it\n",
                 kIniFieldLength);
  }
  return emit(decodeIniValue(hex) + "\n");
}

int iniCommand(const std::vector<std::string_view>& args) {
  IniLogin login;
  std::string_view* const targets[] = {&login.user, &login.password, &login.schema, &login.dsn};
  const char* const names[] = {"--login", "--password", "--schema", "--dsn"};
  bool seen[4] = {false, false, false, false};
  if (args.size() != 8) return usage();
  for (std::size_t i = 0; i < args.size(); i += 2) {
    int which = -1;
    for (int k = 0; k < 4; ++k) {
      if (args[i] == names[k]) which = k;
    }
    if (which < 0 || seen[which]) return usage();
    seen[which] = true;
    *targets[which] = args[i + 1];
  }
  const std::string problem = checkIniLogin(login);
  if (!problem.empty()) {
    std::fprintf(stderr, "hvcrypt: %s\n", problem.c_str());
    return kExitUsage;
  }
  return emit(buildIniText(login));
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
  return usage();
}
