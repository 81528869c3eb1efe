// The config tool as administrators run it: its output read back through the
// configuration reader exactly as the import tool's connect step reads it.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "config/ini_reader.h"
#include "config/login.h"
#include "config/value_crypt.h"
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

TEST(HvcryptTest, DecryptPrintsWhatTheReaderDelivers) {
  struct Case {
    std::string hex;
    std::string expected;
    bool warns;
  };
  const std::string twoBlocks = encryptValue("Horavelle-DSN", kConfigKey);
  std::string lower = twoBlocks;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const Case cases[] = {
      {encryptValue("sa", kConfigKey), "sa", false},
      {twoBlocks, "Horavelle-DSN", false},
      {encryptValue("\xE4\xF6\xFC", kConfigKey), "\xE4\xF6\xFC", false},
      {twoBlocks.substr(0, 24), "", true},                   // partial block
      {lower, decodeIniValue(lower), true},                  // lower case
      {encryptValue(std::string(97, 'x'), kConfigKey), "", true},  // cut to 200
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("hex " + c.hex);
    const ProcessResult r = runProcess(kHvcrypt, {"decrypt", c.hex});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.expected + "\n");
    EXPECT_EQ(r.err.find("warning") != std::string::npos, c.warns) << r.err;
  }
}

TEST(HvcryptTest, IniFileReadsBackAsTheFourValues) {
  const Login cases[] = {
      {"sa", "geheim", "dbo", "Horavelle"},
      {"", "pw", "HvSystem", "dsn"},
      {"o'brien", "a\"b;c", "x", std::string(40, 'D')},
      {"M\xFCller", "\xE4\xF6\xFC\xDF", std::string(20, 's'), "DSN"},
      {"12345678", "1234567812345678", "sch", "DSN8CHAR"},
      {std::string(96, 'L'), std::string(96, 'P'), "", ""},
      {"--dsn", "--login", "a_1", "a;b;c"},
      {" blank ", "\t", "S_2", "ODBC DSN"},
  };
  const ScopedTempDir dir;
  const std::string path = dir.file("Horavelle.Ini");
  for (const Login& want : cases) {
    const std::vector<std::string> args = {"ini",     "--login",  want.user, "--password",
                                           want.password, "--schema", want.schema, "--dsn",
                                           want.dsn};
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
  }
}

TEST(HvcryptTest, BadUseShowsTheUsageAndExitsWithTwo) {
  const std::vector<std::string> cases[] = {
      {},
      {"encrypt"},
      {"encrypt", "a", "b"},
      {"decrypt"},
      {"Encrypt", "a"},
      {"frobnicate", "x"},
      {"ini"},
      {"ini", "--login", "a", "--password", "b", "--schema", "c"},
      {"ini", "--login", "a", "--password", "b", "--schema", "c", "--dsn"},
      {"ini", "--login", "a", "--password", "b", "--schema", "c", "--login", "d"},
      {"ini", "--login", "a", "--password", "b", "--schema", "c", "--user", "d"},
      {"ini", "--login", "a", "--password", "b", "--schema", "c", "--dsn", "d", "x"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(describe(args));
    const ProcessResult r = runProcess(kHvcrypt, args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("usage: hvcrypt"), std::string::npos) << r.err;
  }
}

TEST(HvcryptTest, RefusesValuesTheImportToolWouldNotTake) {
  struct Case {
    Login login;
    std::string message;
  };
  const Case cases[] = {
      {{"sa", "pw", "dbo", std::string(41, 'D')}, "data source name has 41 characters"},
      {{"sa", "pw", std::string(21, 's'), "dsn"}, "schema has 21 characters"},
      {{"sa", "pw", "my schema", "dsn"}, "schema 'my schema' is not a plain name"},
      {{"sa", "pw", "s.", "dsn"}, "schema 's.' is not a plain name"},
      {{"sa", "pw", "x'y", "dsn"}, "schema 'x'y' is not a plain name"},
      {{std::string(97, 'L'), "pw", "dbo", "dsn"}, "login has 97 characters"},
      {{"sa", std::string(97, 'P'), "dbo", "dsn"}, "password has 97 characters"},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> args = {"ini",          "--login",  c.login.user,
                                           "--password",   c.login.password, "--schema",
                                           c.login.schema, "--dsn",    c.login.dsn};
    SCOPED_TRACE(describe(args));
    const ProcessResult r = runProcess(kHvcrypt, args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

}  // namespace
