// Literal values of a statement and their conversion to a column's declared
// type, with the server's conversion errors. Plain value types.
#ifndef HVEMU_VALUES_H
#define HVEMU_VALUES_H

#include <optional>
#include <string>

#include "ast.h"
#include "server_errors.h"

namespace hvemu {

struct Value {
  enum class Kind { Null, Text, Int, Real, Date } kind = Kind::Null;
  std::string text;  // Text bytes, Real digits, Date canonical text
  long long integer = 0;
};

// Evaluates a literal, NULL or CONVERT(...) expression. A column reference
// or other expression is refused with the server's error.
std::optional<Value> evaluate(const Expr& e, ErrorList& errors);

// Converts `v` to the column type, as the server does on INSERT. The errors
// name `column` and `table` (db.schema.table) where the server does.
// `oldTruncation` selects 8152 over 2628.
std::optional<Value> convertForColumn(Value v, const SqlType& type, bool nullable, const std::string& column,
                                      const std::string& table, bool oldTruncation, ErrorList& errors);

// Converts for a comparison with a column of `type` (no width or null checks).
std::optional<Value> convertForCompare(const Value& v, const SqlType& type, ErrorList& errors);

// The value as the server shows it in messages (duplicate key values).
std::string displayValue(const Value& v);

}  // namespace hvemu

#endif
