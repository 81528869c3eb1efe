#include "driver/content_check.h"

int32_t checkinhalt(SourceFile& file) {
  const long size = file.seekEnd();
  if (!file.rewind()) return kContentUnreadable;
  if (size == 0) return kContentEmpty;
  int32_t found = kContentWhitespace;
  for (;;) {
    const int c = file.getByte();
    if (c < 0) break;  // end of the data or a read error
    if (c == ' ' || c == '\n' || c == '\t') continue;
    found = kContentPresent;
    break;
  }
  // Bytes read and not given back would be lost to the reader.
  return file.rewind() ? found : kContentUnreadable;
}

std::string& upperInPlace(std::string& text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}
