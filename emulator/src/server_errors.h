// The SQL Server error catalogue: every server message the emulator can give,
// with its native number, SQLSTATE and message format, kept in one table so
// that messages stay consistent. An error value is a plain copyable record.
#ifndef HVEMU_SERVER_ERRORS_H
#define HVEMU_SERVER_ERRORS_H

#include <string>
#include <vector>

namespace hvemu {

// One diagnostic record as the driver hands it out. `text` is without prefix.
struct ServerError {
  std::string sqlstate;
  long native = 0;
  std::string text;
  bool fromServer = true;  // server messages carry "[SQL Server]" in the prefix
};

using ErrorList = std::vector<ServerError>;

// Catalogue numbers used by the emulator.
enum : long {
  kSyntax = 102,
  kUnclosedQuote = 105,
  kFewerColumns = 109,
  kFewerValues = 110,
  kKeywordSyntax = 156,
  kInvalidColumn = 207,
  kInvalidObject = 208,
  kAmbiguousColumn = 209,
  kArithOverflow = 220,
  kDateConversion = 241,
  kDateRange = 242,
  kIntOverflowColumn = 244,
  kVarcharConversion = 245,
  kNullNotAllowed = 515,
  kTableExists = 2714,
  kUnknownType = 2715,
  kPrimaryKey = 2627,
  kTruncatedNew = 2628,
  kStatementTerminated = 3621,
  kCannotDrop = 3701,
  kCannotOpenDb = 4060,
  kContextChanged = 5701,
  kTruncatedOld = 8152,
  kLoginFailed = 18456,
  kSchemaMissing = 2760,
  kNotSupported = 40000,
};

// Builds the catalogue entry `native` with its arguments filled into the
// message format ("%s" placeholders, in order).
ServerError serverError(long native, const std::vector<std::string>& args = {});

// The 3621 record that follows a failed data change.
ServerError statementTerminated();

// A driver-level (not server) record, e.g. HY001 on an allocation failure.
ServerError driverError(const std::string& sqlstate, const std::string& text);

// Prefix that real drivers put before a message.
std::string messagePrefix(bool fromServer);

}  // namespace hvemu

#endif
