// Packets: the reader that frames what a client sends into messages, and the
// outbox that cuts the server's answer into packets of the negotiated size.
// Neither touches a socket.
#ifndef HVEMU_TDS_PACKETS_H
#define HVEMU_TDS_PACKETS_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "tds_wire.h"

namespace hvemu::tds {

// One client message as its packets delivered it (payload without headers).
// An attention is a message of its own, without payload.
struct Message {
  std::uint8_t type = 0;
  std::string payload;
};

// Frames a client's bytes into messages. Bytes may come in any pieces; a
// message may span any number of packets of any size. A message whose last
// packet has the ignore bit is dropped. An attention ends a message that was
// incomplete (the client gave it up) and is handed on after the messages
// before it.
class MessageReader {
 public:
  // `maxMessage`: the largest payload taken; a longer message breaks the framing.
  explicit MessageReader(std::size_t maxMessage) : maxMessage_(maxMessage) {}

  // Takes the next bytes; false once the framing is broken (a packet shorter
  // than its header, a message too long, a packet of another type inside a
  // message). Nothing more is taken after that.
  bool feed(std::string_view bytes);
  bool hasMessage() const { return !ready_.empty(); }
  Message take();  // the oldest complete message; hasMessage() must be true
  // Whether an attention is among the complete messages not taken yet.
  bool attentionWaiting() const;
  // Bytes taken that are not part of a complete message yet.
  std::size_t pendingBytes() const { return input_.size() + partial_.payload.size(); }
  bool broken() const { return broken_; }

 private:
  std::size_t maxMessage_;
  std::string input_;  // bytes of packets not complete yet
  Message partial_;    // the message its packets are building
  bool inMessage_ = false;
  std::deque<Message> ready_;
  bool broken_ = false;

  bool takePacket(std::string_view packet);
};

// Cuts one answer into packets of at most `packetSize` bytes (header
// included) and hands them to `send` as they fill; the last one carries the
// end-of-message bit.
class Outbox {
 public:
  using Sink = std::function<bool(std::string_view)>;
  Outbox(Sink send, std::size_t packetSize, std::uint16_t spid);

  // The token bytes of the answer are appended here.
  std::string& tokens() { return tokens_; }
  // Sends every packet the tokens fill so far; false when sending failed.
  bool flushFull();
  // Sends the rest as the answer's last packet; false when sending failed.
  bool finish();

 private:
  Sink send_;
  std::size_t dataPerPacket_;
  std::uint16_t spid_;
  std::uint8_t packetId_ = 1;
  std::string tokens_;

  bool sendPacket(std::string_view data, bool last);
};

}  // namespace hvemu::tds

#endif
