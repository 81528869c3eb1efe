// The end-to-end tests through Debian's FreeTDS driver over TCP into the
// stand-in's TDS server: a second database behind the server and a FreeTDS
// data source for it, beside the first one behind the stand-in's own driver in
// the tool's process, and runs of the tool through either.
#ifndef HV_TESTS_E2E_FREETDS_SUPPORT_H
#define HV_TESTS_E2E_FREETDS_SUPPORT_H

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "support/tds_server.h"

namespace e2e {

inline constexpr const char* kFreeTds = "[FreeTDS][SQL Server]";
inline constexpr const char* kHvEmu = "[HvEmu][HvEmu SQL Server Driver][SQL Server]";

// How often `piece` stands in `text`.
inline int count(const std::string& text, const std::string& piece) {
  int n = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size()))
    ++n;
  return n;
}

struct Outcome {
  int status = -1;
  std::string out;
  std::string log;
  std::string statements;
};

// Two databases with the demo data: one behind the stand-in's own driver, one
// behind the TDS server and a FreeTDS data source; one suite root whose
// configuration names either.
class FreeTdsTest : public ImportTest {
 protected:
  void SetUp() override {
    ImportTest::SetUp();
    OdbcSandbox::Options options;
    options.scripts = {OdbcSandbox::sourcePath("sql/demo-data.sql")};
    served_ = std::make_unique<OdbcSandbox>(options);
  }

  // Starts (again) the server on the second database with `switches`, and a
  // FreeTDS data source of a new name for it.
  void serve(std::vector<std::string> switches = {}, int timeout = 10) {
    server_.reset();
    TdsServer::Options o;
    o.database = served_->databasePath();
    o.switches = {"--trace", serverTrace()};
    o.switches.insert(o.switches.end(), switches.begin(), switches.end());
    server_ = std::make_unique<TdsServer>(o);
    ASSERT_TRUE(server_->running());
    static int count = 0;
    freeTdsDsn_ = db_->dsn() + "_tds" + std::to_string(++count);
    server_->addDataSource(OdbcSandbox::odbcFolder(), freeTdsDsn_, timeout);
  }

  std::string serverTrace() const { return served_->file("server-trace.sql"); }
  std::string driverTrace() const { return db_->file("driver-trace.sql"); }

  // One run of the tool through the driver in process or through FreeTDS,
  // on an empty run log; the statements it sent (the trace of either).
  Outcome runVia(bool freeTds, const std::vector<std::string>& args,
                 const std::string& password = "Kant1ne-Pw") {
    EXPECT_EQ(suite_.writeIni("hvimport", password, "HvKantine", freeTds ? freeTdsDsn_ : db_->dsn()), "");
    clearLog();
    std::remove(driverTrace().c_str());
    std::remove(serverTrace().c_str());
    const ProcessResult r = run(args, freeTds ? EnvVars{} : EnvVars{{"HVEMU_TRACE", driverTrace()}});
    return Outcome{r.status, r.out, log(), readFileBytes(freeTds ? serverTrace() : driverTrace())};
  }

  // Both ways, with /D; the console alike but for the drivers' prefixes.
  void expectSameRun(const std::vector<std::string>& args) {
    SCOPED_TRACE(args[0]);
    const Outcome inProcess = runVia(false, args);
    Outcome overTds = runVia(true, args);
    for (std::size_t at; (at = overTds.out.find(kFreeTds)) != std::string::npos;) {
      overTds.out.replace(at, std::string(kFreeTds).size(), kHvEmu);
    }
    EXPECT_EQ(overTds.status, inProcess.status);
    EXPECT_EQ(overTds.out, inProcess.out);
    EXPECT_EQ(overTds.log, inProcess.log);
    EXPECT_EQ(overTds.statements, inProcess.statements);
    EXPECT_FALSE(inProcess.statements.empty());
  }

  std::unique_ptr<OdbcSandbox> served_;
  std::unique_ptr<TdsServer> server_;
  std::string freeTdsDsn_;
};

}  // namespace e2e

#endif  // HV_TESTS_E2E_FREETDS_SUPPORT_H
