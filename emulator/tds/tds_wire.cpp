#include "tds_wire.h"

#include "cp1252.h"

namespace hvemu::tds {

std::uint8_t ByteReader::u8() {
  const std::string_view b = bytes(1);
  return b.empty() ? 0 : static_cast<std::uint8_t>(b[0]);
}

std::uint16_t ByteReader::u16le() {
  const std::string_view b = bytes(2);
  if (b.size() < 2) return 0;
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[0]) | (static_cast<unsigned char>(b[1]) << 8));
}

std::uint16_t ByteReader::u16be() {
  const std::string_view b = bytes(2);
  if (b.size() < 2) return 0;
  return static_cast<std::uint16_t>((static_cast<unsigned char>(b[0]) << 8) | static_cast<unsigned char>(b[1]));
}

std::uint32_t ByteReader::u32le() {
  const std::string_view b = bytes(4);
  if (b.size() < 4) return 0;
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[static_cast<std::size_t>(i)]);
  return v;
}

std::string_view ByteReader::bytes(std::size_t n) {
  if (!ok_ || n > remaining()) {
    ok_ = false;
    pos_ = bytes_.size();
    return {};
  }
  const std::string_view b = bytes_.substr(pos_, n);
  pos_ += n;
  return b;
}

void ByteWriter::u16le(std::uint32_t v) {
  u8(v);
  u8(v >> 8);
}

void ByteWriter::u16be(std::uint32_t v) {
  u8(v >> 8);
  u8(v);
}

void ByteWriter::u32le(std::uint32_t v) {
  u16le(v & 0xFFFF);
  u16le(v >> 16);
}

void ByteWriter::u32be(std::uint32_t v) {
  u16be(v >> 16);
  u16be(v & 0xFFFF);
}

void ByteWriter::u64le(std::uint64_t v) {
  u32le(static_cast<std::uint32_t>(v & 0xFFFFFFFFu));
  u32le(static_cast<std::uint32_t>(v >> 32));
}

void ByteWriter::utf16(std::string_view cp1252) {
  for (const char c : cp1252) u16le(unicodeOf(static_cast<unsigned char>(c)));
}

void ByteWriter::bVarChar(std::string_view cp1252) {
  const std::string_view text = cp1252.substr(0, 255);
  u8(static_cast<std::uint32_t>(text.size()));
  utf16(text);
}

void ByteWriter::usVarChar(std::string_view cp1252) {
  const std::string_view text = cp1252.substr(0, 0xFFFF);
  u16le(static_cast<std::uint32_t>(text.size()));
  utf16(text);
}

void ByteWriter::patchU16le(std::size_t at, std::uint32_t v) {
  out_[at] = static_cast<char>(v & 0xFF);
  out_[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

}  // namespace hvemu::tds
