// The four master-data lookups of OdbcBookingStore: one query each, column 1
// bound, the first row fetched and the rest ignored.
#include <algorithm>
#include <array>
#include <cstring>

#include "db/odbc_booking_store.h"

template <typename Build, typename Found>
int32_t OdbcBookingStore::runLookup(Build build, SQLSMALLINT cType, SQLPOINTER buffer, SQLLEN length,
                                    Found found) {
  OdbcHandle statement(SQL_HANDLE_STMT);
  // No statement handle: 0, the output untouched (the statement result code too).
  if (!db_.allocateStatement(statement)) return 0;

  build(db_.startStatement());
  int32_t result = 0;
  if (db_.executeStatement(statement) == SQL_ERROR) {
    db_.readDiagnostics(SQL_HANDLE_STMT, statement.get());
    result = db_.diagnostics().nativeError;
  } else {
    // The indicator is never examined: a NULL column leaves the buffer's preset.
    SQLLEN indicator = 0;
    SQLBindCol(statement.get(), 1, cType, buffer, length, &indicator);
    const SQLRETURN fetched = SQLFetch(statement.get());
    if (fetched == SQL_SUCCESS || fetched == SQL_SUCCESS_WITH_INFO) {
      found();  // a text cut to the buffer counts as found
      result = 0;
    } else {
      result = fetched;  // 100 without a row, -1 on a fetch error
    }
  }
  statement.reset();
  db_.setStatementResult(result);
  return result;
}

namespace {
template <std::size_t N>
std::string_view bufferText(const std::array<char, N>& buffer) {
  return std::string_view(buffer.data(), ::strnlen(buffer.data(), N));
}
}  // namespace

int32_t OdbcBookingStore::lookupKidKst(int32_t number, FixedText<31>& out, std::string_view terminal) {
  std::array<char, 31> costCentre{};
  return runLookup([&](StatementText& text) { lookups_.appendKidKst(text, terminal, number); }, SQL_C_CHAR,
                   costCentre.data(), static_cast<SQLLEN>(costCentre.size()),
                   [&] { out = bufferText(costCentre); });
}

int32_t OdbcBookingStore::lookupTtaFcd(BookingRecord& record, int32_t key) {
  std::array<char, 4> code{};
  return runLookup([&](StatementText& text) { lookups_.appendTtaFcd(text, record.BewTID.view(), key); },
                   SQL_C_CHAR, code.data(), static_cast<SQLLEN>(code.size()), [&] {
                     // The first three bytes of BewArt: the code, filled up with
                     // zero bytes; the fourth byte and the rest of the record
                     // stay as they are.
                     std::array<char, 3> three{};
                     const std::string_view text = bufferText(code);
                     std::memcpy(three.data(), text.data(), std::min(text.size(), three.size()));
                     record.BewArt.overwrite(0, std::string_view(three.data(), three.size()));
                   });
}

int32_t OdbcBookingStore::lookupTtaAps(std::string_view terminal, int32_t& key) {
  SQLINTEGER number = 99;  // stays 99 when the column is NULL
  return runLookup([&](StatementText& text) { lookups_.appendTtaAps(text, terminal); }, SQL_C_LONG, &number,
                   static_cast<SQLLEN>(sizeof(number)), [&] { key = number; });
}

int32_t OdbcBookingStore::lookupZlsKst(std::string_view terminal, int32_t reader, FixedText<31>& out) {
  std::array<char, 31> costCentre{};
  return runLookup([&](StatementText& text) { lookups_.appendZlsKst(text, terminal, reader); }, SQL_C_CHAR,
                   costCentre.data(), static_cast<SQLLEN>(costCentre.size()),
                   [&] { out = bufferText(costCentre); });
}
