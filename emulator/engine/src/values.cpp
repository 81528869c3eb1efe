#include "values.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>

#include "datetime.h"

namespace hvemu {

namespace {

bool integerRange(BaseType b, long long v) {
  switch (b) {
    case BaseType::TinyInt: return v >= 0 && v <= 255;
    case BaseType::SmallInt: return v >= -32768 && v <= 32767;
    case BaseType::Int: return v >= -2147483648LL && v <= 2147483647LL;
    default: return true;
  }
}

// How message 244 names the column type: the server's internal names for the
// small integer types.
std::string overflowName(const SqlType& t) {
  switch (t.base) {
    case BaseType::TinyInt: return "an INT1";
    case BaseType::SmallInt: return "an INT2";
    case BaseType::Int: return "an int";
    default: return "a " + typeName(t, false);
  }
}

// Reads a text as the server converts varchar to an integer type: blanks
// around, optional sign, digits; an empty text is 0.
enum class IntRead { Ok, Bad, Overflow };
IntRead readInteger(const std::string& s, long long& out) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  if (b == e) {
    out = 0;
    return IntRead::Ok;
  }
  size_t i = b;
  bool neg = false;
  if (s[i] == '+' || s[i] == '-') neg = s[i++] == '-';
  if (i == e) return IntRead::Bad;
  long long v = 0;
  bool overflow = false;
  for (; i < e; ++i) {
    if (s[i] < '0' || s[i] > '9') return IntRead::Bad;
    if (v > (9223372036854775807LL - (s[i] - '0')) / 10) overflow = true;
    else v = v * 10 + (s[i] - '0');
  }
  out = neg ? -v : v;
  return overflow ? IntRead::Overflow : IntRead::Ok;
}

// The whole part of a decimal literal ("-12.7" is -12); false when it does
// not fit a bigint.
bool wholePart(const std::string& text, long long& out) {
  const size_t dot = text.find('.');
  const char* end = text.data() + (dot == std::string::npos ? text.size() : dot);
  const char* begin = text.data();
  const bool neg = begin != end && *begin == '-';
  if (neg) ++begin;
  unsigned long long magnitude = 0;  // stays 0 for ".5"
  if (std::from_chars(begin, end, magnitude).ec == std::errc::result_out_of_range) return false;
  const unsigned long long limit = neg ? 9223372036854775808ULL : 9223372036854775807ULL;
  if (magnitude > limit) return false;
  out = neg ? static_cast<long long>(0 - magnitude) : static_cast<long long>(magnitude);
  return true;
}

std::optional<Value> toDate(const Value& v, ErrorList& errors) {
  if (v.kind == Value::Kind::Null || v.kind == Value::Kind::Date) return v;
  if (v.kind != Value::Kind::Text) {
    errors.push_back(serverError(kDateConversion));
    return std::nullopt;
  }
  Value out;
  out.kind = Value::Kind::Date;
  switch (parseDateTime(v.text, out.text)) {
    case DateResult::Ok: return out;
    case DateResult::Unreadable: errors.push_back(serverError(kDateConversion)); break;
    case DateResult::OutOfRange: errors.push_back(serverError(kDateRange)); break;
  }
  return std::nullopt;
}

std::optional<Value> toInteger(const Value& v, const SqlType& type, bool forColumn, ErrorList& errors) {
  Value out;
  out.kind = Value::Kind::Int;
  // The server reads a literal past int, or one with a decimal point, as
  // numeric; numeric that does not fit an integer type is 8115, int that
  // does not fit a smaller one is 220.
  bool numeric = false;
  switch (v.kind) {
    case Value::Kind::Null: return v;
    case Value::Kind::Int:
      out.integer = v.integer;
      numeric = !integerRange(BaseType::Int, v.integer);
      break;
    case Value::Kind::Real:
      numeric = true;
      if (!wholePart(v.text, out.integer)) {
        errors.push_back(serverError(kArithOverflowConvert, {"expression", typeName(type, false)}));
        return std::nullopt;
      }
      break;
    case Value::Kind::Date:
      errors.push_back(serverError(kVarcharConversion, {v.text, typeName(type, false)}));
      return std::nullopt;
    case Value::Kind::Text: {
      const IntRead r = readInteger(v.text, out.integer);
      if (r == IntRead::Bad) {
        errors.push_back(serverError(kVarcharConversion, {v.text, typeName(type, false)}));
        return std::nullopt;
      }
      if (r == IntRead::Overflow || !integerRange(type.base, out.integer)) {
        errors.push_back(forColumn ? serverError(kIntOverflowColumn, {v.text, overflowName(type)})
                                   : serverError(kVarcharConversion, {v.text, typeName(type, false)}));
        return std::nullopt;
      }
      return out;
    }
  }
  if (!integerRange(type.base, out.integer)) {
    errors.push_back(numeric ? serverError(kArithOverflowConvert, {"expression", typeName(type, false)})
                             : serverError(kArithOverflow, {typeName(type, false), std::to_string(out.integer)}));
    return std::nullopt;
  }
  return out;
}

std::string asText(const Value& v) {
  if (v.kind == Value::Kind::Int) return std::to_string(v.integer);
  return v.text;
}

}  // namespace

std::optional<Value> evaluate(const Expr& e, ErrorList& errors) {
  Value v;
  switch (e.kind) {
    case Expr::Kind::Null: return v;
    case Expr::Kind::String:
      v.kind = Value::Kind::Text;
      v.text = e.text;
      return v;
    case Expr::Kind::Number:
      if (e.text.find('.') == std::string::npos) {
        errno = 0;
        v.integer = std::strtoll(e.text.c_str(), nullptr, 10);
        if (errno == ERANGE) {
          v.kind = Value::Kind::Real;
          v.text = (e.negated ? "-" : "") + e.text;
          return v;
        }
        v.kind = Value::Kind::Int;
        if (e.negated) v.integer = -v.integer;
      } else {
        v.kind = Value::Kind::Real;
        v.text = (e.negated ? "-" : "") + e.text;
      }
      return v;
    case Expr::Kind::Convert: {
      std::optional<Value> inner = evaluate(*e.args[0], errors);
      if (!inner) return std::nullopt;
      if (e.convertType.base == BaseType::DateTime) return toDate(*inner, errors);
      if (e.convertType.isInteger()) return toInteger(*inner, e.convertType, false, errors);
      if (inner->kind == Value::Kind::Null) return inner;
      Value t;
      t.kind = Value::Kind::Text;
      t.text = asText(*inner);
      if (t.text.size() > static_cast<size_t>(e.convertType.length)) t.text.resize(e.convertType.length);
      return t;
    }
    case Expr::Kind::Column:
      errors.push_back(serverError(kInvalidColumn, {e.text}));
      return std::nullopt;
    default:
      errors.push_back(serverError(kSyntax, {e.text}));
      return std::nullopt;
  }
}

std::optional<Value> convertForColumn(Value v, const SqlType& type, bool nullable, const std::string& column,
                                      const std::string& table, bool oldTruncation, ErrorList& errors) {
  if (v.kind == Value::Kind::Null) {
    if (!nullable) {
      errors.push_back(serverError(kNullNotAllowed, {column, table}));
      errors.push_back(statementTerminated());
      return std::nullopt;
    }
    return v;
  }
  if (type.base == BaseType::DateTime) return toDate(v, errors);
  if (type.isInteger()) {
    std::optional<Value> out = toInteger(v, type, true, errors);
    const long native = out ? 0 : errors.back().native;
    if (native == kArithOverflow || native == kArithOverflowConvert || native == kIntOverflowColumn)
      errors.push_back(statementTerminated());
    return out;
  }
  Value out;
  out.kind = Value::Kind::Text;
  if (v.kind == Value::Kind::Int) out.text = std::to_string(v.integer);
  else out.text = std::move(v.text);
  const size_t width = static_cast<size_t>(type.length);
  if (out.text.size() > width) {
    // Blanks beyond the width are dropped without complaint, as the server does.
    if (out.text.find_first_not_of(' ', width) != std::string::npos) {
      errors.push_back(oldTruncation ? serverError(kTruncatedOld)
                                     : serverError(kTruncatedNew, {table, column, out.text.substr(0, width)}));
      errors.push_back(statementTerminated());
      return std::nullopt;
    }
    out.text.resize(width);
  }
  if (type.base == BaseType::Char && out.text.size() < width) out.text.append(width - out.text.size(), ' ');
  return out;
}

std::optional<Value> convertForCompare(const Value& v, const SqlType& type, ErrorList& errors) {
  if (v.kind == Value::Kind::Null) return v;
  if (type.base == BaseType::DateTime) return toDate(v, errors);
  if (type.isInteger() && v.kind == Value::Kind::Text) {
    SqlType wide = type;
    wide.base = BaseType::BigInt;
    std::optional<Value> out = toInteger(v, wide, false, errors);
    if (!out) errors.back() = serverError(kVarcharConversion, {v.text, typeName(type, false)});
    return out;
  }
  return v;
}

std::string displayValue(const Value& v) {
  switch (v.kind) {
    case Value::Kind::Null: return "<NULL>";
    case Value::Kind::Int: return std::to_string(v.integer);
    default: return v.text;
  }
}

}  // namespace hvemu
