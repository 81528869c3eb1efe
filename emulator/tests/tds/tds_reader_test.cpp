// What the server reads: packets framed into messages whatever the pieces and
// packet sizes, attention and the ignore bit, broken framing; the LOGIN7
// record, its password, the SQL batch text and the RPC calls of prepared
// statements, each refused when cut short.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "packets.h"
#include "requests.h"
#include "rpc.h"
#include "support/tds_messages.h"

using namespace hvemu::tds;
using namespace tdstest;

namespace {

TEST(MessageReader, SameMessagesWhateverThePiecesAndPacketSizes) {
  const std::vector<Message> messages = {
      {0x12, std::string(47, 'p')},
      {0x10, std::string(230, 'l')},
      {0x01, std::string(3001, 'b')},
      {0x06, ""},
      {0x01, std::string(504, 'x')},  // exactly one packet of 512
      {0x03, std::string(505, 'y')},  // one byte into a second one
  };
  for (const std::size_t packetSize : {512u, 513u, 4096u, 32767u}) {
    std::string stream;
    for (const Message& m : messages) stream += packets(m.type, m.payload, packetSize);
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{511}, stream.size()}) {
      SCOPED_TRACE("packets of " + std::to_string(packetSize) + ", pieces of " + std::to_string(piece));
      MessageReader reader(1u << 20);
      std::vector<Message> got;
      for (std::size_t at = 0; at < stream.size(); at += piece) {
        ASSERT_TRUE(reader.feed(stream.substr(at, piece)));
        while (reader.hasMessage()) got.push_back(reader.take());
      }
      ASSERT_EQ(got.size(), messages.size());
      for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].type, messages[i].type) << i;
        EXPECT_EQ(got[i].payload, messages[i].payload) << i;
      }
      EXPECT_EQ(reader.pendingBytes(), 0u);
    }
  }
}

TEST(MessageReader, AttentionEndsAMessageTheClientGaveUpAndTheIgnoreBitDropsOne) {
  const std::string twoPackets = packets(0x01, std::string(1000, 'a'), 512);
  const std::string firstOnly = twoPackets.substr(0, 512);  // not the end of the message
  std::string ignored = packets(0x01, "dropped", 512);
  ignored[1] = static_cast<char>(kStatusEndOfMessage | kStatusIgnore);
  MessageReader reader(1u << 20);
  ASSERT_TRUE(reader.feed(firstOnly + packets(0x06, "", 512) + ignored + packets(0x01, "next", 512)));
  ASSERT_TRUE(reader.hasMessage());
  EXPECT_TRUE(reader.attentionWaiting());
  EXPECT_EQ(reader.take().type, 0x06);
  EXPECT_FALSE(reader.attentionWaiting());
  ASSERT_TRUE(reader.hasMessage());
  const Message next = reader.take();
  EXPECT_EQ(next.payload, "next");
  EXPECT_FALSE(reader.hasMessage());
}

TEST(MessageReader, BrokenFramingEndsTheReading) {
  std::string shortHeader = packets(0x01, "x", 512);
  shortHeader[3] = 7;  // a length shorter than the header
  std::string typeChange = packets(0x01, std::string(600, 'a'), 512).substr(0, 512) + packets(0x03, "b", 512);
  const struct {
    const char* what;
    std::string bytes;
    std::size_t maxMessage;
  } cases[] = {
      {"length below the header", shortHeader, 1u << 20},
      {"another type inside a message", typeChange, 1u << 20},
      {"a message longer than the limit", packets(0x01, std::string(2000, 'a'), 512), 1999},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MessageReader reader(c.maxMessage);
    EXPECT_FALSE(reader.feed(c.bytes));
    EXPECT_TRUE(reader.broken());
    EXPECT_FALSE(reader.feed(packets(0x01, "more", 512)));
    EXPECT_FALSE(reader.hasMessage());
  }
}

TEST(Login7, ReadsUserPasswordDatabaseVersionAndPacketSize) {
  const std::string record = login7Record({"hvimport", "Kant1ne-Pwä€", "hv", kTds74, 8192});
  const std::optional<Login7> l = readLogin7(record);
  ASSERT_TRUE(l);
  EXPECT_EQ(l->userName, "hvimport");
  EXPECT_EQ(l->password, "Kant1ne-Pw\xE4\x80");
  EXPECT_EQ(l->database, "hv");
  EXPECT_EQ(l->tdsVersion, kTds74);
  EXPECT_EQ(l->packetSize, 8192u);
  EXPECT_EQ(l->hostName, "testhost");
  EXPECT_EQ(l->appName, "tds_test");

  // Cut anywhere, the record is refused: its length field or a field's
  // offset points past the end.
  for (std::size_t n = 0; n < record.size(); ++n) {
    EXPECT_FALSE(readLogin7(record.substr(0, n))) << n;
  }
  std::string badOffset = record;
  badOffset[login7::kOffsets + 4 * login7::UserName] = static_cast<char>(0xF0);
  EXPECT_FALSE(readLogin7(badOffset));
}

TEST(Login7, PasswordBytesHaveTheirNibblesSwappedAndXor0xA5) {
  // 'a' (0x61 0x00 in UTF-16LE): 0x16 ^ 0xA5 = 0xB3, 0x00 ^ 0xA5 = 0xA5.
  EXPECT_EQ(scramblePassword(std::string("a\0", 2)), "\xB3\xA5");
  EXPECT_EQ(unscramblePassword("\xB3\xA5"), std::string("a\0", 2));
  std::string every;
  for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
  EXPECT_EQ(unscramblePassword(scramblePassword(every)), every);
}

TEST(SqlBatch, TextAfterAllHeadersFrom72OnAndWithoutBefore) {
  const std::string text = utf16("SELECT 'ä€'");
  const std::string headers = allHeaders();
  EXPECT_EQ(readSqlBatch(headers + text, kTds74), std::optional<std::string>("SELECT '\xE4\x80'"));
  EXPECT_EQ(readSqlBatch(text, kTds71), std::optional<std::string>("SELECT '\xE4\x80'"));
  std::string tooLong = headers + text;
  tooLong[0] = static_cast<char>(0xFF);  // ALL_HEADERS longer than the message
  EXPECT_FALSE(readSqlBatch(tooLong, kTds74));
  EXPECT_FALSE(readSqlBatch("\x02\x00", kTds74));
}

TEST(Rpc, ReadsThePrepexecFreeTdsSends) {
  // sp_prepexec by number: @handle int OUTPUT (NULL), @params ntext (NULL),
  // @stmt ntext, as FreeTDS 1.3 sends it for SQLPrepare + SQLExecute.
  const std::string statement = utf16("SELECT 1");
  std::string call = allHeaders() + bytes({0xFF, 0xFF, 0x0D, 0x00, 0x00, 0x00}) +
                     bytes({0x00, 0x01, 0x26, 0x04, 0x00}) +
                     bytes({0x00, 0x00, 0x63, 0, 0, 0, 0, 0x09, 0x04, 0xD0, 0x00, 0x34, 0xFF, 0xFF, 0xFF, 0xFF}) +
                     bytes({0x00, 0x00, 0x63}) + le32(static_cast<std::uint32_t>(statement.size())) +
                     bytes({0x09, 0x04, 0xD0, 0x00, 0x34}) + le32(static_cast<std::uint32_t>(statement.size())) +
                     statement;
  const std::optional<RpcCall> c = readRpc(call, kTds74);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->procedure, Procedure::PrepExec);
  ASSERT_EQ(c->params.size(), 3u);
  EXPECT_TRUE(c->params[0].output);
  EXPECT_TRUE(c->params[0].null);
  EXPECT_TRUE(c->params[1].null);
  EXPECT_EQ(c->params[2].text, "SELECT 1");
  for (std::size_t n = 0; n < call.size(); ++n) {
    // A call cut inside a parameter is refused; cut between two it is shorter.
    const std::optional<RpcCall> cut = readRpc(call.substr(0, n), kTds74);
    if (cut) {
      EXPECT_LT(cut->params.size(), 3u) << n;
    }
  }

  // sp_execute by name with its handle, and sp_unprepare by number.
  const std::string execute = allHeaders() + bytes({10, 0}) + utf16("SP_EXECUTE") + bytes({0, 0}) +
                              bytes({0x00, 0x00, 0x26, 0x04, 0x04}) + le32(7);
  const std::optional<RpcCall> e = readRpc(execute, kTds74);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->procedure, Procedure::Execute);
  ASSERT_EQ(e->params.size(), 1u);
  EXPECT_EQ(e->params[0].integer, 7);
  const std::optional<RpcCall> u =
      readRpc(bytes({0xFF, 0xFF, 0x0F, 0x00, 0, 0, 0x00, 0x00, 0x26, 0x02, 0x02, 0xFE, 0xFF}), kTds71);
  ASSERT_TRUE(u);
  EXPECT_EQ(u->procedure, Procedure::Unprepare);
  EXPECT_EQ(u->params[0].integer, -2) << "a small integer keeps its sign";
  // A parameter type the server does not read.
  EXPECT_FALSE(readRpc(bytes({0xFF, 0xFF, 0x0A, 0x00, 0, 0, 0x00, 0x00, 0x3E, 0, 0, 0, 0, 0, 0, 0, 0}), kTds71));
}

}  // namespace
