// The Blowfish block cipher (16 rounds, 64-bit blocks) with its standard key
// schedule. The configuration values of the suite are encrypted with it; the
// import tool only decrypts, the block encryption serves the key schedule and
// the administrators' config tool.
#ifndef HV_CONFIG_BLOWFISH_H
#define HV_CONFIG_BLOWFISH_H

#include <cstddef>
#include <cstdint>

constexpr int kBlowfishRounds = 16;

// The initial key schedule: the hexadecimal digits of the fractional part of pi.
extern const uint32_t kBlowfishInitP[kBlowfishRounds + 2];
extern const uint32_t kBlowfishInitS[4][256];

// One key schedule: the P-array and the four S-boxes. It holds key material:
// whoever fills it clears it with blowfishClear when done.
struct BlowfishContext {
  uint32_t p[kBlowfishRounds + 2];
  uint32_t s[4][256];
};

// The standard key schedule: the P-array XORed with the key bytes taken
// cyclically (first byte most significant in each word), then an all-zero
// block encrypted repeatedly, each result replacing the next two P words and
// then the next two S-box entries. REQUIRES: keyLength >= 1.
void blowfishInit(BlowfishContext& ctx, const unsigned char* key, std::size_t keyLength);

// One 64-bit block in place, as its left and right 32-bit halves.
void blowfishEncryptBlock(const BlowfishContext& ctx, uint32_t& left, uint32_t& right);
void blowfishDecryptBlock(const BlowfishContext& ctx, uint32_t& left, uint32_t& right);

// Sets every byte of the context to zero in a way the compiler cannot drop,
// even though the context is not read again.
void blowfishClear(BlowfishContext& ctx);

// Zero bytes over `size` bytes at `data`; never optimised away.
void secureClear(void* data, std::size_t size);

#endif  // HV_CONFIG_BLOWFISH_H
