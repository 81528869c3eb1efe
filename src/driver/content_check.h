// The content check of a source file before its reader runs, and the
// upper-casing of command-line texts.
#ifndef HV_DRIVER_CONTENT_CHECK_H
#define HV_DRIVER_CONTENT_CHECK_H

#include <cstdint>
#include <string>

#include "common/source_file.h"

enum ContentCheck : int32_t {
  kContentPresent = 0,   // a byte other than blank, tab or line feed was found
  kContentEmpty = 1,     // the file has no bytes
  kContentWhitespace = 2, // only blanks, tabs and line feeds (as the file's mode delivers them)
  kContentUnreadable = 3  // the file could not be brought back to its first byte
};

// Checks the open file, reading it in its own mode (text mode sees CR LF as LF
// and stops at a byte 0x1A). The size taken is the size on disk. Leaves the
// file positioned at its first byte, or answers kContentUnreadable when the
// seek back fails (then no reader may start on it); the file is only borrowed.
int32_t checkinhalt(SourceFile& file);

// Upper-cases the ASCII letters a to z of `text` in place; every other byte,
// those of 0x80 and above included, stays as it is. Returns `text`.
std::string& upperInPlace(std::string& text);

#endif  // HV_DRIVER_CONTENT_CHECK_H
