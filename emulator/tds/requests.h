// What the server reads from a client's messages: the PRELOGIN options, the
// LOGIN7 record (user, password, database, packet size, TDS version) and the
// text of a SQL batch. Each reader checks every offset and length against the
// message and refuses what does not fit.
#ifndef HVEMU_TDS_REQUESTS_H
#define HVEMU_TDS_REQUESTS_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hvemu::tds {

// Reads the options of a PRELOGIN message: false when one does not lie
// within it. The server answers every client alike (no encryption), so
// nothing of them is kept.
bool readPrelogin(std::string_view payload);

// The server's PRELOGIN answer: its version, no encryption, no instance, no MARS.
std::string preloginAnswer();

// LOGIN7 fixed part: the fields before the variable data.
namespace login7 {
constexpr std::size_t kLength = 0;       // DWORD, the whole record
constexpr std::size_t kTdsVersion = 4;   // DWORD
constexpr std::size_t kPacketSize = 8;   // DWORD
constexpr std::size_t kOffsets = 36;     // offset/length pairs (USHORT each) from here
constexpr std::size_t kFixedSize71 = 86; // up to the attached database file (TDS 7.1)
// Order of the offset/length pairs.
enum Field { HostName, UserName, Password, AppName, ServerName, Extension, LibraryName, Language, Database };
constexpr std::size_t kClientIdSize = 6;  // between Database and the SSPI pair
}  // namespace login7

struct Login7 {
  std::uint32_t tdsVersion = 0;
  std::uint32_t packetSize = 0;
  std::string hostName;
  std::string userName;
  std::string password;
  std::string appName;
  std::string database;
};

// Reads a LOGIN7 record; texts as CP1252, the password decoded.
std::optional<Login7> readLogin7(std::string_view payload);

// A LOGIN7 password as the client scrambles it: each byte with its nibbles
// swapped, then XOR 0xA5. Decoding undoes both.
std::string scramblePassword(std::string_view utf16le);
std::string unscramblePassword(std::string_view scrambled);

// What follows the ALL_HEADERS block of a SQL batch or an RPC message: from
// TDS 7.2 on the message begins with that block (its DWORD length first,
// itself included); before, there is none. Nothing when the length does not
// fit the message.
std::optional<std::string_view> afterAllHeaders(std::string_view payload, std::uint32_t tdsVersion);

// The text of a SQL batch as CP1252: all that follows ALL_HEADERS.
std::optional<std::string> readSqlBatch(std::string_view payload, std::uint32_t tdsVersion);

}  // namespace hvemu::tds

#endif
