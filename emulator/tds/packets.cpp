#include "packets.h"

namespace hvemu::tds {

bool MessageReader::feed(std::string_view bytes) {
  if (broken_) return false;
  input_ += bytes;
  std::size_t used = 0;
  while (input_.size() - used >= header::kSize) {
    const auto* h = reinterpret_cast<const unsigned char*>(input_.data() + used);
    const std::size_t length = (static_cast<std::size_t>(h[header::kLength]) << 8) | h[header::kLength + 1];
    if (length < header::kSize) {
      broken_ = true;
      break;
    }
    if (input_.size() - used < length) break;
    if (!takePacket(std::string_view(input_).substr(used, length))) {
      broken_ = true;
      break;
    }
    used += length;
  }
  input_.erase(0, used);
  if (broken_) input_.clear();
  return !broken_;
}

bool MessageReader::takePacket(std::string_view packet) {
  const auto type = static_cast<std::uint8_t>(packet[header::kType]);
  const auto status = static_cast<std::uint8_t>(packet[header::kStatus]);
  if (type == static_cast<std::uint8_t>(MessageType::Attention)) {
    partial_ = Message{};
    inMessage_ = false;
    ready_.push_back(Message{type, {}});
    return true;
  }
  if (inMessage_ && type != partial_.type) return false;
  if (!inMessage_) {
    partial_ = Message{type, {}};
    inMessage_ = true;
  }
  const std::string_view data = packet.substr(header::kSize);
  if (partial_.payload.size() + data.size() > maxMessage_) return false;
  partial_.payload += data;
  if (status & kStatusEndOfMessage) {
    inMessage_ = false;
    if (!(status & kStatusIgnore)) ready_.push_back(std::move(partial_));
    partial_ = Message{};
  }
  return true;
}

Message MessageReader::take() {
  Message m = std::move(ready_.front());
  ready_.pop_front();
  return m;
}

bool MessageReader::attentionWaiting() const {
  for (const Message& m : ready_) {
    if (m.type == static_cast<std::uint8_t>(MessageType::Attention)) return true;
  }
  return false;
}

Outbox::Outbox(Sink send, std::size_t packetSize, std::uint16_t spid)
    : send_(std::move(send)), dataPerPacket_(packetSize - header::kSize), spid_(spid) {}

bool Outbox::sendPacket(std::string_view data, bool last) {
  std::string packet;
  packet.reserve(header::kSize + data.size());
  ByteWriter w(packet);
  w.u8(static_cast<std::uint8_t>(MessageType::TabularResult));
  w.u8(last ? kStatusEndOfMessage : 0);
  w.u16be(static_cast<std::uint32_t>(header::kSize + data.size()));
  w.u16be(spid_);
  w.u8(packetId_++);
  w.u8(0);  // window
  w.bytes(data);
  return send_(packet);
}

bool Outbox::flushFull() {
  std::size_t sent = 0;
  bool ok = true;
  // A full packet goes only when more bytes follow it: the last one must
  // carry the end-of-message bit.
  while (ok && tokens_.size() - sent > dataPerPacket_) {
    ok = sendPacket(std::string_view(tokens_).substr(sent, dataPerPacket_), false);
    sent += dataPerPacket_;
  }
  tokens_.erase(0, sent);
  return ok;
}

bool Outbox::finish() {
  if (!flushFull()) return false;
  const bool ok = sendPacket(tokens_, true);
  tokens_.clear();
  return ok;
}

}  // namespace hvemu::tds
