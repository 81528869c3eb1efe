// Value decryption with any ciphertext and key: the length rule (8 bytes per
// 16 hex characters, nothing for a damaged length or an empty key), and the
// round trip through the config tool's encryption: upper-case hex of whole
// blocks that decrypts to the text, zero-filled to its last block.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/value_crypt.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const bool configKey = in.ConsumeBool();
  const std::string ownKey = in.ConsumeRandomLengthString(72);
  const std::string_view key = configKey ? kConfigKey : std::string_view(ownKey);
  const std::string text = in.ConsumeRemainingBytesAsString();

  std::string plain = "old";
  decryptValue(text, plain, key);
  const bool whole = !key.empty() && text.size() % kHexBlockLength == 0;
  FUZZ_CHECK(plain.size() == (whole ? text.size() / 2 : 0), "8 bytes per block, none for a damaged value");

  std::vector<unsigned char> bytes(text.size() / 2 + 1);
  const std::size_t count = text.size() + 1;  // asks for one pair more than there is
  FUZZ_CHECK(hexToBytes(text, count, bytes.data()) == text.size() / 2, "pairs past the text are not decoded");

  const std::string hex = encryptValue(text, key);
  if (key.empty()) {
    FUZZ_CHECK(hex.empty(), "no ciphertext without a key");
    return 0;
  }
  const std::size_t blocks = text.empty() ? 1 : (text.size() + kBlockBytes - 1) / kBlockBytes;
  FUZZ_CHECK(hex.size() == blocks * kHexBlockLength, "whole blocks, one for the empty text");
  FUZZ_CHECK(hex.find_first_not_of("0123456789ABCDEF") == std::string::npos, "upper-case hex");
  std::string back;
  decryptValue(hex, back, key);
  std::string filled = text;
  filled.resize(blocks * kBlockBytes, '\0');
  FUZZ_CHECK(back == filled, "decryption undoes encryption");
  return 0;
}
