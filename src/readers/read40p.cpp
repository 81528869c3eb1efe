// The 40p reader: 29-byte records with key character and reader number. The
// reader's cost centre comes from the terminal's reader table, the function code
// from the key character; key "K" marks a canteen booking.
#include "readers/fixed_reader.h"
#include "readers/insert_outcome.h"
#include "readers/reader_table.h"
#include "readers/readers.h"

namespace {

// The record, bytes from 0: ID 0-12 | day 13-14 | month 15-16 | year 17-18 |
// time 19-24 | key character 25 | reader number 26-27 | one character 28.
constexpr FixedFormat k40p{
    /*type=*/"40p",
    /*recordLength=*/29,
    /*dayAt=*/13,
    /*monthAt=*/15,
    /*yearAt=*/17,
    /*timeAt=*/19,
    /*badgeAt=*/0,
    /*numbersBookings=*/true,
    /*failedInsertLine=*/kInsertFailedLine,
};
constexpr std::size_t kKeyAt = 25;
constexpr std::size_t kReaderAt = 26;
constexpr std::size_t kReaderLength = 2;
constexpr std::size_t kBerAt = 28;
constexpr char kCanteenKey = 'K';

// "0".."9" are keys 0..9, "A".."G" keys 10..16; every other byte means no key.
int32_t keyNumber(char key) {
  if (key >= '0' && key <= '9') return key - '0';
  if (key >= 'A' && key <= 'G') return 10 + (key - 'A');
  return kNoKey;
}

}  // namespace

int32_t read40p(SourceFile& file, RunContext& ctx, BookingStore& store) {
  const std::string_view terminal = ctx.terminal.view();
  ReaderTable readers;
  // Before the file is looked at, on every call; a lost connection stops the
  // reader before its first record.
  if (!readers.load(store, terminal)) return stopAtLostConnection(ctx, store, 1, false, 0);

  auto complete = [&](const char* record, BookingRecord& booking) {
    booking.BewLID.assign(record + kReaderAt, kReaderLength);
    if (!readers.completeCostCentre(store, terminal, booking)) return RecordAction::kLost;
    booking.BewKze.assign(record + kKeyAt, 1);
    booking.BewBer.assign(record + kBerAt, 1);
    if (record[kKeyAt] == kCanteenKey) {
      // Reports its own failure; never the reader's error.
      reportCanteenOutcome(ctx, store, store.bookCanteen(booking));
      return RecordAction::kHandled;
    }
    const int32_t key = keyNumber(record[kKeyAt]);
    if (key != kNoKey && !completeFunctionCode(ctx, store, booking, key)) return RecordAction::kLost;
    return RecordAction::kInsert;
  };
  return readFixedRecords(file, ctx, store, k40p, complete);
}
