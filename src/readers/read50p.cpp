// The 50p reader: 32-byte records carrying a cost-centre number. Every record
// asks for its cost centre and for the terminal's default key and its function
// code; there are no canteen bookings in this format.
#include "common/decimal.h"
#include "readers/fixed_reader.h"
#include "readers/insert_outcome.h"
#include "readers/readers.h"

namespace {

constexpr FixedFormat k50p{"50p", 32, 0, 2, 4, 6, 12, true, kInsertFailedLine3};
constexpr std::size_t kCostCentrePos = 25;
constexpr std::size_t kCostCentreLength = 7;
constexpr int32_t kNoKey = 99;

}  // namespace

int32_t read50p(SourceFile& file, RunContext& ctx, BookingStore& store) {
  auto complete = [&](const char* record, BookingRecord& booking) {
    const FixedText<kCostCentreLength + 1> costCentreNumber(
        std::string_view(record + kCostCentrePos, kCostCentreLength));
    // Straight into BewKst, still empty from the cleared record.
    ctx.lastResult =
        store.lookupKidKst(parseDecimal(costCentreNumber.view()), booking.BewKst, ctx.terminal.view());
    if (ctx.lastResult != 0) booking.BewKst = "???";

    // Every record starts without a key, so a lookup that answers without a
    // value never carries the previous record's key over.
    int32_t key = kNoKey;
    ctx.lastResult = store.lookupTtaAps(ctx.terminal.view(), key);
    if (ctx.lastResult == 0 && key != kNoKey) completeFunctionCode(ctx, store, booking, key);
    return RecordAction::kInsert;
  };
  return readFixedRecords(file, ctx, store, k50p, complete);
}
