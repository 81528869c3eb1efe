// The error catalogue: every server message the engine can give, with its
// native number, SQLSTATE, class, state and message format, kept in one table
// so that messages stay consistent. The numbers the fronts name themselves are
// in the public header; the others are here.
#ifndef HVEMU_SERVER_ERRORS_H
#define HVEMU_SERVER_ERRORS_H

#include <hvemu/engine.h>

namespace hvemu {

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
  kCannotDrop = 3701,
  kUnboundIdentifier = 4104,
  kArithOverflowConvert = 8115,
  kTruncatedOld = 8152,
  kSchemaMissing = 2760,
};

// The 3621 message that follows a failed data change.
ServerError statementTerminated();

}  // namespace hvemu

#endif
