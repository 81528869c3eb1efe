// The configuration file holds the database password in a form that anyone
// who can read the file can turn back into text (hvcrypt decrypt). So hvcrypt
// writes it readable by its owner only and replaces the live file in one step,
// and `hvcrypt check` says when others can read it. The POSIX and the Windows
// bodies sit side by side in secret_file.cpp.
#ifndef HV_TOOLS_HVCRYPT_SECRET_FILE_H
#define HV_TOOLS_HVCRYPT_SECRET_FILE_H

#include <string>
#include <string_view>

// Writes `bytes` to a new file beside `path` (same folder, so that the rename
// stays within one file system), readable and writable by its owner only
// (POSIX mode 0600), and renames it over `path`. A file that was there keeps
// its owner and group where this process may give them (as root). Returns the
// empty text on success; otherwise why it failed, and the file at `path` is as
// it was and nothing is left beside it. `warning` receives a note that does
// not stop the replacement (such as an owner that could not be kept).
std::string replaceFile(const std::string& path, std::string_view bytes, std::string& warning);

// Empty when only the owner may read the file at `path` (always on Windows,
// where the folder's access list decides); otherwise one sentence naming the
// mode.
std::string readableByOthers(const std::string& path);

#endif  // HV_TOOLS_HVCRYPT_SECRET_FILE_H
