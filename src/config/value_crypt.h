// Encrypted configuration values: Blowfish in electronic-codebook mode under a
// fixed key, written as upper-case hex, two characters per byte, 16 per block.
// Each 8-byte block is taken as two 32-bit halves in little-endian byte order
// (the first byte least significant), not in the big-endian order of the
// published Blowfish test vectors.
#ifndef HV_CONFIG_VALUE_CRYPT_H
#define HV_CONFIG_VALUE_CRYPT_H

#include <cstddef>
#include <string>
#include <string_view>

// The key of the suite's configuration values (its 7 bytes, no terminator).
constexpr std::string_view kConfigKey = "KARVOLT";

constexpr std::size_t kBlockBytes = 8;
constexpr std::size_t kHexBlockLength = 2 * kBlockBytes;

// Decodes count / 2 character pairs of `text` into bytes at `output`; returns
// the number of bytes written. "A".."F" are worth their code minus 55, every
// other character its code minus 48, on 8 bits: lower-case hex and other
// characters decode to wrong bytes without complaint. Pairs past the end of
// `text` are not decoded. REQUIRES: `output` has room for count / 2 bytes.
std::size_t hexToBytes(std::string_view text, std::size_t count, unsigned char* output);

// Decrypts a hex ciphertext block by block under `key` into `output`: 8 bytes
// per 16 characters, filler bytes kept (output.c_str() has the terminator
// behind the last block). A ciphertext whose length is not a multiple of 16 is
// damaged: it yields no bytes at all, so the value reads as empty. An empty key
// yields no bytes either. The key schedule is cleared before it returns.
void decryptValue(std::string_view ciphertext, std::string& output, std::string_view key);

// The counterpart for the config tool: the upper-case hex ciphertext of
// `plaintext` under `key`, zero-filled to whole blocks. An empty text becomes one
// zero-filled block, because an empty value field does not read back as empty.
// An empty key gives the empty text.
std::string encryptValue(std::string_view plaintext, std::string_view key);

#endif  // HV_CONFIG_VALUE_CRYPT_H
