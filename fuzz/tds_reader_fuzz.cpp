// The TDS server's reading of what any client sends: the bytes framed into
// messages (packet headers, end of message, the ignore bit, attention), then
// each message read as what its type says: PRELOGIN options, the LOGIN7
// record, a SQL batch's headers and text, an RPC call's parameters. The first
// input byte picks the TDS version (7.1 or 7.4) and where the bytes are cut
// in two pieces: the messages must not depend on the pieces.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "packets.h"
#include "requests.h"
#include "rpc.h"
#include "tds_wire.h"

using namespace hvemu::tds;

namespace {

constexpr std::size_t kMaxMessage = 1u << 16;

std::vector<Message> frame(std::string_view bytes, std::size_t cut, bool& broken) {
  MessageReader reader(kMaxMessage);
  std::vector<Message> messages;
  broken = !reader.feed(bytes.substr(0, cut));
  while (reader.hasMessage()) messages.push_back(reader.take());
  broken = !reader.feed(bytes.substr(cut)) || broken;
  while (reader.hasMessage()) messages.push_back(reader.take());
  FUZZ_CHECK(reader.broken() == broken, "broken once, broken for good");
  return messages;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint32_t version = (data[0] & 1) ? kTds74 : kTds71;
  const std::string_view bytes = inputText(data + 1, size - 1);
  const std::size_t cut = bytes.empty() ? 0 : (data[0] >> 1) % (bytes.size() + 1);

  bool broken = false;
  bool brokenWhole = false;
  const std::vector<Message> messages = frame(bytes, cut, broken);
  const std::vector<Message> whole = frame(bytes, bytes.size(), brokenWhole);
  FUZZ_CHECK(broken == brokenWhole, "the pieces do not change whether the framing breaks");
  FUZZ_CHECK(messages.size() == whole.size(), "the pieces do not change the messages");
  std::size_t payloads = 0;
  for (std::size_t i = 0; i < messages.size(); ++i) {
    const Message& m = messages[i];
    FUZZ_CHECK(m.type == whole[i].type && m.payload == whole[i].payload, "the same message in pieces");
    payloads += m.payload.size();
    switch (static_cast<MessageType>(m.type)) {
      case MessageType::Attention:
        FUZZ_CHECK(m.payload.empty(), "an attention carries nothing");
        break;
      case MessageType::Prelogin:
        readPrelogin(m.payload);
        break;
      case MessageType::Login7:
        if (const auto l = readLogin7(m.payload)) {
          // Fields may overlap; each lies in the record, two bytes a character.
          for (const std::string* text : {&l->hostName, &l->userName, &l->password, &l->appName, &l->database}) {
            FUZZ_CHECK(text->size() <= m.payload.size() / 2, "a LOGIN7 text lies in the record");
          }
        }
        break;
      case MessageType::SqlBatch:
        if (const auto text = readSqlBatch(m.payload, version)) {
          FUZZ_CHECK(text->size() <= m.payload.size() / 2, "the batch text lies in the message");
        }
        break;
      case MessageType::Rpc:
        if (const auto call = readRpc(m.payload, version)) {
          std::size_t texts = 0;
          for (const RpcParam& p : call->params) texts += p.text.size() + p.name.size();
          FUZZ_CHECK(texts <= m.payload.size(), "the parameters lie in the message");
        }
        break;
      default:
        break;
    }
  }
  FUZZ_CHECK(payloads <= bytes.size(), "no message holds more than came");
  return 0;
}
