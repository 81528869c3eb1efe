// The server's answers as SQL Server words them, token by token: the login
// answer, a refused login, the outcome of a batch (rows, counts, messages)
// and the acknowledgement of an attention. The sizes of some fields follow
// the client's TDS version (row counts, user types and line numbers grew in
// 7.2).
#ifndef HVEMU_TDS_ANSWERS_H
#define HVEMU_TDS_ANSWERS_H

#include <hvemu/engine.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "packets.h"

namespace hvemu::tds {

// The server's name in its messages.
constexpr std::string_view kServerName = "HVEMU";
// The product name of LOGINACK.
constexpr std::string_view kProductName = "HvEmu SQL Server";

// Writes tokens for a client of one TDS version.
class TokenWriter {
 public:
  TokenWriter(std::string& out, std::uint32_t tdsVersion) : out_(out), w_(out), version_(tdsVersion) {}

  void envChange(std::uint8_t type, std::string_view newValue, std::string_view oldValue);
  void collationChange();
  // INFO for a message of class 0 to 10, ERROR above.
  void message(const ServerError& e);
  void loginAck();
  // DONE, or with `token` DONEINPROC or DONEPROC.
  void done(std::uint16_t status, std::uint16_t curCmd, long long count, Token token = Token::Done);
  void returnStatus(std::int32_t status);
  // RETURNVALUE of an int output parameter (a prepared statement's handle).
  void returnValue(std::uint16_t ordinal, std::string_view name, std::int32_t value);
  void colMetadata(const std::vector<ResultColumn>& columns);
  // The current row of `rows`; false (nothing written) when a value cannot
  // be sent in its column's type.
  bool row(const std::vector<ResultColumn>& columns, const ResultSet& rows);

 private:
  std::string& out_;
  ByteWriter w_;
  std::uint32_t version_;
  bool wide() const { return version_ >= kTds72; }
  // The user type of a column or parameter: none, in the version's width.
  void userType();
  // A token whose USHORT length follows its type: `body` writes the rest.
  template <typename Body>
  void withLength(Token token, Body body) {
    w_.u8(static_cast<std::uint8_t>(token));
    const std::size_t length = w_.size();
    w_.u16le(0);
    body();
    w_.patchU16le(length, static_cast<std::uint32_t>(w_.size() - length - 2));
  }
};

// The TDS version the server speaks with a client that asks for `requested`:
// the same from 7.1 to 7.4, 7.4 for a newer one, 7.1 for an older one.
std::uint32_t agreedVersion(std::uint32_t requested);

// The packet size the server agrees to for the one a client asks for (0: the default).
std::uint32_t agreedPacketSize(std::uint32_t requested);

// The answer to an accepted login.
void writeLoginAnswer(std::string& out, std::uint32_t tdsVersion, std::string_view database,
                      std::uint32_t packetSize);
// The answer to a refused one: its messages and a DONE with the error bit.
void writeLoginRefusal(std::string& out, std::uint32_t tdsVersion, const ErrorList& errors);
// The outcome of one statement: for a query COLMETADATA, ROW per row and
// DONE with the count; otherwise the messages and DONE (with the count of
// rows written, if any; with the error bit on failure). Inside a remote
// procedure call DONEINPROC takes DONE's place. Rows are sent as the packets
// fill. False when sending failed.
bool writeStatementAnswer(Outbox& out, std::uint32_t tdsVersion, ExecResult& result, bool inProcedure);
// The end of a remote procedure call: its return status (on success), the
// handle of a prepared statement as output parameter `handleParam` (when it
// has one), and DONEPROC.
struct ProcedureEnd {
  bool ok = true;
  bool withHandle = false;
  std::int32_t handle = 0;
  std::string handleParam;
};
void writeProcedureEnd(std::string& out, std::uint32_t tdsVersion, const ProcedureEnd& end);
// The acknowledgement of an attention: DONE with the attention bit.
void writeAttentionAck(std::string& out, std::uint32_t tdsVersion);
// A request the server does not serve (bulk load, transaction manager, a
// procedure other than those of prepared statements): error 40000 naming it,
// and DONE (DONEPROC for a procedure) with the error bit.
void writeUnsupported(std::string& out, std::uint32_t tdsVersion, std::string_view request, Token done = Token::Done);

// DATETIME from the engine's text "yyyy-mm-dd hh:mi:ss.mmm": days since
// 1900-01-01 and 1/300 seconds since midnight. False when the text is not one.
bool dateTimeParts(std::string_view text, std::int32_t& days, std::uint32_t& ticks);

}  // namespace hvemu::tds

#endif
