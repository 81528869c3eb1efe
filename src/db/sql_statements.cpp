#include "db/sql_statements.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>

#include "db/statement_pieces.h"

namespace {

using statement::kInsertBooking;
using statement::kInsertCanteen;

constexpr std::string_view kNull = "NULL";

// The date text: pieces of these widths, each followed by its separator.
struct DatePiece {
  std::size_t count;
  char after;  // '\0': nothing after the last piece
};
constexpr DatePiece kDatePieces[] = {{4, '-'}, {2, '-'}, {2, ' '}, {2, ':'}, {2, ':'}, {2, '\0'}};
constexpr std::size_t kDateTextMax = 19;  // "YYYY-MM-DD hh:mm:ss"

// Writes the date text of `digits` into `text`; returns its length.
std::size_t writeDateText(std::string_view digits, std::array<char, kDateTextMax>& text) {
  std::size_t n = 0;
  std::size_t pos = 0;
  for (const DatePiece& piece : kDatePieces) {
    for (std::size_t i = 0; i < piece.count && pos + i < digits.size(); ++i) text[n++] = digits[pos + i];
    if (piece.after != '\0') text[n++] = piece.after;
    pos += piece.count;
  }
  return n;
}

constexpr std::size_t kDateDigits = 14;  // YYYYMMDDhhmmss

// True when none of the first 14 characters of `digits` is a zero byte or a
// quote. The characters are looked at eight at a time: a word w holds a zero
// byte exactly when (w - 0x0101...01) & ~w & 0x8080...80 is not 0, and a quote
// exactly when w ^ 0x2727...27 holds a zero byte.
bool plainStamp(const char* digits) {
  constexpr uint64_t kOnes = 0x0101010101010101u;
  constexpr uint64_t kTops = 0x8080808080808080u;
  constexpr uint64_t kQuotes = kOnes * static_cast<unsigned char>('\'');
  char bytes[2 * sizeof(uint64_t)];
  std::memcpy(bytes, digits, kDateDigits);
  for (std::size_t i = kDateDigits; i < sizeof bytes; ++i) bytes[i] = '0';  // fillers that are neither
  uint64_t words[2];
  std::memcpy(words, bytes, sizeof words);
  uint64_t found = 0;
  for (const uint64_t w : words) {
    found |= (w - kOnes) & ~w & kTops;                          // a zero byte
    found |= ((w ^ kQuotes) - kOnes) & ~(w ^ kQuotes) & kTops;  // a quote
  }
  return found == 0;
}

// Piece I of the date text from 14 plain characters, and all of them: copies
// of a known length each, which the compiler writes out in place.
constexpr std::size_t datePieceStart(std::size_t index) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < index; ++i) start += kDatePieces[i].count;
  return start;
}

template <std::size_t I>
void putDatePiece(char* to, const char* digits) {
  constexpr DatePiece piece = kDatePieces[I];
  constexpr std::size_t from = datePieceStart(I);
  constexpr std::size_t at = from + I;  // one separator behind each piece before
  std::memcpy(to + at, digits + from, piece.count);
  if constexpr (piece.after != '\0') to[at + piece.count] = piece.after;
}

template <std::size_t... I>
void putDatePieces(char* to, const char* digits, std::index_sequence<I...>) {
  (putDatePiece<I>(to, digits), ...);
}

// A quoted date text: the date text built from a field's characters, quotes
// in them doubled. A field of 14 characters or more without a quote among them
// (every booking a reader builds from a good record) goes in piece by piece as
// it stands; anything else takes the general way. The general way alone costs
// about 180 instructions more per date text, two per booking: a fifth of a
// 62p record's own work (bench/callgrind/run).
template <std::size_t N>
void appendQuotedDateText(StatementText& out, const FixedText<N>& digits) {
  static_assert(N > kDateDigits, "a date field holds at least 14 characters");
  const char* d = digits.data();
  if (!plainStamp(d)) {
    std::array<char, kDateTextMax> text;
    appendQuoted(out, std::string_view(text.data(), writeDateText(digits.view(), text)));
    return;
  }
  char* to = out.extend(kDateTextMax);
  putDatePieces(to, d, std::make_index_sequence<std::size(kDatePieces)>());
  out.commit(to + kDateTextMax);
}

// The bare word NULL for an empty cost centre, else the quoted literal.
void appendCostCentreText(StatementText& out, const FixedText<31>& costCentre) {
  if (costCentre.empty()) {
    out.append(kNull.data(), kNull.size());
    return;
  }
  out.push_back('\'');
  appendQuoted(out, costCentre);
  out.push_back('\'');
}

}  // namespace

void appendNumber(StatementText& out, int32_t value) {
  // Straight into the buffer: at most a sign and ten digits.
  constexpr std::size_t kMaxDigits = 10;
  char* to = out.extend(kMaxDigits + 1);
  uint32_t magnitude = static_cast<uint32_t>(value);
  if (value < 0) {
    *to++ = '-';
    magnitude = 0u - magnitude;  // also for the smallest value
  }
  if (magnitude < 100) {  // reader and key numbers, BewSta: one or two digits
    if (magnitude >= 10) *to++ = static_cast<char>('0' + magnitude / 10);
    *to++ = static_cast<char>('0' + magnitude % 10);
    out.commit(to);
    return;
  }
  // Written from the back, two digits at a time.
  char digits[kMaxDigits];
  char* first = digits + kMaxDigits;
  while (magnitude >= 100) {
    const uint32_t pair = magnitude % 100;
    magnitude /= 100;
    *--first = static_cast<char>('0' + pair % 10);
    *--first = static_cast<char>('0' + pair / 10);
  }
  if (magnitude >= 10) *--first = static_cast<char>('0' + magnitude % 10);
  *--first = static_cast<char>('0' + (magnitude >= 10 ? magnitude / 10 : magnitude));
  const std::size_t count = static_cast<std::size_t>(digits + kMaxDigits - first);
  std::memcpy(to, first, count);
  out.commit(to + count);
}

void appendQuoted(StatementText& out, std::string_view value) {
  // One scan that copies as it goes: room for every character doubled is made
  // first, so the scan writes without further checks. A zero byte ends the
  // value.
  char* to = out.extend(2 * value.size());
  for (const char c : value) {
    if (c == '\0') break;
    *to++ = c;
    if (c == '\'') *to++ = '\'';
  }
  out.commit(to);
}

void appendBookingInsert(StatementText& out, const BookingRecord& r) {
  // Values in the order of the format; the columns are not in record order.
  statement::Filler<19> f(out, kInsertBooking);
  appendQuoted(f.next(), r.BewSch);
  appendQuoted(f.next(), r.BewTID);
  appendQuoted(f.next(), r.BewLID);
  appendQuoted(f.next(), r.BewIDN);
  appendQuoted(f.next(), r.BewSto);
  appendCostCentreText(f.next(), r.BewKst);
  appendQuotedDateText(f.next(), r.BewDtm);
  appendQuotedDateText(f.next(), r.BewUhr);
  appendQuoted(f.next(), r.BewLfn);
  appendQuoted(f.next(), r.BewArt);
  appendQuoted(f.next(), r.BewTas);
  appendQuoted(f.next(), r.BewEra);
  appendQuoted(f.next(), r.BewKze);
  appendQuoted(f.next(), r.BewBer);
  appendQuoted(f.next(), r.BewErq);
  appendNumber(f.next(), r.BewSta);
  appendQuoted(f.next(), r.BewQua);
  appendQuoted(f.next(), r.BewSrc);
  appendQuoted(f.next(), r.BewRes);
  f.finish();
}

void appendCanteenInsert(StatementText& out, std::string_view schema, std::string_view port,
                         std::string_view function, std::string_view date, std::string_view time,
                         std::string_view kind, std::string_view badge, std::string_view bon) {
  statement::Filler<8> f(out, kInsertCanteen);
  f.next().append(schema.data(), schema.size());  // a plain identifier, as it stands
  for (const std::string_view value : {port, function, date, time, kind, badge, bon}) {
    appendQuoted(f.next(), value);
  }
  f.finish();
}
