// The config tool as administrators run it: its output read back through the
// configuration reader exactly as the import tool's connect step reads it.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#endif

#include "config/ini_reader.h"
#include "config/login.h"
#include "config/value_crypt.h"
#include "support/ini_values.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

const std::string kHvcrypt = builtTool("hvcrypt");

std::string describe(const std::vector<std::string>& args) {
  std::string text = "hvcrypt";
  for (const std::string& a : args) text += " [" + a + "]";
  return text;
}

// The four values an administrator gives.
struct Login {
  std::string user, password, schema, dsn;
};

// `hvcrypt ini` for `login`, the password on the command line or (without it)
// left to standard input; into the file `output` when given.
std::vector<std::string> iniArgs(const Login& login, bool passwordArgument = true,
                                 const std::string& output = std::string()) {
  std::vector<std::string> args = {"ini",        "--login", login.user, "--schema",
                                   login.schema, "--dsn",   login.dsn};
  if (passwordArgument) args.insert(args.end(), {"--password", login.password});
  if (!output.empty()) args.insert(args.end(), {"--output", output});
  return args;
}

ProcessResult runWithInput(const std::vector<std::string>& args, const std::string& input) {
  return runProcess(kHvcrypt, args, std::string(), {}, input);
}

std::vector<std::string> folderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

TEST(HvcryptTest, EncryptPrintsOneLineOfUpperCaseHex) {
  for (const std::string text : {"", "sa", "12345678", "M\xFC" "ller", "a \"quoted\" 'text'",
                                 "1234567812345678x"}) {
    SCOPED_TRACE("text \"" + text + "\"");
    const ProcessResult r = runProcess(kHvcrypt, {"encrypt", text});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    ASSERT_FALSE(r.out.empty());
    ASSERT_EQ(r.out.back(), '\n');
    const std::string hex = r.out.substr(0, r.out.size() - 1);
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos) << hex;
    EXPECT_EQ(hex.size(), text.empty() ? 16u : (text.size() + 7) / 8 * 16);
    EXPECT_EQ(decodeIniValue(hex), text);
  }
}

TEST(HvcryptTest, EncryptWarnsAboutValuesTheReaderCannotHold) {
  const ProcessResult r = runProcess(kHvcrypt, {"encrypt", std::string(97, 'x')});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("97 characters"), std::string::npos) << r.err;
  EXPECT_EQ(r.out.size(), 13u * 16 + 1);
}

TEST(HvcryptTest, DecryptShowsTheEncryptedValue) {
  for (const std::string& text :
       {std::string("sa"), std::string("Horavelle-DSN"), std::string("\xE4\xF6\xFC"), std::string(96, 'x')}) {
    SCOPED_TRACE("text \"" + text + "\"");
    const ProcessResult r = runProcess(kHvcrypt, {"decrypt", encryptValue(text, kConfigKey)});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, text + "\n");
    EXPECT_EQ(r.err, "");
  }
}

// Every way of giving the password writes the same file: on the command line,
// on standard input, and into a file with --output.
TEST(HvcryptTest, IniFileReadsBackAsTheFourValues) {
  const Login cases[] = {
      {"sa", "geheim", "dbo", "Horavelle"},
      {"", "pw", "HvSystem", "dsn"},
      {"o'brien", "a\"b;c", "x", std::string(40, 'D')},
      {"M\xFCller", "\xE4\xF6\xFC\xDF", std::string(20, 's'), "DSN"},
      {"12345678", "1234567812345678", "sch", "DSN8CHAR"},
      {std::string(96, 'L'), std::string(96, 'P'), "", "D"},
      {"--dsn", "--login", "a_1", "a;b;c"},
      {" blank ", "\t", "S_2", "ODBC DSN"},
      {"sa", "", "dbo", "dsn"},
  };
  const ScopedTempDir dir;
  const std::string path = dir.file("Horavelle.Ini");
  for (const Login& want : cases) {
    const std::vector<std::string> args = iniArgs(want);
    SCOPED_TRACE(describe(args));
    const ProcessResult r = runProcess(kHvcrypt, args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");

    std::size_t lines = 0;
    for (std::size_t i = 0; i < r.out.size(); ++i) {
      if (r.out[i] != '\n') continue;
      ++lines;
      EXPECT_TRUE(i > 0 && r.out[i - 1] == '\r') << "line " << lines << " not ended by CR LF";
    }
    EXPECT_EQ(lines, 8u);

    writeFileBytes(path, r.out);
    const login::Login got = login::readLogin(path);
    EXPECT_EQ(got.user, want.user);
    EXPECT_EQ(got.password, want.password);
    EXPECT_EQ(got.schema, want.schema);
    EXPECT_EQ(got.dataSource, want.dsn);

    const ProcessResult fromInput = runWithInput(iniArgs(want, false), want.password + "\n");
    EXPECT_EQ(fromInput.status, 0) << fromInput.err;
    EXPECT_EQ(fromInput.out, r.out) << "password on standard input";

    const ProcessResult written = runProcess(kHvcrypt, iniArgs(want, true, path));
    EXPECT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(written.out, "");
    EXPECT_EQ(readFileBytes(path), r.out) << "--output";
  }
}

TEST(HvcryptTest, PasswordFromStandardInputIsItsFirstLine) {
  const struct {
    std::string input;
    std::string password;  // as the connect step reads it back
  } cases[] = {
      {"Geheim-1\n", "Geheim-1"},
      {"Geheim-1\r\n", "Geheim-1"},
      {"Geheim-1", "Geheim-1"},
      {"Geheim-1\nzweite Zeile\n", "Geheim-1"},
      {"  mit Blanks \t\n", "  mit Blanks \t"},
      {"\n", ""},
  };
  const ScopedTempDir dir;
  const std::string path = dir.file("Horavelle.Ini");
  for (const auto& c : cases) {
    SCOPED_TRACE("input " + ::testing::PrintToString(c.input));
    const ProcessResult r = runWithInput(iniArgs({"hvimport", "", "HvKantine", "HvDemo"}, false), c.input);
    ASSERT_EQ(r.status, 0) << r.err;
    writeFileBytes(path, r.out);
    EXPECT_EQ(login::readLogin(path).password, c.password);
  }
}

// An administrator writes over the live configuration: it is replaced only by
// a whole file that the import tool takes, and nothing is left beside it.
TEST(HvcryptTest, OutputReplacesTheFileOnlyWhenEveryValueIsAccepted) {
  const Login good = {"hvimport", "Geheim-1", "HvKantine", "HvDemo"};
  const std::string goodText = runProcess(kHvcrypt, iniArgs(good)).out;
  ASSERT_FALSE(goodText.empty());
  constexpr char kOld[] = "the old configuration\r\n";
  enum class Before { kNone, kFile, kFolder };
  struct Case {
    const char* what;
    Login login;
    std::string input;  // the password on standard input
    Before before;
    std::string target;  // below the test's folder
    int status;
  };
  const Case cases[] = {
      {"new file", good, "Geheim-1\n", Before::kNone, "Horavelle.Ini", 0},
      {"over an old file", good, "Geheim-1\n", Before::kFile, "Horavelle.Ini", 0},
      {"schema refused",
       {"hvimport", "", "Hv Kantine", "HvDemo"},
       "Geheim-1\n",
       Before::kFile,
       "Horavelle.Ini",
       2},
      {"data source refused",
       {"hvimport", "", "HvKantine", ""},
       "Geheim-1\n",
       Before::kFile,
       "Horavelle.Ini",
       2},
      {"password too long", good, std::string(97, 'P') + "\n", Before::kFile, "Horavelle.Ini", 2},
      {"no password", good, "", Before::kFile, "Horavelle.Ini", 2},
      {"folder missing", good, "Geheim-1\n", Before::kNone, "Files/Horavelle.Ini", 1},
      {"a folder in the way", good, "Geheim-1\n", Before::kFolder, "Horavelle.Ini", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ScopedTempDir dir;
    const std::string path = dir.file(c.target);
    if (c.before == Before::kFile) writeFileBytes(path, kOld);
    if (c.before == Before::kFolder) std::filesystem::create_directory(path);
    const ProcessResult r = runWithInput(iniArgs(c.login, false, path), c.input);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.out, "");

    const std::vector<std::string> expectedEntries = c.before == Before::kNone && c.status != 0
                                                         ? std::vector<std::string>()
                                                         : std::vector<std::string>{c.target};
    EXPECT_EQ(folderEntries(dir.path()), expectedEntries);
    if (c.before == Before::kFolder) continue;
    if (c.status != 0) {
      if (c.before == Before::kFile) {
        EXPECT_EQ(readFileBytes(path), kOld);
      }
      continue;
    }
    EXPECT_EQ(readFileBytes(path), goodText);
#ifndef _WIN32
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
#endif
  }
}

#ifndef _WIN32
// Run as root (as in CI), hvcrypt gives the new file the owner and group of
// the one it replaces, so that the account of the transfer job still reads it.
TEST(HvcryptTest, OutputKeepsTheOwnerOfTheReplacedFile) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can hand a file to another owner";
  const ScopedTempDir dir;
  const std::string path = dir.file("Horavelle.Ini");
  writeFileBytes(path, "old\r\n");
  constexpr uid_t kOwner = 65534;
  constexpr gid_t kGroup = 65534;
  ASSERT_EQ(::chown(path.c_str(), kOwner, kGroup), 0);
  const ProcessResult r =
      runProcess(kHvcrypt, iniArgs({"hvimport", "Geheim-1", "HvKantine", "HvDemo"}, true, path));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kOwner);
  EXPECT_EQ(st.st_gid, kGroup);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}
#endif

TEST(HvcryptTest, CheckReportsWhatTheImportToolTakes) {
  constexpr char kPassword[] = "Pw-Geheim-7";
  struct Case {
    const char* what;
    std::optional<Login> values;  // written as they stand (SCHEMA with its last character); none: no file
    std::string prefix;           // line pairs ahead of the four
    int status;
    std::vector<std::string> lines;  // each a whole line of the report
  };
  const std::string taken = "the import tool takes this configuration";
  const std::string notTaken = "the import tool would not take this configuration";
  const Case cases[] = {
      {"as hvcrypt writes it",
       Login{"hvimport", kPassword, "HvKantine.", "HvDemo"},
       "",
       0,
       {"LOGIN     hvimport (8 characters)", "PASS      *** (11 characters)",
        "SCHEMA    HvKantine (9 characters): canteen bookings go to HvKantine.Hvs321Kan",
        "DATABASE  HvDemo (6 characters)", taken}},
      {"data source of 41 characters",
       Login{"hvimport", kPassword, "HvKantine.", std::string(41, 'D')},
       "",
       3,
       {"DATABASE  " + std::string(41, 'D') +
            " (41 characters): refused, the connect step takes at most 40 characters and connects without a "
            "data source name",
        notTaken}},
      {"no data source",
       Login{"hvimport", kPassword, "HvKantine.", ""},
       "",
       3,
       {"DATABASE   (0 characters): refused, empty: no data source to connect to (no entry, or a value that "
        "is no encrypted value)",
        notTaken}},
      {"schema with a blank",
       Login{"hvimport", kPassword, "Hv Kantine.", "HvDemo"},
       "",
       3,
       {"SCHEMA    Hv Kantine (10 characters): refused, not a plain name (letters, digits, underscore) of at "
        "most 20 characters: every canteen booking would fail",
        notTaken}},
      {"schema of 21 characters",
       Login{"hvimport", kPassword, std::string(21, 'S') + ".", "HvDemo"},
       "",
       3,
       {notTaken}},
      {"empty schema",
       Login{"hvimport", kPassword, "", "HvDemo"},
       "",
       0,
       {"SCHEMA     (0 characters): empty, canteen bookings go to Hvs321Kan of the login's default schema",
        taken}},
      {"schema value without its dot",
       Login{"hvimport", kPassword, "HvKantine", "HvDemo"},
       "",
       0,
       {"SCHEMA    HvKantin (8 characters): canteen bookings go to HvKantin.Hvs321Kan; the value ends in "
        "'e', not in '.', and the connect step drops that character",
        taken}},
      {"login too long to read back",
       Login{std::string(97, 'L'), kPassword, "HvKantine.", "HvDemo"},
       "",
       0,
       {"LOGIN      (0 characters): empty, the connect step sends an empty user name (no entry, or a value "
        "that is no encrypted value)",
        taken}},
      {"a pair of number 0 ahead of the four",
       Login{"hvimport", kPassword, "HvKantine.", "HvDemo"},
       ";Datenbank;\r\n0;ANDERS;" + encryptValue("Other", kConfigKey) + "\r\n",
       0,
       {"LOGIN     Other (5 characters)", "PASS      *** (5 characters)",
        "SCHEMA    Othe (4 characters): canteen bookings go to Othe.Hvs321Kan; the value ends in 'r', not in "
        "'.', and the connect step drops that character",
        "DATABASE  Other (5 characters)", taken}},
      {"no file", std::nullopt, "", 3, {notTaken}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ScopedTempDir dir;
    const std::string path = dir.file("Horavelle.Ini");
    if (c.values) {
      writeIniValues(path, c.values->user, c.values->password, c.values->schema, c.values->dsn);
      writeFileBytes(path, c.prefix + readFileBytes(path));
    }
    const ProcessResult r = runProcess(kHvcrypt, {"check", path});
    EXPECT_EQ(r.status, c.status) << r.err;
    for (const std::string& line : c.lines) {
      EXPECT_NE(("\n" + r.out).find("\n" + line + "\n"), std::string::npos)
          << "no line \"" << line << "\" in\n"
          << r.out;
    }
    EXPECT_EQ(r.out.find(kPassword), std::string::npos) << r.out;
    EXPECT_EQ(r.err.find(kPassword), std::string::npos) << r.err;
  }
}

#ifndef _WIN32
TEST(HvcryptTest, CheckWarnsWhenOthersCanReadThePassword) {
  const ScopedTempDir dir;
  const std::string path = dir.file("Horavelle.Ini");
  writeIniValues(path, "hvimport", "Pw-Geheim-7", "HvKantine.", "HvDemo");
  const struct {
    mode_t mode;
    std::string warning;  // empty: none
  } cases[] = {{0600, ""}, {0400, ""}, {0640, "mode 0640"}, {0604, "mode 0604"}, {0644, "mode 0644"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
    const ProcessResult r = runProcess(kHvcrypt, {"check", path});
    EXPECT_EQ(r.status, 0);
    if (c.warning.empty()) {
      EXPECT_EQ(r.err, "");
    } else {
      EXPECT_NE(r.err.find(c.warning + ": others than its owner can read it"), std::string::npos) << r.err;
    }
  }
}

// A terminal for hvcrypt: its standard input, output and error are the
// terminal's other side; what hvcrypt shows is read here as a user would see it.
class Terminal {
 public:
  Terminal() : master_(::posix_openpt(O_RDWR | O_NOCTTY)) {
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
    const char* name = ::ptsname(master_);
    if (name != nullptr) name_ = name;
    // Held open here as well, so that the terminal outlives hvcrypt and its
    // settings can be read afterwards.
    slave_ = ::open(name_.c_str(), O_RDWR | O_NOCTTY);
  }
  ~Terminal() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    for (int fd : {master_, slave_}) {
      if (fd >= 0) ::close(fd);
    }
  }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  bool open() const { return slave_ >= 0; }

  void start(const std::vector<std::string>& args) {
    std::vector<std::string> store = {kHvcrypt};
    store.insert(store.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : store) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::setsid();
      for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) ::dup2(slave_, fd);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
  }

  // Reads what hvcrypt shows until `text` has appeared (at most 10 s).
  bool waitFor(const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (shown_.find(text, searched_) == std::string::npos) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0 || !readSome(static_cast<int>(left.count()))) return false;
    }
    searched_ = shown_.find(text, searched_) + text.size();
    return true;
  }

  void type(const std::string& keys) {
    EXPECT_EQ(::write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }

  // Waits for hvcrypt's end and reads what it showed last.
  int finish() {
    int status = 0;
    if (::waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    while (readSome(0)) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  const std::string& shown() const { return shown_; }
  bool echoes() const {
    termios settings{};
    return ::tcgetattr(slave_, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
  }

 private:
  bool readSome(int timeoutMs) {
    pollfd p = {master_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return false;
    char buf[256];
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n <= 0) return false;
    shown_.append(buf, static_cast<std::size_t>(n));
    return true;
  }

  int master_;
  int slave_ = -1;
  std::string name_;
  pid_t pid_ = -1;
  std::string shown_;
  std::size_t searched_ = 0;
};

TEST(HvcryptTest, PasswordFromATerminalIsAskedTwiceWithoutEcho) {
  struct Case {
    std::string first, second;
    int status;
    std::string refusal;
  };
  const Case cases[] = {
      {"Geheim-1", "Geheim-1", 0, ""},
      {"Geheim-1", "Geheim-2", 2, "hvcrypt: the two entries differ"},
      {"", "", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("typed \"" + c.first + "\", then \"" + c.second + "\"");
    const ScopedTempDir dir;
    const std::string path = dir.file("Horavelle.Ini");
    Terminal terminal;
    ASSERT_TRUE(terminal.open());
    terminal.start(iniArgs({"hvimport", "", "HvKantine", "HvDemo"}, false, path));
    ASSERT_TRUE(terminal.waitFor("Password for hvimport: ")) << terminal.shown();
    EXPECT_FALSE(terminal.echoes());
    terminal.type(c.first + "\n");
    ASSERT_TRUE(terminal.waitFor("The same password again: ")) << terminal.shown();
    terminal.type(c.second + "\n");
    EXPECT_EQ(terminal.finish(), c.status) << terminal.shown();
    EXPECT_TRUE(terminal.echoes());
    if (!c.first.empty()) {
      EXPECT_EQ(terminal.shown().find(c.first), std::string::npos) << terminal.shown();
    }
    if (c.status != 0) {
      EXPECT_NE(terminal.shown().find(c.refusal), std::string::npos) << terminal.shown();
      EXPECT_FALSE(fileExists(path));
      continue;
    }
    EXPECT_EQ(login::readLogin(path).password, c.first);
  }
}
#endif

// Bad use, values the import tool would not take, text that is no encrypted
// value and a password on standard input that cannot be written: exit status
// 2, nothing on standard output, the reason on standard error.
TEST(HvcryptTest, BadUseAndRefusedValuesExitWithTwoAndSayWhy) {
  struct Case {
    std::vector<std::string> args;
    std::string reason;
    std::string input = std::string();  // standard input
  };
  const std::string usage = "usage: hvcrypt";
  const std::string noValue = "not an encrypted value";
  const std::string twoBlocks = encryptValue("Horavelle-DSN", kConfigKey);
  std::string lower = twoBlocks;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::vector<std::string> passwordFromInput = iniArgs({"hvimport", "", "HvKantine", "HvDemo"}, false);
  const Case cases[] = {
      {{}, usage},
      {{"encrypt"}, usage},
      {{"encrypt", "a", "b"}, usage},
      {{"decrypt"}, usage},
      {{"decrypt", "6E8364F230E1A59D", "x"}, usage},
      {{"Encrypt", "a"}, usage},
      {{"frobnicate", "x"}, usage},
      {{"check"}, usage},
      {{"check", "a", "b"}, usage},
      {{"ini"}, usage},
      {{"ini", "--login", "a", "--password", "b", "--schema", "c"}, usage},
      {{"ini", "--login", "a", "--password", "b", "--schema", "c", "--dsn"}, usage},
      {{"ini", "--login", "a", "--password", "b", "--schema", "c", "--login", "d"}, usage},
      {{"ini", "--login", "a", "--password", "b", "--schema", "c", "--user", "d"}, usage},
      {{"ini", "--login", "a", "--password", "b", "--schema", "c", "--dsn", "d", "x"}, usage},
      {{"ini", "--password", "b", "--schema", "c", "--dsn", "d"}, usage},
      {{"ini", "--login", "a", "--password", "b", "--password", "b", "--schema", "c", "--dsn", "d"}, usage},
      {{"ini", "--login", "a", "--schema", "c", "--dsn", "d", "--output"}, usage},
      {{"ini", "--login", "a", "--schema", "c", "--dsn", "d", "--output", "x", "--output", "y"}, usage},
      {iniArgs({"sa", "pw", "dbo", std::string(41, 'D')}), "data source name has 41 characters"},
      {iniArgs({"sa", "pw", "dbo", ""}), "data source name has 0 characters"},
      {iniArgs({"sa", "pw", std::string(21, 's'), "dsn"}), "schema has 21 characters"},
      {iniArgs({"sa", "pw", "my schema", "dsn"}), "schema 'my schema' is not a plain name"},
      {iniArgs({"sa", "pw", "s.", "dsn"}), "schema 's.' is not a plain name"},
      {iniArgs({"sa", "pw", "x'y", "dsn"}), "schema 'x'y' is not a plain name"},
      {iniArgs({std::string(97, 'L'), "pw", "dbo", "dsn"}), "login has 97 characters"},
      {iniArgs({"sa", std::string(97, 'P'), "dbo", "dsn"}), "password has 97 characters"},
      {{"decrypt", twoBlocks.substr(0, 24)}, noValue},  // a partial block
      {{"decrypt", lower}, noValue},
      {{"decrypt", encryptValue(std::string(97, 'x'), kConfigKey)}, noValue},  // past the field's 200
      {{"decrypt", ""}, noValue},
      {{"decrypt", "G123456789ABCDEF"}, noValue},
      {{"decrypt", "0123456789ABCDE "}, noValue},
      {passwordFromInput, "no password on standard input", ""},
      {passwordFromInput, "zero byte", std::string("a\0b\n", 4)},
      {passwordFromInput, "the password has 97 characters", std::string(97, 'P') + "\n"},
      {passwordFromInput, "longer than 4096 bytes", std::string(4097, 'P')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(describe(c.args) + " input " + ::testing::PrintToString(c.input.substr(0, 40)));
    const ProcessResult r = runWithInput(c.args, c.input);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
  }
}

}  // namespace
