// The error catalogue: every server message the emulator can give, with its
// native number, SQLSTATE and message format, kept in one table so that
// messages stay consistent, and beside it the driver's own records (no server
// number) in a second table. An error value is a plain copyable record.
#ifndef HVEMU_SERVER_ERRORS_H
#define HVEMU_SERVER_ERRORS_H

#include <string>
#include <string_view>
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
  kArithOverflowConvert = 8115,
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

// The driver's own records, as a driver words them.
enum class DriverRecord {
  MemoryAllocation,   // HY001
  Internal,           // HY000, a failure inside the driver
  ConnectionNotOpen,  // 08003
  ConnectionInUse,    // 08002
  Truncated,          // 01004
  TransactionFailed,  // HY000
  SequenceError,      // HY010
  OptionChanged,      // 01S02
  InfoTypeRange,      // HY096
  DescriptorIndex,    // 07009
  IndicatorRequired,  // 22002
  CastValue,          // 22018
  NotImplemented,     // HYC00
  CursorState,        // 24000
  FetchTypeRange,     // HY106
  StoreFailure,       // HY000 with the data store's own message
};

struct DriverText {
  const char* sqlstate;
  const char* text;
};

// The fixed texts of a driver record; they live as long as the process.
const DriverText& driverText(DriverRecord record) noexcept;

// A driver-level (not server) record; `text` replaces the table's text.
ServerError driverError(DriverRecord record);
ServerError driverError(DriverRecord record, const std::string& text);

// Prefix that real drivers put before a message.
std::string_view messagePrefix(bool fromServer) noexcept;

}  // namespace hvemu

#endif
