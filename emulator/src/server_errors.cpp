#include "server_errors.h"

namespace hvemu {

namespace {

struct CatalogueEntry {
  long native;
  const char* sqlstate;
  const char* format;
};

// Message formats as the server words them; "%s" takes the arguments in order.
const CatalogueEntry kCatalogue[] = {
    {kSyntax, "42000", "Incorrect syntax near '%s'."},
    {kUnclosedQuote, "42000", "Unclosed quotation mark after the character string '%s'."},
    {kFewerColumns, "21S01",
     "There are more columns in the INSERT statement than values specified in the VALUES clause. "
     "The number of values in the VALUES clause must match the number of columns specified in the "
     "INSERT statement."},
    {kFewerValues, "21S01",
     "There are fewer columns in the INSERT statement than values specified in the VALUES clause. "
     "The number of values in the VALUES clause must match the number of columns specified in the "
     "INSERT statement."},
    {kKeywordSyntax, "42000", "Incorrect syntax near the keyword '%s'."},
    {kInvalidColumn, "42S22", "Invalid column name '%s'."},
    {kInvalidObject, "42S02", "Invalid object name '%s'."},
    {kAmbiguousColumn, "42000", "Ambiguous column name '%s'."},
    {kArithOverflow, "22003", "Arithmetic overflow error for data type %s, value = %s."},
    {kDateConversion, "22007", "Conversion failed when converting date and/or time from character string."},
    {kDateRange, "22007",
     "The conversion of a varchar data type to a datetime data type resulted in an out-of-range value."},
    {kIntOverflowColumn, "22003",
     "The conversion of the varchar value '%s' overflowed %s column. Use a larger integer column."},
    {kVarcharConversion, "22018", "Conversion failed when converting the varchar value '%s' to data type %s."},
    {kNullNotAllowed, "23000",
     "Cannot insert the value NULL into column '%s', table '%s'; column does not allow nulls. INSERT fails."},
    {kTableExists, "42S01", "There is already an object named '%s' in the database."},
    {kUnknownType, "42000", "Column, parameter, or variable #%s: Cannot find data type %s."},
    {kPrimaryKey, "23000",
     "Violation of PRIMARY KEY constraint '%s'. Cannot insert duplicate key in object '%s'. "
     "The duplicate key value is (%s)."},
    {kTruncatedNew, "22001",
     "String or binary data would be truncated in table '%s', column '%s'. Truncated value: '%s'."},
    {kStatementTerminated, "01000", "The statement has been terminated."},
    {kCannotDrop, "42S02",
     "Cannot drop the table '%s', because it does not exist or you do not have permission."},
    {kCannotOpenDb, "42000", "Cannot open database \"%s\" requested by the login. The login failed."},
    {kContextChanged, "01000", "Changed database context to '%s'."},
    {kArithOverflowConvert, "22003", "Arithmetic overflow error converting %s to data type %s."},
    {kTruncatedOld, "22001", "String or binary data would be truncated."},
    {kLoginFailed, "28000", "Login failed for user '%s'."},
    {kSchemaMissing, "42000",
     "The specified schema name \"%s\" either does not exist or you do not have permission to use it."},
    {kNotSupported, "42000", "The emulator does not support this statement: %s"},
};

// Indexed by DriverRecord.
const DriverText kDriverTexts[] = {
    {"HY001", "Memory allocation error"},
    {"HY000", "Internal error"},
    {"08003", "Connection not open"},
    {"08002", "Connection name in use"},
    {"01004", "String data, right truncation"},
    {"HY000", "Transaction could not be completed"},
    {"HY010", "Function sequence error"},
    {"01S02", "Option value changed"},
    {"HY096", "Information type out of range"},
    {"07009", "Invalid descriptor index"},
    {"22002", "Indicator variable required but not supplied"},
    {"22018", "Invalid character value for cast specification"},
    {"HYC00", "Optional feature not implemented"},
    {"24000", "Invalid cursor state"},
    {"HY106", "Fetch type out of range"},
    {"HY000", "Data store failure"},
};
static_assert(sizeof kDriverTexts / sizeof kDriverTexts[0] == static_cast<size_t>(DriverRecord::StoreFailure) + 1,
              "one text per driver record");

constexpr std::string_view kServerMessagePrefix = "[HvEmu][HvEmu SQL Server Driver][SQL Server]";
constexpr std::string_view kDriverMessagePrefix = "[HvEmu][HvEmu SQL Server Driver]";

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
    if (e.native == native) return ServerError{e.sqlstate, native, fill(e.format, args), true};
  }
  return ServerError{"HY000", native, "Unknown error.", true};
}

ServerError statementTerminated() { return serverError(kStatementTerminated); }

const DriverText& driverText(DriverRecord record) noexcept { return kDriverTexts[static_cast<size_t>(record)]; }

ServerError driverError(DriverRecord record) { return driverError(record, driverText(record).text); }

ServerError driverError(DriverRecord record, const std::string& text) {
  return ServerError{driverText(record).sqlstate, 0, text, false};
}

std::string_view messagePrefix(bool fromServer) noexcept {
  return fromServer ? kServerMessagePrefix : kDriverMessagePrefix;
}

}  // namespace hvemu
