// Reading a decimal number out of a text the way the C library's atoi does:
// leading white space skipped, an optional sign, then digits up to the first
// other character; 0 when there is no digit. Values beyond the 32-bit range
// saturate instead of overflowing.
#ifndef HV_COMMON_DECIMAL_H
#define HV_COMMON_DECIMAL_H

#include <cstdint>
#include <string_view>

int32_t parseDecimal(std::string_view text);

#endif  // HV_COMMON_DECIMAL_H
