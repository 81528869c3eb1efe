// The byte layouts of TDS 7.1 to 7.4 that the server reads and writes, by
// name: the packet header, the message types, the tokens of a response, the
// data types of result columns, and bounds-checked readers and writers of
// little- and big-endian numbers.
#ifndef HVEMU_TDS_WIRE_H
#define HVEMU_TDS_WIRE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace hvemu::tds {

// ---- Packet header: 8 bytes before every packet's data ---------------------
namespace header {
constexpr std::size_t kType = 0;      // BYTE, the message type
constexpr std::size_t kStatus = 1;    // BYTE, status bits
constexpr std::size_t kLength = 2;    // USHORT big-endian, header included
constexpr std::size_t kSpid = 4;      // USHORT big-endian, the server's process id
constexpr std::size_t kPacketId = 6;  // BYTE, counts packets modulo 256
constexpr std::size_t kWindow = 7;    // BYTE, unused (0)
constexpr std::size_t kSize = 8;
}  // namespace header

// Status bits of a packet.
constexpr std::uint8_t kStatusEndOfMessage = 0x01;
constexpr std::uint8_t kStatusIgnore = 0x02;  // the client drops the message it was sending

// Message types (the header's first byte).
enum class MessageType : std::uint8_t {
  SqlBatch = 0x01,
  Rpc = 0x03,
  TabularResult = 0x04,  // every answer of the server
  Attention = 0x06,
  BulkLoad = 0x07,
  TransactionManager = 0x0E,
  Login7 = 0x10,
  Sspi = 0x11,
  Prelogin = 0x12,
};

// Packet sizes: the one before the login, and the bounds of a negotiated one.
constexpr std::uint32_t kInitialPacketSize = 4096;
constexpr std::uint32_t kMinPacketSize = 512;
constexpr std::uint32_t kMaxPacketSize = 32767;

// TDS versions as LOGIN7 and LOGINACK give them.
constexpr std::uint32_t kTds71 = 0x71000001;
constexpr std::uint32_t kTds72 = 0x72090002;
constexpr std::uint32_t kTds73A = 0x730A0003;
constexpr std::uint32_t kTds73B = 0x730B0003;
constexpr std::uint32_t kTds74 = 0x74000004;

// The server's version in its PRELOGIN answer and LOGINACK: 16.0.1000.
constexpr std::uint32_t kServerVersion = 0x100003E8;

// ---- PRELOGIN options ------------------------------------------------------
namespace prelogin {
constexpr std::uint8_t kVersion = 0x00;     // UL_VERSION big-endian + US_SUBBUILD
constexpr std::uint8_t kEncryption = 0x01;  // BYTE
constexpr std::uint8_t kInstance = 0x02;    // zero-terminated name
constexpr std::uint8_t kThreadId = 0x03;    // ULONG
constexpr std::uint8_t kMars = 0x04;        // BYTE
constexpr std::uint8_t kTerminator = 0xFF;
constexpr std::size_t kOptionSize = 5;      // token BYTE, offset USHORT BE, length USHORT BE
constexpr std::uint8_t kEncryptNotSupported = 0x02;
}  // namespace prelogin

// ---- Tokens of a tabular result --------------------------------------------
enum class Token : std::uint8_t {
  ReturnStatus = 0x79,
  ColMetadata = 0x81,
  Error = 0xAA,
  Info = 0xAB,
  ReturnValue = 0xAC,
  LoginAck = 0xAD,
  Row = 0xD1,
  EnvChange = 0xE3,
  Done = 0xFD,
  DoneProc = 0xFE,   // the end of a remote procedure call
  DoneInProc = 0xFF, // a statement's end inside one
};

// DONE status bits.
constexpr std::uint16_t kDoneFinal = 0x0000;
constexpr std::uint16_t kDoneMore = 0x0001;
constexpr std::uint16_t kDoneError = 0x0002;
constexpr std::uint16_t kDoneCount = 0x0010;
constexpr std::uint16_t kDoneAttention = 0x0020;

// DONE CurCmd: the statement's token as SQL Server gives it.
constexpr std::uint16_t kCurCmdNone = 0x0000;
constexpr std::uint16_t kCurCmdSelect = 0x00C1;
constexpr std::uint16_t kCurCmdInsert = 0x00C3;
constexpr std::uint16_t kCurCmdDelete = 0x00C4;

// ENVCHANGE types.
constexpr std::uint8_t kEnvDatabase = 1;
constexpr std::uint8_t kEnvLanguage = 2;
constexpr std::uint8_t kEnvPacketSize = 4;
constexpr std::uint8_t kEnvCollation = 7;

// LOGINACK interface: T-SQL.
constexpr std::uint8_t kInterfaceTsql = 1;

// Data types of result columns.
constexpr std::uint8_t kTypeIntN = 0x26;       // length BYTE 1, 2, 4 or 8
constexpr std::uint8_t kTypeDateTimeN = 0x6F;  // length BYTE 8
constexpr std::uint8_t kTypeBigVarChar = 0xA7; // max length USHORT, collation
constexpr std::uint8_t kTypeBigChar = 0xAF;
constexpr std::uint16_t kNullTextLength = 0xFFFF;  // a NULL value of a text column

// Column flags of COLMETADATA.
constexpr std::uint16_t kColumnNullable = 0x0001;
constexpr std::uint16_t kColumnUpdatableUnknown = 0x0008;

// A collation on the wire: LCID and comparison flags (4 bytes), sort id (1).
constexpr std::size_t kCollationSize = 5;
// The collation of Latin1_General_CI_AS: LCID 0x0409 with its comparison
// flags, sort id 52. Texts in columns of this collation are CP1252 bytes.
constexpr std::string_view kCollationLatin1{"\x09\x04\xD0\x00\x34", kCollationSize};

// Days from 1900-01-01 and 1/300 seconds: the two halves of a DATETIME.
constexpr long kDateTimeTicksPerSecond = 300;

// ---- Byte access -----------------------------------------------------------

// A bounds-checked reading position in a message. Every read past the end
// marks the reader as failed and gives 0 (or an empty text).
class ByteReader {
 public:
  explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}
  std::uint8_t u8();
  std::uint16_t u16le();
  std::uint16_t u16be();
  std::uint32_t u32le();
  std::string_view bytes(std::size_t n);
  void skip(std::size_t n) { bytes(n); }
  std::size_t remaining() const { return bytes_.size() - pos_; }
  bool ok() const { return ok_; }

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

// Appends numbers and texts to a byte string.
class ByteWriter {
 public:
  explicit ByteWriter(std::string& out) : out_(out) {}
  void u8(std::uint32_t v) { out_ += static_cast<char>(v & 0xFF); }
  void u16le(std::uint32_t v);
  void u16be(std::uint32_t v);
  void u32le(std::uint32_t v);
  void u32be(std::uint32_t v);
  void u64le(std::uint64_t v);
  void bytes(std::string_view b) { out_ += b; }
  // A CP1252 text as UTF-16LE.
  void utf16(std::string_view cp1252);
  // B_VARCHAR: character count BYTE, then UTF-16LE (at most 255 characters).
  void bVarChar(std::string_view cp1252);
  // US_VARCHAR: character count USHORT, then UTF-16LE.
  void usVarChar(std::string_view cp1252);
  // Overwrites a USHORT little-endian at `at`, written before as a place holder.
  void patchU16le(std::size_t at, std::uint32_t v);
  std::size_t size() const { return out_.size(); }

 private:
  std::string& out_;
};

}  // namespace hvemu::tds

#endif  // HVEMU_TDS_WIRE_H
