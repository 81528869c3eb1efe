// How the emulator writes names and texts into the SQLite statements it
// builds: a name in double quotes, a text in single quotes, the quote doubled
// inside. One place, so that every statement names a table or column alike,
// whatever bytes the T-SQL name holds.
#ifndef HVEMU_SQLITE_TEXT_H
#define HVEMU_SQLITE_TEXT_H

#include <string>
#include <string_view>

namespace hvemu {

std::string quoteIdent(std::string_view name);
std::string quoteText(std::string_view text);

}  // namespace hvemu

#endif
