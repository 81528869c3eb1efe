// Decimal numbers in texts. Reading works the way the C library's atoi does:
// leading white space skipped, an optional sign, then digits up to the first
// other character; 0 when there is no digit. Values beyond the 32-bit range
// saturate instead of overflowing. Writing gives what printf's "%0*d" gives,
// without a format string: running numbers and key numbers are written once
// per record.
#ifndef HV_COMMON_DECIMAL_H
#define HV_COMMON_DECIMAL_H

#include <cstddef>
#include <cstdint>
#include <string_view>

int32_t parseDecimal(std::string_view text);

// The decimal text of one number, held in place (no allocation).
class DecimalText {
 public:
  // `value` as printf("%0*d", width, value) writes it for a width of 0 to 16:
  // a minus sign for a negative value, then the digits, with zeros after the
  // sign up to `width` characters in all. A wider width pads to 16, a
  // negative one pads nothing.
  explicit DecimalText(int32_t value, int width = 1) {
    const bool negative = value < 0;
    // The magnitude in 32 unsigned bits: the smallest value has one there too.
    uint32_t magnitude = negative ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    do {
      text_[--start_] = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
    if (width > 1) {
      const std::size_t asked = static_cast<std::size_t>(width);
      const std::size_t wanted = asked < kCapacity ? asked : kCapacity;
      const std::size_t sign = negative ? 1 : 0;
      while (start_ > sign && kCapacity - start_ + sign < wanted) text_[--start_] = '0';
    }
    if (negative) text_[--start_] = '-';
  }

  std::string_view view() const { return std::string_view(text_ + start_, kCapacity - start_); }

 private:
  static constexpr std::size_t kCapacity = 16;  // sign, digits and zero padding
  char text_[kCapacity];
  std::size_t start_ = kCapacity;
};

#endif  // HV_COMMON_DECIMAL_H
