// Shared pieces of the end-to-end tests: a suite root with a configuration for
// a fresh emulator database holding the demo master data, and runs of the
// built Stempelzug in it (the expected run-log bytes: support/log_bytes.h).
#ifndef HV_TESTS_E2E_E2E_SUPPORT_H
#define HV_TESTS_E2E_E2E_SUPPORT_H

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/log_bytes.h"
#include "support/odbc_sandbox.h"
#include "support/suite_root.h"
#include "support/temp_dir.h"

namespace e2e {

// The bytes and modification time of a file, to show that a run left it alone.
struct FileState {
  bool exists = false;
  std::string bytes;
  long long mtimeNs = 0;

  static FileState of(const std::string& path) {
    FileState s;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return s;
    s.exists = true;
    if (S_ISREG(st.st_mode)) s.bytes = readFileBytes(path);  // reading a FIFO would block
    s.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return s;
  }
  bool operator==(const FileState& o) const {
    return exists == o.exists && bytes == o.bytes && mtimeNs == o.mtimeNs;
  }
};

// A source file shipped in samples/, its bytes.
inline std::string sample(const std::string& name) {
  return readFileBytes(OdbcSandbox::sourcePath("samples/" + name));
}

// One test's world: an emulator database with schema and demo master data, a
// suite root whose configuration names it, and the source files of the test.
class ImportTest : public ::testing::Test {
 protected:
  static constexpr const char* kTerminal = "BDE6251";

  void SetUp() override {
    OdbcSandbox::Options options;
    options.scripts = {OdbcSandbox::sourcePath("sql/demo-data.sql")};
    db_ = std::make_unique<OdbcSandbox>(options);
    ASSERT_EQ(suite_.writeIni(options.user, options.password, options.schema, db_->dsn()), "");
    suite_.runEnv().push_back({"ODBCSYSINI", OdbcSandbox::odbcFolder()});
  }

  // Writes a source file into the suite root; returns its path.
  std::string source(const std::string& name, const std::string& bytes) {
    const std::string path = suite_.path(name);
    writeFileBytes(path, bytes);
    return path;
  }

  // Runs the tool and checks that the source file (args[0]) is unchanged.
  ProcessResult run(const std::vector<std::string>& args, const EnvVars& env = {}) {
    const FileState before = args.empty() ? FileState() : FileState::of(args[0]);
    ProcessResult r = suite_.runImport(args, env);
    EXPECT_EQ(r.signal, 0) << "the tool was killed; stderr: " << r.err;
    if (!args.empty()) {
      EXPECT_TRUE(FileState::of(args[0]) == before) << "the source file " << args[0] << " was changed";
    }
    return r;
  }

  std::string log() const { return maskTimeStamps(suite_.runLog()); }
  void clearLog() { std::remove(suite_.logPath().c_str()); }

  // The rows of the booking table (of the test's database or of `db`),
  // columns in a fixed order, sorted.
  std::vector<OdbcSandbox::Row> bookings() { return bookings(*db_); }
  static std::vector<OdbcSandbox::Row> bookings(OdbcSandbox& db) {
    return db.query(
        "SELECT BewTID, BewLID, BewIDN, BewSto, BewKst, BewDtm, BewUhr, BewLfn, BewArt, BewTas, BewEra, "
        "BewKze, BewBer, BewErq, BewSta, BewQua, BewSrc, BewRes, BewSch FROM HvSystem.Hvs321BEW "
        "ORDER BY BewUhr, BewIDN, BewLfn");
  }
  std::vector<OdbcSandbox::Row> canteen() { return canteen(*db_); }
  static std::vector<OdbcSandbox::Row> canteen(OdbcSandbox& db) {
    return db.query(
        "SELECT KanPor, KanFcd, KanDtm, KanUhr, KanMsk, KanAwn, KanDat FROM HvKantine.Hvs321Kan "
        "ORDER BY KanDtm, KanUhr, KanAwn");
  }

  SuiteRoot suite_;
  std::unique_ptr<OdbcSandbox> db_;
};

}  // namespace e2e

#endif  // HV_TESTS_E2E_E2E_SUPPORT_H
