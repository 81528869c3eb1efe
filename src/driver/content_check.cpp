#include "driver/content_check.h"

int32_t checkinhalt(SourceFile& file) {
  const long size = file.seekEnd();
  file.rewind();
  if (size == 0) return kContentEmpty;
  for (;;) {
    const int c = file.getByte();
    if (c < 0) break;  // end of the data or a read error
    if (c == ' ' || c == '\n' || c == '\t') continue;
    file.rewind();
    return kContentPresent;
  }
  file.rewind();
  return kContentWhitespace;
}

std::string& upperInPlace(std::string& text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}
