// The four master-data lookups of OdbcBookingStore: one query each, column 1
// bound, the first row fetched and the rest ignored.
#include <algorithm>
#include <array>
#include <cstring>

#include "db/odbc_booking_store.h"

template <typename Build, typename Found>
StoreResult OdbcBookingStore::runLookup(Build build, const ResultColumn& column, Found found) {
  const StatementOutcome outcome = db_.runStatement(build, &column);
  // No statement handle: 0, the output untouched (the statement result code too).
  if (outcome.step == StatementOutcome::Step::kNoHandle) return {0, loss_.has_value()};
  int32_t code = outcome.nativeError;
  noteLoss(outcome);
  if (outcome.step == StatementOutcome::Step::kExecuted) {
    if (outcome.fetched == SQL_SUCCESS || outcome.fetched == SQL_SUCCESS_WITH_INFO) {
      found();  // a text cut to the buffer counts as found
      code = 0;
    } else {
      code = outcome.fetched;  // 100 without a row, -1 on a fetch error
    }
  }
  db_.setStatementResult(code);
  return {code, outcome.connectionLost};
}

namespace {

// A cost centre's column: 30 characters and the terminator.
using CostCentreBuffer = std::array<char, 31>;

template <std::size_t N>
std::string_view bufferText(const std::array<char, N>& buffer) {
  return std::string_view(buffer.data(), ::strnlen(buffer.data(), N));
}

template <std::size_t N>
ResultColumn textColumn(std::array<char, N>& buffer) {
  return {SQL_C_CHAR, buffer.data(), static_cast<SQLLEN>(N)};
}

}  // namespace

StoreResult OdbcBookingStore::lookupKidKst(int32_t number, FixedText<31>& out, std::string_view terminal) {
  CostCentreBuffer costCentre{};
  return runLookup([&](StatementText& text) { lookups_.appendKidKst(text, terminal, number); },
                   textColumn(costCentre), [&] { out = bufferText(costCentre); });
}

StoreResult OdbcBookingStore::lookupTtaFcd(BookingRecord& record, int32_t key) {
  std::array<char, 4> code{};
  return runLookup([&](StatementText& text) { lookups_.appendTtaFcd(text, record.BewTID.view(), key); },
                   textColumn(code),
                   [&] {
                     // The first three bytes of BewArt: the code, filled up with
                     // zero bytes; the fourth byte and the rest of the record
                     // stay as they are.
                     std::array<char, 3> three{};
                     const std::string_view text = bufferText(code);
                     std::memcpy(three.data(), text.data(), std::min(text.size(), three.size()));
                     record.BewArt.overwrite(0, std::string_view(three.data(), three.size()));
                   });
}

StoreResult OdbcBookingStore::lookupTtaAps(std::string_view terminal, int32_t& key) {
  SQLINTEGER number = kNoKey;  // stays so when the column is NULL
  const ResultColumn column{SQL_C_LONG, &number, static_cast<SQLLEN>(sizeof(number))};
  return runLookup([&](StatementText& text) { lookups_.appendTtaAps(text, terminal); }, column,
                   [&] { key = number; });
}

StoreResult OdbcBookingStore::lookupZlsKst(std::string_view terminal, int32_t reader, FixedText<31>& out) {
  CostCentreBuffer costCentre{};
  return runLookup([&](StatementText& text) { lookups_.appendZlsKst(text, terminal, reader); },
                   textColumn(costCentre), [&] { out = bufferText(costCentre); });
}
