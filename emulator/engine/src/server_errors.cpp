#include "server_errors.h"

namespace hvemu {

namespace {

struct CatalogueEntry {
  long native;
  const char* sqlstate;
  int severity;  // the server's class
  int state;
  const char* format;
};

// Message formats as the server words them; "%s" takes the arguments in order.
const CatalogueEntry kCatalogue[] = {
    {kSyntax, "42000", 15, 1, "Incorrect syntax near '%s'."},
    {kUnclosedQuote, "42000", 15, 1, "Unclosed quotation mark after the character string '%s'."},
    {kFewerColumns, "21S01", 15, 1,
     "There are more columns in the INSERT statement than values specified in the VALUES clause. "
     "The number of values in the VALUES clause must match the number of columns specified in the "
     "INSERT statement."},
    {kFewerValues, "21S01", 15, 1,
     "There are fewer columns in the INSERT statement than values specified in the VALUES clause. "
     "The number of values in the VALUES clause must match the number of columns specified in the "
     "INSERT statement."},
    {kKeywordSyntax, "42000", 15, 1, "Incorrect syntax near the keyword '%s'."},
    {kInvalidColumn, "42S22", 16, 1, "Invalid column name '%s'."},
    {kInvalidObject, "42S02", 16, 1, "Invalid object name '%s'."},
    {kAmbiguousColumn, "42000", 16, 1, "Ambiguous column name '%s'."},
    {kArithOverflow, "22003", 16, 2, "Arithmetic overflow error for data type %s, value = %s."},
    {kDateConversion, "22007", 16, 1, "Conversion failed when converting date and/or time from character string."},
    {kDateRange, "22007", 16, 3,
     "The conversion of a varchar data type to a datetime data type resulted in an out-of-range value."},
    {kIntOverflowColumn, "22003", 16, 2,
     "The conversion of the varchar value '%s' overflowed %s column. Use a larger integer column."},
    {kVarcharConversion, "22018", 16, 1, "Conversion failed when converting the varchar value '%s' to data type %s."},
    {kNullNotAllowed, "23000", 16, 2,
     "Cannot insert the value NULL into column '%s', table '%s'; column does not allow nulls. INSERT fails."},
    {kTableExists, "42S01", 16, 6, "There is already an object named '%s' in the database."},
    {kUnknownType, "42000", 16, 1, "Column, parameter, or variable #%s: Cannot find data type %s."},
    {kPrimaryKey, "23000", 14, 1,
     "Violation of PRIMARY KEY constraint '%s'. Cannot insert duplicate key in object '%s'. "
     "The duplicate key value is (%s)."},
    {kTruncatedNew, "22001", 16, 1,
     "String or binary data would be truncated in table '%s', column '%s'. Truncated value: '%s'."},
    {kStatementTerminated, "01000", 0, 0, "The statement has been terminated."},
    {kCannotDrop, "42S02", 11, 5,
     "Cannot drop the table '%s', because it does not exist or you do not have permission."},
    {kCannotOpenDb, "42000", 11, 1, "Cannot open database \"%s\" requested by the login. The login failed."},
    {kContextChanged, "01000", 0, 2, "Changed database context to '%s'."},
    {kLanguageChanged, "01000", 0, 1, "Changed language setting to %s."},
    {kUnboundIdentifier, "42000", 16, 1, "The multi-part identifier \"%s\" could not be bound."},
    {kArithOverflowConvert, "22003", 16, 2, "Arithmetic overflow error converting %s to data type %s."},
    {kTruncatedOld, "22001", 16, 14, "String or binary data would be truncated."},
    {kLoginFailed, "28000", 14, 1, "Login failed for user '%s'."},
    {kSchemaMissing, "42000", 16, 1,
     "The specified schema name \"%s\" either does not exist or you do not have permission to use it."},
    {kNotSupported, "42000", 16, 1, "The emulator does not support this statement: %s"},
    {kStoreFailure, "HY000", 16, 1, "The emulator's data store failed: %s"},
};

std::string fill(const char* format, const std::vector<std::string>& args) {
  std::string out;
  size_t next = 0;
  for (const char* p = format; *p; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      if (next < args.size()) out += args[next];
      ++next;
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

}  // namespace

ServerError serverError(long native, const std::vector<std::string>& args) {
  for (const CatalogueEntry& e : kCatalogue) {
    if (e.native == native) return ServerError{e.sqlstate, native, fill(e.format, args), true, e.state, e.severity};
  }
  return ServerError{"HY000", native, "Unknown error.", true, 1, 16};
}

ServerError statementTerminated() { return serverError(kStatementTerminated); }

}  // namespace hvemu
