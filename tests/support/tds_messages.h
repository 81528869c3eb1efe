// Client messages of TDS 7.x as bytes, for tests that talk to the stand-in's
// server without a driver: PRELOGIN, LOGIN7 (with its scrambled password), a
// SQL batch with ALL_HEADERS, attention, and the packets that carry them.
// Written from the protocol's documented layouts, independently of the
// server's own code. Header-only: the emulator's unit tests use it too.
#ifndef HV_TESTS_SUPPORT_TDS_MESSAGES_H
#define HV_TESTS_SUPPORT_TDS_MESSAGES_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tdstest {

constexpr std::uint8_t kSqlBatch = 0x01;
constexpr std::uint8_t kAttention = 0x06;
constexpr std::uint8_t kLogin7 = 0x10;
constexpr std::uint8_t kPrelogin = 0x12;
constexpr std::uint32_t kVersion71 = 0x71000001;
constexpr std::uint32_t kVersion74 = 0x74000004;

inline std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (const int v : values) out += static_cast<char>(v);
  return out;
}

inline std::string le16(std::uint32_t v) { return bytes({static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF)}); }
inline std::string le32(std::uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }

// UTF-16LE of a UTF-8 text of the Basic Multilingual Plane.
inline std::string utf16(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    std::uint32_t code = c;
    std::size_t n = 1;
    if (c >= 0xE0) {
      code = ((c & 0x0F) << 12) | ((static_cast<unsigned char>(utf8[i + 1]) & 0x3F) << 6) |
             (static_cast<unsigned char>(utf8[i + 2]) & 0x3F);
      n = 3;
    } else if (c >= 0xC0) {
      code = ((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F);
      n = 2;
    }
    out += le16(code);
    i += n;
  }
  return out;
}

// ALL_HEADERS with the transaction descriptor header, as TDS 7.2 and later send it.
inline std::string allHeaders() {
  return le32(22) + le32(18) + le16(2) + std::string(8, '\0') + le32(1);
}

// A message cut into packets of at most `packetSize` bytes; the last one has
// the end-of-message bit.
inline std::string packets(std::uint8_t type, std::string_view payload, std::size_t packetSize) {
  const std::size_t room = packetSize - 8;
  std::string out;
  std::size_t at = 0;
  int id = 1;
  do {
    const std::size_t n = payload.size() - at < room ? payload.size() - at : room;
    const bool last = at + n == payload.size();
    const std::size_t length = 8 + n;
    out += bytes({type, last ? 1 : 0, static_cast<int>(length >> 8), static_cast<int>(length & 0xFF), 0, 0,
                  id++ & 0xFF, 0});
    out += payload.substr(at, n);
    at += n;
  } while (at < payload.size());
  return out;
}

// PRELOGIN with version, encryption off-but-possible (0x00), no instance, thread id, MARS off.
inline std::string prelogin() {
  std::string options;
  const std::size_t dataStart = 5 * 5 + 1;
  const std::pair<int, int> fields[] = {{0, 6}, {1, 1}, {2, 1}, {3, 4}, {4, 1}};
  std::size_t at = dataStart;
  for (const auto& [token, size] : fields) {
    options += bytes({token, static_cast<int>(at >> 8), static_cast<int>(at & 0xFF), 0, size});
    at += static_cast<std::size_t>(size);
  }
  options += bytes({0xFF});
  options += bytes({9, 0, 0, 0, 0, 0}) + bytes({0}) + bytes({0}) + le32(1234) + bytes({0});
  return options;
}

// A LOGIN7 record with its offset/length table and the scrambled password.
// Texts in UTF-8, as FreeTDS converts a client's CP1252 texts to UTF-16.
struct LoginFields {
  std::string user;
  std::string password;
  std::string database;
  std::uint32_t version = kVersion74;
  std::uint32_t packetSize = 4096;
};

inline std::string scrambled(std::string_view utf16le) {
  std::string out;
  for (const char c : utf16le) {
    const auto b = static_cast<unsigned char>(c);
    out += static_cast<char>((((b << 4) | (b >> 4)) & 0xFF) ^ 0xA5);
  }
  return out;
}

inline std::string login7Record(const LoginFields& f) {
  constexpr std::size_t kFixed = 94;
  const std::string texts[] = {utf16("testhost"), utf16(f.user), scrambled(utf16(f.password)),
                               utf16("tds_test"), utf16("127.0.0.1"), std::string(), utf16("tdstest"),
                               std::string(), utf16(f.database)};
  std::string table;
  std::string data;
  for (std::size_t i = 0; i < 9; ++i) {
    table += le16(static_cast<std::uint32_t>(kFixed + data.size())) + le16(static_cast<std::uint32_t>(texts[i].size() / 2));
    data += texts[i];
  }
  const std::uint32_t end = static_cast<std::uint32_t>(kFixed + data.size());
  std::string head = le32(static_cast<std::uint32_t>(kFixed + data.size())) + le32(f.version) + le32(f.packetSize) +
                     le32(7) + le32(4321) + le32(0) + bytes({0xE0, 0x03, 0x00, 0x00}) + le32(0) + le32(0x0409);
  // ClientID, SSPI, attach-file, change-password, SSPI long.
  const std::string tail = std::string(6, '\0') + le16(end) + le16(0) + le16(end) + le16(0) + le16(end) + le16(0) + le32(0);
  return head + table + tail + data;
}

// A SQL batch's payload: ALL_HEADERS (from 7.2 on) and the UTF-8 text in UTF-16LE.
inline std::string sqlBatch(std::string_view text, std::uint32_t version = kVersion74) {
  return (version >= 0x72000000 ? allHeaders() : std::string()) + utf16(text);
}

}  // namespace tdstest

#endif  // HV_TESTS_SUPPORT_TDS_MESSAGES_H
