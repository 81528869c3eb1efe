#include "readers/insert_outcome.h"

#include <string>

namespace {

std::string z(std::string_view v) { return std::string(v); }

void writeDetail(RunContext& ctx, const BookingDetail& d) {
  ctx.log.writeLogf("ID: %s, Terminal: %s, Datum: %s, Uhrzeit: %s, Art: %s", z(d.id).c_str(),
                    z(d.terminal).c_str(), z(d.date).c_str(), z(d.time).c_str(), z(d.kind).c_str());
}

}  // namespace

void reportInsertOutcome(RunContext& ctx, const BookingStore& store, int32_t result, const BookingDetail& detail,
                         const char* failedLineFormat, int32_t& firstError) {
  if (result == 0) {
    countInserted(ctx);
    return;
  }
  ctx.lastResult = result;
  const std::string id = z(detail.id);
  if (result == kDuplicateBooking) {
    ++ctx.counts.duplicates;
    ctx.log.writeLogf("ID %s: Buchungssatz existiert bereits", id.c_str());
    writeDetail(ctx, detail);
    if (ctx.debug) ctx.console.printf("   ID %s: Buchungssatz existiert bereits\n", id.c_str());
    ctx.lastResult = 0;
    return;
  }
  ++ctx.counts.failed;
  ctx.log.writeLogf("\nInsert-Fehler: %d", result);
  writeDetail(ctx, detail);
  if (firstError == 0) firstError = result;
  ctx.console.write(formatText(failedLineFormat, id.c_str(), result));
  if (ctx.debug) ctx.console.write(store.lastFailureDiagnostic());
}

void reportCanteenOutcome(RunContext& ctx, const BookingStore& store) {
  if (store.lastCanteenResult() == 0) {
    ++ctx.counts.canteen;
    return;
  }
  ++ctx.counts.failed;
  if (ctx.debug) ctx.console.write(store.lastFailureDiagnostic());
}
