// The cipher core against the published Blowfish ECB test vectors, whose keys
// and blocks are written as big-endian hex: the words go straight to the block
// functions.
#include "config/blowfish.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Vector {
  const char* key;
  const char* plain;
  const char* cipher;
};

// Eric Young's ECB set.
const Vector kVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
    {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
    {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
    {"0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},
    {"0170F175468FB5E6", "0756D8E0774761D2", "432193B78951FC98"},
    {"43297FAD38E373FE", "762514B829BF486A", "13F04154D69D1AE5"},
    {"07A7137045DA2A16", "3BDD119049372802", "2EEDDA93FFD39C79"},
    {"04689104C2FD3B2F", "26955F6835AF609A", "D887E0393C2DA6E3"},
};

uint32_t hexWord(const char* hex) { return static_cast<uint32_t>(std::stoul(std::string(hex, 8), nullptr, 16)); }

std::vector<unsigned char> hexKey(const char* hex) {
  std::vector<unsigned char> key;
  for (std::size_t i = 0; hex[i] != '\0'; i += 2) {
    key.push_back(static_cast<unsigned char>(std::stoul(std::string(hex + i, 2), nullptr, 16)));
  }
  return key;
}

BlowfishContext scheduleFor(const std::string& key) {
  BlowfishContext ctx;
  blowfishInit(ctx, reinterpret_cast<const unsigned char*>(key.data()), key.size());
  return ctx;
}

bool sameSchedule(const BlowfishContext& a, const BlowfishContext& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(BlowfishTest, EncryptsAndDecryptsThePublishedVectors) {
  for (const Vector& v : kVectors) {
    SCOPED_TRACE(std::string("key ") + v.key + " plain " + v.plain);
    const std::vector<unsigned char> key = hexKey(v.key);
    BlowfishContext ctx;
    blowfishInit(ctx, key.data(), key.size());

    uint32_t left = hexWord(v.plain);
    uint32_t right = hexWord(v.plain + 8);
    blowfishEncryptBlock(ctx, left, right);
    EXPECT_EQ(left, hexWord(v.cipher));
    EXPECT_EQ(right, hexWord(v.cipher + 8));

    blowfishDecryptBlock(ctx, left, right);
    EXPECT_EQ(left, hexWord(v.plain));
    EXPECT_EQ(right, hexWord(v.plain + 8));
  }
}

TEST(BlowfishTest, InitialScheduleIsTheDigitsOfPi) {
  EXPECT_EQ(kBlowfishInitP[0], 0x243F6A88u);
  EXPECT_EQ(kBlowfishInitP[kBlowfishRounds + 1], 0x8979FB1Bu);
  EXPECT_EQ(kBlowfishInitS[0][0], 0xD1310BA6u);
  EXPECT_EQ(kBlowfishInitS[3][255], 0x3AC372E6u);
}

TEST(BlowfishTest, ShortKeyIsRepeatedAcrossTheWords) {
  // A 7-byte key wraps inside a word: repeating it whole changes nothing,
  // any other byte does.
  EXPECT_TRUE(sameSchedule(scheduleFor("KARVOLT"), scheduleFor("KARVOLTKARVOLT")));
  EXPECT_FALSE(sameSchedule(scheduleFor("KARVOLT"), scheduleFor("KARVOLTX")));
  EXPECT_FALSE(sameSchedule(scheduleFor("KARVOLT"), scheduleFor("KARVOLt")));
}

TEST(BlowfishTest, DecryptInvertsEncryptUnderTheConfigurationKey) {
  const BlowfishContext ctx = scheduleFor("KARVOLT");
  const uint32_t words[][2] = {{0, 0}, {0xFFFFFFFFu, 0}, {0x01234567u, 0x89ABCDEFu}, {1, 0x80000000u}};
  for (const auto& w : words) {
    SCOPED_TRACE(testing::Message() << std::hex << w[0] << " " << w[1]);
    uint32_t left = w[0];
    uint32_t right = w[1];
    blowfishEncryptBlock(ctx, left, right);
    EXPECT_FALSE(left == w[0] && right == w[1]);
    blowfishDecryptBlock(ctx, left, right);
    EXPECT_EQ(left, w[0]);
    EXPECT_EQ(right, w[1]);
  }
}

TEST(BlowfishTest, ClearLeavesOnlyZeroBytes) {
  BlowfishContext ctx = scheduleFor("KARVOLT");
  blowfishClear(ctx);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&ctx);
  std::size_t nonZero = 0;
  for (std::size_t i = 0; i < sizeof ctx; ++i) nonZero += bytes[i] != 0;
  EXPECT_EQ(nonZero, 0u);
}

}  // namespace
