// Texts on the wire are UTF-16LE; the engine's texts are single bytes of the
// Windows code page 1252, the code page of the suite's Latin1_General columns.
// These convert between the two.
#ifndef HVEMU_TDS_CP1252_H
#define HVEMU_TDS_CP1252_H

#include <string>
#include <string_view>

namespace hvemu::tds {

// The character of a CP1252 byte. The five bytes CP1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of the
// same number, as Windows converts them.
char16_t unicodeOf(unsigned char byte);

// UTF-16LE bytes as CP1252 text: characters outside CP1252 (and halves of
// a surrogate pair) become '?'; an odd last byte is dropped.
std::string cp1252FromUtf16(std::string_view utf16le);

}  // namespace hvemu::tds

#endif
