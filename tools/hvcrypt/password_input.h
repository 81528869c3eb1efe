// The password for `hvcrypt ini` when the command line does not give it, so
// that it shows neither in the process list nor in the shell's history. The
// POSIX (termios) and the Windows (console mode) bodies sit side by side in
// password_input.cpp.
#ifndef HV_TOOLS_HVCRYPT_PASSWORD_INPUT_H
#define HV_TOOLS_HVCRYPT_PASSWORD_INPUT_H

#include <string>

// From a terminal: prompts on standard error and reads the password twice
// without echo; the two entries must agree. Otherwise: the first line of
// standard input without its line end (LF or CR LF); the end of the input
// ends the line as well, but an input without a single byte gives none.
// Returns the empty text and fills `password`; otherwise why there is none
// (nothing on standard input, a zero byte, entries that differ).
std::string readPassword(const std::string& login, std::string& password);

#endif  // HV_TOOLS_HVCRYPT_PASSWORD_INPUT_H
