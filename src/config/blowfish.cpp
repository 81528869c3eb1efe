#include "config/blowfish.h"

#include <cstring>
#include <string.h>  // explicit_bzero
#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

uint32_t feistel(const BlowfishContext& ctx, uint32_t x) {
  const uint32_t a = (x >> 24) & 0xFF;
  const uint32_t b = (x >> 16) & 0xFF;
  const uint32_t c = (x >> 8) & 0xFF;
  const uint32_t d = x & 0xFF;
  return ((ctx.s[0][a] + ctx.s[1][b]) ^ ctx.s[2][c]) + ctx.s[3][d];
}

}  // namespace

void blowfishEncryptBlock(const BlowfishContext& ctx, uint32_t& left, uint32_t& right) {
  uint32_t l = left;
  uint32_t r = right;
  for (int i = 0; i < kBlowfishRounds; ++i) {
    l ^= ctx.p[i];
    r ^= feistel(ctx, l);
    const uint32_t t = l;
    l = r;
    r = t;
  }
  // Undo the last swap, then whiten with the last two P words.
  const uint32_t t = l;
  l = r;
  r = t;
  r ^= ctx.p[kBlowfishRounds];
  l ^= ctx.p[kBlowfishRounds + 1];
  left = l;
  right = r;
}

void blowfishDecryptBlock(const BlowfishContext& ctx, uint32_t& left, uint32_t& right) {
  uint32_t l = left;
  uint32_t r = right;
  for (int i = kBlowfishRounds + 1; i > 1; --i) {
    l ^= ctx.p[i];
    r ^= feistel(ctx, l);
    const uint32_t t = l;
    l = r;
    r = t;
  }
  const uint32_t t = l;
  l = r;
  r = t;
  r ^= ctx.p[1];
  l ^= ctx.p[0];
  left = l;
  right = r;
}

void blowfishInit(BlowfishContext& ctx, const unsigned char* key, std::size_t keyLength) {
  std::memcpy(ctx.p, kBlowfishInitP, sizeof ctx.p);
  std::memcpy(ctx.s, kBlowfishInitS, sizeof ctx.s);

  std::size_t k = 0;  // runs on across words, back to the first byte after the last
  for (uint32_t& word : ctx.p) {
    uint32_t data = 0;
    for (int i = 0; i < 4; ++i) {
      data = (data << 8) | key[k];
      k = (k + 1 == keyLength) ? 0 : k + 1;
    }
    word ^= data;
  }

  uint32_t l = 0;
  uint32_t r = 0;
  for (int i = 0; i < kBlowfishRounds + 2; i += 2) {
    blowfishEncryptBlock(ctx, l, r);
    ctx.p[i] = l;
    ctx.p[i + 1] = r;
  }
  for (auto& box : ctx.s) {
    for (int j = 0; j < 256; j += 2) {
      blowfishEncryptBlock(ctx, l, r);
      box[j] = l;
      box[j + 1] = r;
    }
  }
}

void secureClear(void* data, std::size_t size) {
#if defined(_WIN32)
  SecureZeroMemory(data, size);
#elif defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 25))
  explicit_bzero(data, size);
#else
  // Stores through a volatile pointer are observable behaviour: none is dropped.
  volatile unsigned char* bytes = static_cast<volatile unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = 0;
#endif
}

void blowfishClear(BlowfishContext& ctx) { secureClear(&ctx, sizeof ctx); }
