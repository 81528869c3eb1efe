#include "readers/insert_outcome.h"

#include <string>

namespace {

constexpr const char* kLostConnectionLog =
    "Datenbankverbindung unterbrochen bei Satz %d (SQLSTATE %s): Import abgebrochen";
constexpr const char* kLostConnectionConsole =
    "Datenbankverbindung unterbrochen bei Satz %d (SQLSTATE %s): Import abgebrochen\n";

void writeDetail(RunContext& ctx, const BookingDetail& d) {
  // The fields as terminated texts for the format.
  const std::string id(d.id);
  const std::string terminal(d.terminal);
  const std::string date(d.date);
  const std::string time(d.time);
  const std::string kind(d.kind);
  ctx.log.writeLogf("ID: %s, Terminal: %s, Datum: %s, Uhrzeit: %s, Art: %s", id.c_str(), terminal.c_str(),
                    date.c_str(), time.c_str(), kind.c_str());
}

}  // namespace

void reportInsertFailure(RunContext& ctx, const BookingStore& store, int32_t result,
                         const BookingDetail& detail, const char* failedLineFormat, int32_t& firstError) {
  const std::string id(detail.id);
  if (result == kDuplicateBooking) {
    ++ctx.counts.duplicates;
    ctx.log.writeLogf("ID %s: Buchungssatz existiert bereits", id.c_str());
    writeDetail(ctx, detail);
    if (ctx.debug) ctx.console.printf("   ID %s: Buchungssatz existiert bereits\n", id.c_str());
    return;
  }
  ++ctx.counts.failed;
  ctx.log.writeLogf("\nInsert-Fehler: %d", result);
  writeDetail(ctx, detail);
  if (firstError == 0) firstError = result;
  ctx.console.write(formatText(failedLineFormat, id.c_str(), result));
  if (ctx.debug) ctx.console.write(store.lastFailureDiagnostic());
}

void reportCanteenOutcome(RunContext& ctx, const BookingStore& store, const StoreResult& canteen) {
  if (canteen.code == 0) {
    ++ctx.counts.canteen;
    return;
  }
  ++ctx.counts.failed;
  if (ctx.debug) ctx.console.write(store.lastFailureDiagnostic());
}

int32_t stopAtLostConnection(RunContext& ctx, const BookingStore& store, int32_t record, bool diagnosticShown,
                             int32_t firstError) {
  const ConnectionLoss& loss = *store.connectionLoss();
  ctx.log.writeLogf(kLostConnectionLog, record, loss.sqlState.c_str());
  ctx.console.printf(kLostConnectionConsole, record, loss.sqlState.c_str());
  if (ctx.debug && !diagnosticShown) ctx.console.write(loss.diagnostic);
  return firstError != 0 ? firstError : -1;
}
