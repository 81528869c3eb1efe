// TdsClient: one TCP connection to a TDS server on 127.0.0.1 for tests that
// speak the protocol as bytes (support/tds_messages.h): whole answers read
// packet by packet, each packet checked against the size the login agreed;
// the way the server ends the connection (FIN or RST) told apart; and the
// tokens of an answer scanned for their types, message numbers and DONE
// status and counts.
#ifndef HV_TESTS_SUPPORT_TDS_CLIENT_H
#define HV_TESTS_SUPPORT_TDS_CLIENT_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct TdsToken {
  int type = 0;
  long number = 0;          // ERROR, INFO: the message number
  std::string text;         // ERROR, INFO: the message; ENVCHANGE: the new value
  int envType = 0;          // ENVCHANGE
  std::uint16_t status = 0; // DONE, DONEPROC, DONEINPROC
  std::uint64_t count = 0;  // DONE*: the row count
  std::vector<std::string> row;  // ROW: each value as text (NULL as "<NULL>")
};

// The tokens of an answer of a 7.2+ server (8-byte counts); a token it cannot
// read ends the list with a token of type -1.
std::vector<TdsToken> scanTokens(std::string_view answer);

class TdsClient {
 public:
  explicit TdsClient(int port);
  ~TdsClient();
  TdsClient(const TdsClient&) = delete;
  TdsClient& operator=(const TdsClient&) = delete;

  bool connected() const { return fd_ >= 0; }
  bool send(std::string_view bytes);
  // One whole answer (its payload), or nothing within `timeoutMs` (or when
  // the connection ended, or a packet broke the agreed size).
  std::optional<std::string> answer(int timeoutMs = 10000);
  // How the server ended the connection within `timeoutMs`.
  enum class Ending { Fin, Reset, StillOpen };
  Ending ending(int timeoutMs);
  // Closes the connection: an ordinary close (FIN), or with `reset` an RST.
  void close(bool reset = false);

  // PRELOGIN and LOGIN7 in packets of 4096; the login answer's tokens. The
  // packet size its ENVCHANGE agrees to becomes this client's.
  std::vector<TdsToken> login(const std::string& user, const std::string& password, const std::string& database,
                              std::uint32_t packetSize = 4096);
  // A SQL batch in packets of the agreed size; its answer's tokens.
  std::vector<TdsToken> batch(const std::string& utf8Text);
  std::size_t packetSize() const { return packetSize_; }

 private:
  int fd_ = -1;
  std::size_t packetSize_ = 4096;
  std::string pending_;  // received bytes not taken yet

  // Waits up to `timeoutMs` (looking at least once) for bytes and appends
  // them to pending_: their count, 0 at the server's FIN, -1 at a reset,
  // -2 when none came.
  long receive(int timeoutMs);
};

#endif  // HV_TESTS_SUPPORT_TDS_CLIENT_H
