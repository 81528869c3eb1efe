// A statement format of sql_texts.h taken apart, at compile time, into the
// fixed pieces between its placeholders ("%s" for a text, "%ld" for a number).
// Statements are then built by appending piece, value, piece, ... into one
// buffer: the same bytes a printf of the format gives, without interpreting
// the format for every record. The format stays the one place of each text.
#ifndef HV_DB_STATEMENT_PIECES_H
#define HV_DB_STATEMENT_PIECES_H

#include <array>
#include <cstddef>
#include <string_view>

#include "db/sql_texts.h"
#include "db/statement_text.h"

namespace statement {

// Length of the placeholder at `pos` of `format`, 0 when there is none.
constexpr std::size_t placeholderAt(std::string_view format, std::size_t pos) {
  if (format.substr(pos, 2) == "%s") return 2;
  if (format.substr(pos, 3) == "%ld") return 3;
  return 0;
}

// The pieces of a format with `Values` placeholders: piece i stands before
// value i, the last piece after the last value. `placeholders` and `percents`
// count what the format holds; each use checks exact() in a static_assert, so
// a format with another number of values, or any other conversion, does not
// compile.
template <std::size_t Values>
struct Pieces {
  std::array<std::string_view, Values + 1> text{};
  std::size_t placeholders = 0;
  std::size_t percents = 0;

  constexpr bool exact() const { return placeholders == Values && percents == Values; }
};

template <std::size_t Values>
constexpr Pieces<Values> split(std::string_view format) {
  Pieces<Values> out{};
  std::size_t begin = 0;
  std::size_t pos = 0;
  while (pos < format.size()) {
    if (format[pos] == '%') ++out.percents;
    const std::size_t length = placeholderAt(format, pos);
    if (length == 0) {
      ++pos;
      continue;
    }
    if (out.placeholders < Values) out.text[out.placeholders] = format.substr(begin, pos - begin);
    ++out.placeholders;
    pos += length;
    begin = pos;
  }
  out.text[Values] = format.substr(begin);
  return out;
}

// Appends the pieces and the values in turn: each value call first appends the
// piece in front of it; finish() appends the last piece.
template <std::size_t Values>
class Filler {
 public:
  Filler(StatementText& out, const Pieces<Values>& pieces) : out_(out), pieces_(pieces) {}

  // The next piece; returns the buffer for the value that follows it.
  StatementText& next() {
    out_.append(pieces_.text[next_].data(), pieces_.text[next_].size());
    ++next_;
    return out_;
  }
  void finish() { out_.append(pieces_.text[Values].data(), pieces_.text[Values].size()); }

 private:
  StatementText& out_;
  const Pieces<Values>& pieces_;
  std::size_t next_ = 0;
};

// The statements of sql_texts.h in pieces; each checked against the number of
// values its statement gives it.
inline constexpr auto kInsertBooking = split<19>(sqltext::kInsertBooking);
inline constexpr auto kLookupKidKst = split<2>(sqltext::kLookupKidKst);
inline constexpr auto kLookupTtaFcd = split<2>(sqltext::kLookupTtaFcd);
inline constexpr auto kLookupTtaAps = split<1>(sqltext::kLookupTtaAps);
inline constexpr auto kLookupZlsKst = split<2>(sqltext::kLookupZlsKst);
inline constexpr auto kInsertCanteen = split<8>(sqltext::kInsertCanteen);
static_assert(kInsertBooking.exact() && kLookupKidKst.exact() && kLookupTtaFcd.exact() &&
                  kLookupTtaAps.exact() && kLookupZlsKst.exact() && kInsertCanteen.exact(),
              "a statement format does not hold the values its statement gives it");

}  // namespace statement

#endif  // HV_DB_STATEMENT_PIECES_H
