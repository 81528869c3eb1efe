// The statement texts of the booking store, built from the fixed formats in
// sql_texts.h. Pure functions: no database is touched, so the texts can be
// checked on their own.
//
// Text values go into their literals with every single quote doubled, so that a
// badge like O'Brien is stored as it stands instead of breaking the statement;
// without a quote in any value the text is exactly the fixed format filled in.
// Numbers are written as signed decimals. Results have no length limit.
//
// Each statement comes in two forms: append* adds the text to the end of a
// StatementText the caller keeps (the booking store builds every statement of
// a run in one reused buffer, so a record costs no allocation), and the
// functions returning a std::string build it in a buffer of their own.
#ifndef HV_DB_SQL_STATEMENTS_H
#define HV_DB_SQL_STATEMENTS_H

#include <cstdint>
#include <string>
#include <string_view>

#include "common/fixed_text.h"
#include "db/booking_record.h"
#include "db/statement_text.h"

// `value` with every single quote doubled (the inside of a '...' literal). The
// value ends at its first zero byte, as a terminated text does.
std::string sqlQuoted(std::string_view value);
void appendQuoted(StatementText& out, std::string_view value);
// A field's text. Inline, with the field's width known: the scan stops at the
// terminator, so no length is taken first, and room for the widest doubled
// text is made once.
template <std::size_t N>
inline void appendQuoted(StatementText& out, const FixedText<N>& field) {
  constexpr std::size_t kMax = FixedText<N>::kMaxLength;
  const char* from = field.data();
  char* to = out.extend(2 * kMax);
  for (std::size_t i = 0; i < kMax && from[i] != '\0'; ++i) {
    *to++ = from[i];
    if (from[i] == '\'') *to++ = '\'';
  }
  out.commit(to);
}

// `value` as a signed decimal number.
void appendNumber(StatementText& out, int32_t value);

// "YYYY-MM-DD hh:mm:ss" from the digits YYYYMMDDhhmmss: pieces of 4, 2, 2, 2, 2
// and 2 characters, each cut short where the text ends; the separators are
// always written. Nothing is validated.
std::string bookingDateText(std::string_view digits);
void appendBookingDateText(StatementText& out, std::string_view digits);

// The bare word NULL for an empty cost centre, else the quoted literal.
std::string costCentreText(std::string_view costCentre);
void appendCostCentreText(StatementText& out, std::string_view costCentre);

std::string bookingInsertStatement(const BookingRecord& record);
std::string kidKstStatement(std::string_view terminal, int32_t number);
std::string ttaFcdStatement(std::string_view terminal, int32_t key);
std::string ttaApsStatement(std::string_view terminal);
std::string zlsKstStatement(std::string_view terminal, int32_t reader);

void appendBookingInsert(StatementText& out, const BookingRecord& record);
void appendKidKst(StatementText& out, std::string_view terminal, int32_t number);
void appendTtaFcd(StatementText& out, std::string_view terminal, int32_t key);
void appendTtaAps(StatementText& out, std::string_view terminal);
void appendZlsKst(StatementText& out, std::string_view terminal, int32_t reader);

// REQUIRES: login::isCanteenSchema(schema).
std::string canteenInsertStatement(std::string_view schema, std::string_view port,
                                   std::string_view function, std::string_view date,
                                   std::string_view time, std::string_view kind,
                                   std::string_view badge, std::string_view bon);
void appendCanteenInsert(StatementText& out, std::string_view schema, std::string_view port,
                         std::string_view function, std::string_view date, std::string_view time,
                         std::string_view kind, std::string_view badge, std::string_view bon);

#endif  // HV_DB_SQL_STATEMENTS_H
