#include "requests.h"

#include "cp1252.h"
#include "tds_wire.h"

namespace hvemu::tds {

namespace {

std::uint8_t swapNibbles(std::uint8_t b) { return static_cast<std::uint8_t>((b << 4) | (b >> 4)); }

}  // namespace

bool readPrelogin(std::string_view payload) {
  ByteReader options(payload);
  for (;;) {
    const std::uint8_t token = options.u8();
    if (!options.ok()) return false;
    if (token == prelogin::kTerminator) return true;
    const std::uint16_t offset = options.u16be();
    const std::uint16_t length = options.u16be();
    if (!options.ok() || static_cast<std::size_t>(offset) + length > payload.size()) return false;
  }
}

std::string preloginAnswer() {
  // Four options and the terminator, then their data.
  constexpr std::size_t kVersionSize = 6;
  constexpr std::size_t kDataStart = 4 * prelogin::kOptionSize + 1;
  std::string out;
  ByteWriter w(out);
  std::size_t at = kDataStart;
  const std::pair<std::uint8_t, std::size_t> options[] = {
      {prelogin::kVersion, kVersionSize}, {prelogin::kEncryption, 1}, {prelogin::kInstance, 1}, {prelogin::kMars, 1}};
  for (const auto& [token, size] : options) {
    w.u8(token);
    w.u16be(static_cast<std::uint32_t>(at));
    w.u16be(static_cast<std::uint32_t>(size));
    at += size;
  }
  w.u8(prelogin::kTerminator);
  w.u32be(kServerVersion);
  w.u16be(0);  // sub-build
  w.u8(prelogin::kEncryptNotSupported);
  w.u8(0);  // instance: the default one
  w.u8(0);  // MARS off
  return out;
}

std::string scramblePassword(std::string_view utf16le) {
  std::string out(utf16le);
  for (char& c : out) c = static_cast<char>(swapNibbles(static_cast<std::uint8_t>(c)) ^ 0xA5);
  return out;
}

std::string unscramblePassword(std::string_view scrambled) {
  std::string out(scrambled);
  for (char& c : out) c = static_cast<char>(swapNibbles(static_cast<std::uint8_t>(c) ^ 0xA5));
  return out;
}

std::optional<Login7> readLogin7(std::string_view payload) {
  ByteReader fixed(payload);
  const std::uint32_t length = fixed.u32le();
  Login7 l;
  l.tdsVersion = fixed.u32le();
  l.packetSize = fixed.u32le();
  if (!fixed.ok() || length > payload.size() || length < login7::kFixedSize71 || payload.size() < login7::kFixedSize71)
    return std::nullopt;
  const std::string_view record = payload.substr(0, length);
  // The UTF-16 text of one offset/length pair (length in characters).
  auto field = [&](login7::Field f, std::string* out) {
    ByteReader pair(record.substr(login7::kOffsets + 4 * static_cast<std::size_t>(f)));
    const std::uint16_t offset = pair.u16le();
    const std::size_t bytes = 2 * static_cast<std::size_t>(pair.u16le());
    if (!pair.ok() || offset + bytes > record.size()) return false;
    if (out) *out = std::string(record.substr(offset, bytes));
    return true;
  };
  std::string password;
  bool ok = field(login7::HostName, &l.hostName) && field(login7::UserName, &l.userName) &&
            field(login7::Password, &password) && field(login7::AppName, &l.appName) &&
            field(login7::ServerName, nullptr) && field(login7::LibraryName, nullptr) &&
            field(login7::Language, nullptr) && field(login7::Database, &l.database);
  if (!ok) return std::nullopt;
  l.hostName = cp1252FromUtf16(l.hostName);
  l.userName = cp1252FromUtf16(l.userName);
  l.password = cp1252FromUtf16(unscramblePassword(password));
  l.appName = cp1252FromUtf16(l.appName);
  l.database = cp1252FromUtf16(l.database);
  return l;
}

std::optional<std::string_view> afterAllHeaders(std::string_view payload, std::uint32_t tdsVersion) {
  if (tdsVersion < kTds72) return payload;
  ByteReader headers(payload);
  const std::uint32_t total = headers.u32le();
  if (!headers.ok() || total < 4 || total > payload.size()) return std::nullopt;
  return payload.substr(total);
}

std::optional<std::string> readSqlBatch(std::string_view payload, std::uint32_t tdsVersion) {
  const std::optional<std::string_view> text = afterAllHeaders(payload, tdsVersion);
  if (!text) return std::nullopt;
  return cp1252FromUtf16(*text);
}

}  // namespace hvemu::tds
