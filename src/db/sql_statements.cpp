#include "db/sql_statements.h"

#include "common/format.h"
#include "db/sql_texts.h"

std::string sqlQuoted(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (const char c : value) {
    if (c == '\0') break;
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
  return out;
}

bool isPlainIdentifier(std::string_view name) {
  if (name.empty()) return false;
  for (const char c : name) {
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    const bool digit = c >= '0' && c <= '9';
    if (!letter && !digit && c != '_') return false;
  }
  return true;
}

bool isCanteenSchema(std::string_view schema) {
  return schema.empty() || (schema.size() <= kSchemaMaxLength && isPlainIdentifier(schema));
}

std::string bookingDateText(std::string_view digits) {
  // Piece widths and the separator written after each piece.
  static constexpr struct {
    std::size_t count;
    const char* after;
  } kPieces[] = {{4, "-"}, {2, "-"}, {2, " "}, {2, ":"}, {2, ":"}, {2, ""}};
  std::string out;
  std::size_t pos = 0;
  for (const auto& piece : kPieces) {
    if (pos < digits.size()) out.append(digits.substr(pos, piece.count));
    out.append(piece.after);
    pos += piece.count;
  }
  return out;
}

std::string costCentreText(std::string_view costCentre) {
  if (costCentre.empty()) return "NULL";
  return "'" + sqlQuoted(costCentre) + "'";
}

std::string bookingInsertStatement(const BookingRecord& r) {
  const auto q = [](const auto& field) { return sqlQuoted(field.view()); };
  return formatText(sqltext::kInsertBooking, q(r.BewSch).c_str(), q(r.BewTID).c_str(),
                    q(r.BewLID).c_str(), q(r.BewIDN).c_str(), q(r.BewSto).c_str(),
                    costCentreText(r.BewKst.view()).c_str(),
                    sqlQuoted(bookingDateText(r.BewDtm.view())).c_str(),
                    sqlQuoted(bookingDateText(r.BewUhr.view())).c_str(), q(r.BewLfn).c_str(),
                    q(r.BewArt).c_str(), q(r.BewTas).c_str(), q(r.BewEra).c_str(),
                    q(r.BewKze).c_str(), q(r.BewBer).c_str(), q(r.BewErq).c_str(),
                    static_cast<long>(r.BewSta), q(r.BewQua).c_str(), q(r.BewSrc).c_str(),
                    q(r.BewRes).c_str());
}

std::string kidKstStatement(std::string_view terminal, int32_t number) {
  return formatText(sqltext::kLookupKidKst, sqlQuoted(terminal).c_str(), static_cast<long>(number));
}

std::string ttaFcdStatement(std::string_view terminal, int32_t key) {
  return formatText(sqltext::kLookupTtaFcd, sqlQuoted(terminal).c_str(), static_cast<long>(key));
}

std::string ttaApsStatement(std::string_view terminal) {
  return formatText(sqltext::kLookupTtaAps, sqlQuoted(terminal).c_str());
}

std::string zlsKstStatement(std::string_view terminal, int32_t reader) {
  return formatText(sqltext::kLookupZlsKst, sqlQuoted(terminal).c_str(), static_cast<long>(reader));
}

std::string canteenInsertStatement(std::string_view schema, std::string_view port,
                                   std::string_view function, std::string_view date,
                                   std::string_view time, std::string_view kind,
                                   std::string_view badge, std::string_view bon) {
  const std::string schemaText(schema);
  return formatText(sqltext::kInsertCanteen, schemaText.c_str(), sqlQuoted(port).c_str(),
                    sqlQuoted(function).c_str(), sqlQuoted(date).c_str(), sqlQuoted(time).c_str(),
                    sqlQuoted(kind).c_str(), sqlQuoted(badge).c_str(), sqlQuoted(bon).c_str());
}
