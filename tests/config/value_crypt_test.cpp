// Decryption of configuration values: hex decoding, the little-endian block
// convention, whole-block handling and round trips through the encrypting
// counterpart of the config tool.
#include "config/value_crypt.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "config/blowfish.h"

namespace {

std::string hexOf(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0x0F];
  }
  return hex;
}

std::string decrypted(std::string_view hex) {
  std::string out;
  decryptValue(hex, out, kConfigKey);
  return out;
}

// The plaintext up to its first zero byte, as the configuration reader takes it.
std::string asText(const std::string& plain) { return std::string(plain.c_str()); }

TEST(HexToBytesTest, DecodesPairsByTheCharacterCodeRule) {
  struct Case {
    std::string text;
    std::size_t count;
    std::vector<unsigned> bytes;
  };
  const Case cases[] = {
      {"00", 2, {0x00}},
      {"FF", 2, {0xFF}},
      {"0A1B9C", 6, {0x0A, 0x1B, 0x9C}},
      {"ab", 2, {(49 * 16 + 50) % 256}},         // lower case: worth 49 and 50
      {"G0", 2, {(23 * 16) % 256}},              // "G" is worth 71 - 48
      {"  ", 2, {(240 * 16 + 240) % 256}},       // blank: 32 - 48 on 8 bits
      {"ABC", 3, {0xAB}},                        // an odd count is halved
      {"AB", 4, {0xAB}},                         // nothing past the text
      {"1234", 2, {0x12}},                       // only count characters
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("text \"" + c.text + "\" count " + std::to_string(c.count));
    unsigned char out[8] = {0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55};
    ASSERT_EQ(hexToBytes(c.text, c.count, out), c.bytes.size());
    for (std::size_t i = 0; i < c.bytes.size(); ++i) EXPECT_EQ(out[i], c.bytes[i]) << "byte " << i;
    EXPECT_EQ(out[c.bytes.size()], 0x55) << "written past the decoded bytes";
  }
}

TEST(DecryptValueTest, BlockHalvesAreLittleEndianWords) {
  // "ABCDEFGH" encrypted by hand: bytes 0..3 and 4..7, first byte least significant.
  BlowfishContext ctx;
  blowfishInit(ctx, reinterpret_cast<const unsigned char*>(kConfigKey.data()), kConfigKey.size());
  uint32_t left = 0x44434241u;
  uint32_t right = 0x48474645u;
  blowfishEncryptBlock(ctx, left, right);
  std::string bytes;
  for (uint32_t w : {left, right}) {
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((w >> (8 * i)) & 0xFF);
  }
  EXPECT_EQ(decrypted(hexOf(bytes)), "ABCDEFGH");
  EXPECT_EQ(encryptValue("ABCDEFGH", kConfigKey), hexOf(bytes));

  // The same block with big-endian words, as the published vectors take it.
  std::string bigEndian;
  for (uint32_t w : {left, right}) {
    for (int i = 3; i >= 0; --i) bigEndian += static_cast<char>((w >> (8 * i)) & 0xFF);
  }
  EXPECT_NE(decrypted(hexOf(bigEndian)), "ABCDEFGH");
}

TEST(DecryptValueTest, RoundTripsThroughTheEncryptingCounterpart) {
  const std::string texts[] = {
      "",  "a", "sa", "1234567", "12345678", "123456789", "123456789ABCDEF0", "M\xFCller",
      "Pa\xDF;w\"rt 'x'", "  blanks  ", std::string(96, 'Z'), "\r\n\t\x1A\xFF",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE("text \"" + text + "\" length " + std::to_string(text.size()));
    const std::string hex = encryptValue(text, kConfigKey);
    const std::size_t blocks = text.empty() ? 1 : (text.size() + 7) / 8;
    ASSERT_EQ(hex.size(), blocks * kHexBlockLength);
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos) << hex;

    const std::string plain = decrypted(hex);
    ASSERT_EQ(plain.size(), blocks * kBlockBytes);
    EXPECT_EQ(plain.substr(0, text.size()), text);
    EXPECT_EQ(plain.find_first_not_of('\0', text.size()), std::string::npos) << "filler not zero";
    EXPECT_EQ(asText(plain), text);
  }
}

TEST(DecryptValueTest, EmptyCiphertextGivesOnlyTheTerminator) {
  std::string out = "left over";
  decryptValue("", out, kConfigKey);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(out.c_str()[0], '\0');
}

TEST(DecryptValueTest, OneGroupGivesEightBytesAndTheTerminator) {
  const std::string out = decrypted("0123456789ABCDEF");
  ASSERT_EQ(out.size(), 8u);
  EXPECT_EQ(out.c_str()[8], '\0');
}

TEST(DecryptValueTest, CiphertextOfPartialBlocksReadsAsEmpty) {
  const std::string whole = encryptValue("Horavelle-DSN", kConfigKey);  // two blocks
  for (std::size_t length : {1u, 2u, 8u, 15u, 17u, 24u, 31u}) {
    SCOPED_TRACE("length " + std::to_string(length));
    EXPECT_TRUE(decrypted(whole.substr(0, length)).empty());
  }
  EXPECT_EQ(asText(decrypted(whole)), "Horavelle-DSN");
}

TEST(DecryptValueTest, LowerCaseHexDecryptsWrongWithoutError) {
  for (const std::string text : {"sa", "Horavelle", "ABCDEFGH"}) {
    SCOPED_TRACE(text);
    std::string hex = encryptValue(text, kConfigKey);
    ASSERT_NE(hex.find_first_of("ABCDEF"), std::string::npos) << "no letter to lower: " << hex;
    for (char& c : hex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string plain = decrypted(hex);
    EXPECT_EQ(plain.size(), hex.size() / 2);
    EXPECT_NE(asText(plain), text);
  }
}

TEST(DecryptValueTest, EqualGroupsGiveEqualBlocks) {
  const std::string group = encryptValue("Schicht1", kConfigKey);
  const std::string plain = decrypted(group + encryptValue("x", kConfigKey) + group);
  ASSERT_EQ(plain.size(), 24u);
  EXPECT_EQ(plain.substr(0, 8), "Schicht1");
  EXPECT_EQ(plain.substr(16, 8), "Schicht1");
  EXPECT_EQ(plain.substr(8, 8), std::string("x") + std::string(7, '\0'));
}

TEST(DecryptValueTest, OtherKeyGivesOtherPlaintext) {
  const std::string hex = encryptValue("Horavelle", kConfigKey);
  std::string out;
  decryptValue(hex, out, "KARVOLU");
  EXPECT_NE(asText(out), "Horavelle");
  decryptValue(hex, out, "");
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(encryptValue("Horavelle", ""), "");
}

}  // namespace
