// The stand-in's TDS server as a client without a driver sees it: messages
// split over packets of any size and over any pieces, a client that leaves at
// any byte of its login or batch, attention at any point, simultaneous
// connections, SIGTERM; and each network fault switch doing what it says.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "support/odbc_sandbox.h"
#include "support/tds_client.h"
#include "support/tds_messages.h"
#include "support/tds_server.h"

namespace {

using namespace tdstest;

constexpr int kDoneCount = 0x10;
constexpr int kDoneError = 0x02;
constexpr int kDoneAttention = 0x20;
// How long a test waits for an answer that must not come.
constexpr int kSilenceMs = 300;

const std::string kInsert =
    "INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('TDS1', 1, 'K\xC3\xA4" "f\xE2\x82\xAC')";
const std::string kCount = "SELECT COUNT(*) FROM HvSystem.Hvs401Zls WHERE ZlsTrm = 'TDS1'";

// A database with the schema and the demo data, and a server on it.
class TdsServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    OdbcSandbox::Options o;
    o.scripts = {OdbcSandbox::sourcePath("sql/demo-data.sql")};
    db_ = std::make_unique<OdbcSandbox>(o);
  }

  void start(std::vector<std::string> switches = {}) {
    server_.reset();
    TdsServer::Options o;
    o.database = db_->databasePath();
    o.switches = std::move(switches);
    server_ = std::make_unique<TdsServer>(o);
    ASSERT_TRUE(server_->running());
  }

  // A client logged in (packets of `packetSize`).
  std::unique_ptr<TdsClient> client(std::uint32_t packetSize = 4096) {
    auto c = std::make_unique<TdsClient>(server_->port());
    const std::vector<TdsToken> t = c->login("hvimport", "Kant1ne-Pw", server_->databaseName(), packetSize);
    EXPECT_TRUE(!t.empty() && t.back().type == 0xFD && t.back().status == 0) << "login answer";
    return c;
  }

  long rowsOfTds1() { return std::stol(db_->query(kCount).at(0).at(0)); }

  std::unique_ptr<OdbcSandbox> db_;
  std::unique_ptr<TdsServer> server_;
};

const TdsToken* find(const std::vector<TdsToken>& tokens, int type) {
  for (const TdsToken& t : tokens) {
    if (t.type == type) return &t;
  }
  return nullptr;
}

TEST_F(TdsServerTest, LoginAnswerAndBatchesInPacketsOfAnySizeAndPieces) {
  start();
  for (const std::uint32_t size : {512u, 513u, 1000u, 4096u, 32767u, 65535u}) {
    SCOPED_TRACE("packet size " + std::to_string(size));
    TdsClient c(server_->port());
    const std::vector<TdsToken> login = c.login("hvimport", "Kant1ne-Pw", server_->databaseName(), size);
    std::vector<int> types;
    for (const TdsToken& t : login) types.push_back(t.type);
    EXPECT_EQ(types, (std::vector<int>{0xE3, 0xE3, 0xE3, 0xE3, 0xAB, 0xAB, 0xAD, 0xFD}));
    EXPECT_EQ(c.packetSize(), size > 32767 ? 32767u : size) << "ENVCHANGE packet size";
    // A batch of several packets, sent one byte at a time, and an answer of
    // several packets (every one checked against the agreed size).
    const std::string where(1500, ' ');
    const std::string wide(300, 'w');  // 17 rows of it: an answer of several packets at every size but 32767
    const std::string text =
        "SELECT TtaAps, TtaFcd, '" + wide + "' AS Wide FROM HvSystem.Hvs112Tta" + where + "ORDER BY TtaAps";
    const std::string bytes = packets(kSqlBatch, sqlBatch(text), c.packetSize());
    for (const char b : bytes) ASSERT_TRUE(c.send(std::string(1, b)));
    const std::optional<std::string> a = c.answer();
    ASSERT_TRUE(a);
    const std::vector<TdsToken> rows = scanTokens(*a);
    ASSERT_EQ(rows.size(), 1 + 17 + 1u);
    EXPECT_EQ(rows[1].row, (std::vector<std::string>{"0", "B01", wide}));
    EXPECT_EQ(rows.back().status, kDoneCount);
    EXPECT_EQ(rows.back().count, 17u);
  }
}

TEST_F(TdsServerTest, RowsOfEveryColumnTypeAndErrorsWithTheirNumbers) {
  start();
  auto c = client();
  const std::vector<TdsToken> insert = c->batch(kInsert);
  ASSERT_EQ(insert.size(), 1u);
  EXPECT_EQ(insert[0].status, kDoneCount);
  EXPECT_EQ(insert[0].count, 1u);
  // varchar bytes as stored (CP1252), smallint, int, NULL.
  const std::vector<TdsToken> q = c->batch("SELECT ZlsTrm, ZlsLes, ZlsKst FROM HvSystem.Hvs401Zls WHERE ZlsTrm = 'TDS1'");
  ASSERT_EQ(q.size(), 3u);
  EXPECT_EQ(q[1].row, (std::vector<std::string>{"TDS1", "1", "K\xE4" "f\x80"}));
  const std::vector<TdsToken> t = c->batch("SELECT TrmNam, TrmMnd, TrmSta FROM HvSystem.Hvs1140Trm WHERE TrmNam = 'BDE6251'");
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[1].row, (std::vector<std::string>{"BDE6251", "1", "1"}));

  // The duplicate: ERROR 2627, INFO 3621, DONE with the error bit.
  const std::vector<TdsToken> dup = c->batch(kInsert);
  ASSERT_EQ(dup.size(), 3u);
  EXPECT_EQ(dup[0].type, 0xAA);
  EXPECT_EQ(dup[0].number, 2627);
  EXPECT_EQ(dup[1].type, 0xAB);
  EXPECT_EQ(dup[1].number, 3621);
  EXPECT_EQ(dup[2].status, kDoneError);
  const std::vector<TdsToken> missing = c->batch("SELECT x FROM HvSystem.Nope");
  ASSERT_EQ(missing.size(), 2u);
  EXPECT_EQ(missing[0].number, 208);
}

TEST_F(TdsServerTest, AClientLeavingAtAnyByteOfItsLoginOrBatchLeavesTheServerServing) {
  start();
  const std::string stream = packets(kPrelogin, prelogin(), 4096) +
                             packets(kLogin7, login7Record({"hvimport", "Kant1ne-Pw", server_->databaseName()}), 4096) +
                             packets(kSqlBatch, sqlBatch(kInsert), 512);
  // Every length short of the whole, alternately with FIN and with RST.
  for (std::size_t n = 0; n < stream.size(); ++n) {
    TdsClient c(server_->port());
    ASSERT_TRUE(c.connected()) << n;
    ASSERT_TRUE(c.send(stream.substr(0, n))) << n;
    c.close(n % 2 == 1);
  }
  // The whole stream: the batch runs now and here only (a cut one never
  // ran, or this insert would meet its key).
  TdsClient whole(server_->port());
  ASSERT_TRUE(whole.send(stream.substr(0, stream.size() - 1)));
  ASSERT_TRUE(whole.answer()) << "PRELOGIN answer";
  ASSERT_TRUE(whole.answer()) << "login answer";
  ASSERT_TRUE(whole.send(stream.substr(stream.size() - 1)));
  const std::optional<std::string> a = whole.answer();
  ASSERT_TRUE(a);
  EXPECT_EQ(scanTokens(*a).back().count, 1u);
  EXPECT_EQ(rowsOfTds1(), 1);
  EXPECT_EQ(server_->stop(), 0) << "the server ends cleanly on SIGTERM";
}

TEST_F(TdsServerTest, AttentionIsAcknowledgedAtAnyPoint) {
  start();
  const std::string attention = packets(kAttention, "", 4096);
  // Idle after the login.
  auto idle = client();
  ASSERT_TRUE(idle->send(attention));
  std::optional<std::string> a = idle->answer();
  ASSERT_TRUE(a);
  ASSERT_EQ(scanTokens(*a).size(), 1u);
  EXPECT_EQ(scanTokens(*a)[0].status, kDoneAttention);

  // Right behind a batch: its answer, then the acknowledgement.
  auto behind = client();
  ASSERT_TRUE(behind->send(packets(kSqlBatch, sqlBatch(kCount), 4096) + attention));
  a = behind->answer();
  ASSERT_TRUE(a);
  EXPECT_EQ(scanTokens(*a).back().status, kDoneCount);
  a = behind->answer();
  ASSERT_TRUE(a);
  EXPECT_EQ(scanTokens(*a).back().status, kDoneAttention);

  // Inside a batch of two packets: the batch is given up, not run.
  auto inside = client(512);
  const std::string twoPackets = packets(kSqlBatch, sqlBatch(kInsert + std::string(300, ' ')), 512);
  ASSERT_GT(twoPackets.size(), 512u);
  ASSERT_TRUE(inside->send(twoPackets.substr(0, 512) + attention));
  a = inside->answer();
  ASSERT_TRUE(a);
  EXPECT_EQ(scanTokens(*a).back().status, kDoneAttention);
  EXPECT_EQ(rowsOfTds1(), 0);

  // Before the login there is nothing to cancel: no answer, and the login goes on.
  TdsClient early(server_->port());
  ASSERT_TRUE(early.send(attention));
  EXPECT_FALSE(early.answer(kSilenceMs));
  EXPECT_FALSE(early.login("hvimport", "Kant1ne-Pw", server_->databaseName()).empty());
}

TEST_F(TdsServerTest, SimultaneousConnectionsEachWithASessionOfItsOwn) {
  start();
  std::vector<std::unique_ptr<TdsClient>> clients;
  for (int i = 0; i < 4; ++i) clients.push_back(client());
  // Every client sends before any reads.
  for (std::size_t i = 0; i < clients.size(); ++i) {
    const std::string text = "INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('TDS1', " +
                             std::to_string(i + 10) + ", 'x')";
    ASSERT_TRUE(clients[i]->send(packets(kSqlBatch, sqlBatch(text), 4096)));
  }
  for (auto& c : clients) {
    const std::optional<std::string> a = c->answer();
    ASSERT_TRUE(a);
    EXPECT_EQ(scanTokens(*a).back().count, 1u);
  }
  EXPECT_EQ(rowsOfTds1(), 4);
  // SIGTERM with clients still connected: the server ends them and itself.
  EXPECT_EQ(server_->stop(), 0);
  for (auto& c : clients) EXPECT_EQ(c->ending(5000), TdsClient::Ending::Fin);
}

TEST_F(TdsServerTest, RefusedLoginsAnswerAsSqlServerAndClose) {
  start();
  const struct {
    const char* what;
    std::string password;
    std::string database;
    std::vector<long> numbers;
  } cases[] = {
      {"wrong password", "falsch", "", {18456}},
      {"unknown database", "Kant1ne-Pw", "nowhere", {4060, 18456}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    TdsClient c(server_->port());
    const std::vector<TdsToken> t =
        c.login("hvimport", k.password, k.database.empty() ? server_->databaseName() : k.database);
    std::vector<long> numbers;
    for (const TdsToken& e : t) {
      if (e.type == 0xAA) numbers.push_back(e.number);
    }
    EXPECT_EQ(numbers, k.numbers);
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(t.back().status, kDoneError);
    EXPECT_EQ(find(t, 0xAD), nullptr) << "no LOGINACK";
    EXPECT_EQ(c.ending(5000), TdsClient::Ending::Fin);
  }
}

// ---- network fault switches --------------------------------------------------

struct FaultCase {
  const char* option;
  TdsClient::Ending ending;
  bool executed;  // whether the batch at the position ran
};

TEST_F(TdsServerTest, CloseAndResetOnArrivalOrAfterExecutingWithoutAnswer) {
  const FaultCase cases[] = {
      {"--close-at", TdsClient::Ending::Fin, false},
      {"--reset-at", TdsClient::Ending::Reset, false},
      {"--close-after", TdsClient::Ending::Fin, true},
      {"--reset-after", TdsClient::Ending::Reset, true},
  };
  for (const FaultCase& k : cases) {
    SCOPED_TRACE(k.option);
    db_->execute("DELETE FROM HvSystem.Hvs401Zls WHERE ZlsTrm = 'TDS1'");
    // The second INSERT of a connection; SELECTs do not count.
    start({k.option, "2@insert"});
    auto c = client();
    EXPECT_EQ(c->batch(kCount).size(), 3u);
    EXPECT_EQ(c->batch("INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('TDS1', 7, 'x')").size(), 1u);
    EXPECT_EQ(c->batch(kCount).size(), 3u);
    ASSERT_TRUE(c->send(packets(kSqlBatch, sqlBatch(kInsert), 4096)));
    EXPECT_EQ(c->ending(5000), k.ending);
    EXPECT_EQ(rowsOfTds1(), k.executed ? 2 : 1);
    // A fault fires once: the next connection passes the same position.
    db_->execute("DELETE FROM HvSystem.Hvs401Zls WHERE ZlsTrm = 'TDS1'");
    auto again = client();
    EXPECT_EQ(again->batch("INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('TDS1', 7, 'x')").size(), 1u);
    EXPECT_EQ(again->batch(kInsert).size(), 1u);
  }
}

TEST_F(TdsServerTest, StallLeavesEverythingUnansweredAndDelayHoldsEveryAnswer) {
  start({"--stall-at", "2"});
  auto c = client();
  EXPECT_EQ(c->batch(kCount).size(), 3u);
  ASSERT_TRUE(c->send(packets(kSqlBatch, sqlBatch(kInsert), 4096)));
  EXPECT_FALSE(c->answer(kSilenceMs));
  ASSERT_TRUE(c->send(packets(kAttention, "", 4096)));
  EXPECT_FALSE(c->answer(kSilenceMs)) << "attention ignored";
  EXPECT_EQ(c->ending(0), TdsClient::Ending::StillOpen);
  EXPECT_EQ(rowsOfTds1(), 0) << "not executed";

  constexpr int kDelayMs = 200;
  start({"--delay", std::to_string(kDelayMs)});
  auto d = client();
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(d->batch(kCount).size(), 3u);
  EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(kDelayMs));
  // An attention within the delay cancels the batch: only the acknowledgement comes.
  ASSERT_TRUE(d->send(packets(kSqlBatch, sqlBatch(kInsert), 4096) + packets(kAttention, "", 4096)));
  const std::optional<std::string> a = d->answer();
  ASSERT_TRUE(a);
  ASSERT_EQ(scanTokens(*a).size(), 1u);
  EXPECT_EQ(scanTokens(*a)[0].status, kDoneAttention);
  EXPECT_EQ(rowsOfTds1(), 0);
}

TEST_F(TdsServerTest, InjectedFailureAndTraceOfTheServer) {
  const std::string trace = db_->file("server-trace.sql");
  start({"--trace", trace, "--fail-exec", "1@Hvs401Zls:547:23000"});
  auto c = client();
  EXPECT_EQ(c->batch(kCount).size(), 2u) << "the first batch naming the table fails";
  const std::vector<TdsToken> failed = c->batch(kCount);
  ASSERT_EQ(failed.size(), 3u);
  auto d = client();
  const std::vector<TdsToken> injected = d->batch(kCount);
  ASSERT_EQ(injected.size(), 2u) << "counted per connection";
  EXPECT_EQ(injected[0].number, 547);
  EXPECT_EQ(injected[0].text, "Injected failure");
  EXPECT_EQ(readFileBytes(trace), kCount + "\n" + kCount + "\n" + kCount + "\n");
}

}  // namespace
