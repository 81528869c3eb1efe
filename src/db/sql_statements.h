// The statement texts of the booking store, built from the fixed formats in
// sql_texts.h by appending to a StatementText the caller keeps (the store
// builds every statement of a run in the connection's one reused buffer, so a
// record costs no allocation). The lookups' texts are LookupStatements'
// (lookup_statements.h), which keeps the fixed text around the terminal name.
// Pure functions: no database is touched, so the texts can be checked on their
// own.
//
// Text values go into their literals with every single quote doubled, so that a
// badge like O'Brien is stored as it stands instead of breaking the statement;
// without a quote in any value the text is exactly the fixed format filled in.
// Numbers are written as signed decimals. Results have no length limit.
#ifndef HV_DB_SQL_STATEMENTS_H
#define HV_DB_SQL_STATEMENTS_H

#include <cstdint>
#include <string_view>

#include "common/fixed_text.h"
#include "db/booking_record.h"
#include "db/statement_text.h"

// `value` with every single quote doubled (the inside of a '...' literal). The
// value ends at its first zero byte, as a terminated text does.
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

// The booking insert of `record`. Its values, in the order of the format:
// BewSch, BewTID, BewLID, BewIDN, BewSto; the cost centre, the bare word NULL
// when BewKst is empty, else its quoted literal; the date texts of BewDtm and
// BewUhr, "YYYY-MM-DD hh:mm:ss" from the digits YYYYMMDDhhmmss (pieces of 4, 2,
// 2, 2, 2 and 2 characters, each cut short where the text ends, the separators
// always written, nothing validated); BewLfn, BewArt, BewTas, BewEra, BewKze,
// BewBer, BewErq; BewSta as a number; BewQua, BewSrc, BewRes.
void appendBookingInsert(StatementText& out, const BookingRecord& record);

// The canteen insert. REQUIRES: login::isCanteenSchema(schema).
void appendCanteenInsert(StatementText& out, std::string_view schema, std::string_view port,
                         std::string_view function, std::string_view date, std::string_view time,
                         std::string_view kind, std::string_view badge, std::string_view bon);

#endif  // HV_DB_SQL_STATEMENTS_H
