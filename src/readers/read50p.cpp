// The 50p reader: 32-byte records carrying a cost-centre number. Every record
// asks for its cost centre and for the terminal's default key and its function
// code; there are no canteen bookings in this format.
#include "common/decimal.h"
#include "readers/fixed_reader.h"
#include "readers/insert_outcome.h"
#include "readers/readers.h"

namespace {

// The record, bytes from 0: day 0-1 | month 2-3 | year 4-5 | time 6-11 |
// ID 12-24 | cost-centre number 25-31.
constexpr FixedFormat k50p{
    /*type=*/"50p",
    /*recordLength=*/32,
    /*dayAt=*/0,
    /*monthAt=*/2,
    /*yearAt=*/4,
    /*timeAt=*/6,
    /*badgeAt=*/12,
    /*numbersBookings=*/true,
    /*failedInsertLine=*/kInsertFailedLine,
};
constexpr std::size_t kCostCentreAt = 25;
constexpr std::size_t kCostCentreLength = 7;

}  // namespace

int32_t read50p(SourceFile& file, RunContext& ctx, BookingStore& store) {
  const std::string_view terminal = ctx.terminal.view();
  auto complete = [&](const char* record, BookingRecord& booking) {
    const FixedText<kCostCentreLength + 1> costCentreNumber(
        std::string_view(record + kCostCentreAt, kCostCentreLength));
    // Straight into BewKst, still empty from the cleared record.
    const StoreResult found =
        store.lookupKidKst(parseDecimal(costCentreNumber.view()), booking.BewKst, terminal);
    if (found.connectionLost) return RecordAction::kLost;  // whatever code the lost lookup gave
    if (found.code != 0) booking.BewKst = kNotFound;

    // Every record starts without a key, so a lookup that answers without a
    // value never carries the previous record's key over.
    int32_t key = kNoKey;
    const StoreResult keyFound = store.lookupTtaAps(terminal, key);
    if (keyFound.connectionLost) return RecordAction::kLost;
    if (keyFound.code == 0 && key != kNoKey && !completeFunctionCode(ctx, store, booking, key)) {
      return RecordAction::kLost;
    }
    return RecordAction::kInsert;
  };
  return readFixedRecords(file, ctx, store, k50p, complete);
}
