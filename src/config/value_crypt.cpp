#include "config/value_crypt.h"

#include "config/blowfish.h"

namespace {

uint32_t loadLittleEndian(const unsigned char* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void storeLittleEndian(uint32_t word, unsigned char* bytes) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(word >> (8 * i));
}

unsigned char hexDigitValue(char c) {
  const auto code = static_cast<unsigned char>(c);
  return static_cast<unsigned char>(c >= 'A' && c <= 'F' ? code - 55 : code - 48);
}

// Owns one key schedule for the length of a single value and clears it on every
// way out.
class ScopedSchedule {
 public:
  explicit ScopedSchedule(std::string_view key) {
    blowfishInit(ctx_, reinterpret_cast<const unsigned char*>(key.data()), key.size());
  }
  ~ScopedSchedule() { blowfishClear(ctx_); }
  ScopedSchedule(const ScopedSchedule&) = delete;
  ScopedSchedule& operator=(const ScopedSchedule&) = delete;

  const BlowfishContext& get() const { return ctx_; }

 private:
  BlowfishContext ctx_;
};

}  // namespace

std::size_t hexToBytes(std::string_view text, std::size_t count, unsigned char* output) {
  std::size_t pairs = count / 2;
  if (pairs > text.size() / 2) pairs = text.size() / 2;
  for (std::size_t i = 0; i < pairs; ++i) {
    const unsigned high = hexDigitValue(text[2 * i]);
    const unsigned low = hexDigitValue(text[2 * i + 1]);
    output[i] = static_cast<unsigned char>(high * 16 + low);
  }
  return pairs;
}

void decryptValue(std::string_view ciphertext, std::string& output, std::string_view key) {
  output.clear();
  if (key.empty() || ciphertext.size() % kHexBlockLength != 0) return;
  const ScopedSchedule schedule(key);
  output.reserve(ciphertext.size() / 2);
  for (std::size_t pos = 0; pos < ciphertext.size(); pos += kHexBlockLength) {
    unsigned char block[kBlockBytes];
    hexToBytes(ciphertext.substr(pos, kHexBlockLength), kHexBlockLength, block);
    uint32_t left = loadLittleEndian(block);
    uint32_t right = loadLittleEndian(block + 4);
    blowfishDecryptBlock(schedule.get(), left, right);
    storeLittleEndian(left, block);
    storeLittleEndian(right, block + 4);
    output.append(reinterpret_cast<const char*>(block), kBlockBytes);
  }
}

std::string encryptValue(std::string_view plaintext, std::string_view key) {
  static const char kHexDigits[] = "0123456789ABCDEF";
  if (key.empty()) return std::string();
  const ScopedSchedule schedule(key);
  std::string hex;
  std::size_t pos = 0;
  do {
    unsigned char block[kBlockBytes] = {};
    for (std::size_t i = 0; i < kBlockBytes && pos + i < plaintext.size(); ++i) {
      block[i] = static_cast<unsigned char>(plaintext[pos + i]);
    }
    uint32_t left = loadLittleEndian(block);
    uint32_t right = loadLittleEndian(block + 4);
    blowfishEncryptBlock(schedule.get(), left, right);
    storeLittleEndian(left, block);
    storeLittleEndian(right, block + 4);
    for (unsigned char b : block) {
      hex += kHexDigits[b >> 4];
      hex += kHexDigits[b & 0x0F];
    }
    pos += kBlockBytes;
  } while (pos < plaintext.size());
  return hex;
}
