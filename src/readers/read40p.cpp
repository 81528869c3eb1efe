// The 40p reader: 29-byte records with key character and reader number. The
// reader's cost centre comes from the terminal's reader table, the function code
// from the key character; key "K" marks a canteen booking.
#include <array>

#include "common/decimal.h"
#include "readers/fixed_reader.h"
#include "readers/insert_outcome.h"
#include "readers/readers.h"

namespace {

constexpr FixedFormat k40p{"40p", 29, 13, 15, 17, 19, 0, true, kInsertFailedLine3};
constexpr std::size_t kKeyPos = 25;
constexpr std::size_t kReaderPos = 26;
constexpr std::size_t kReaderLength = 2;
constexpr std::size_t kBerPos = 28;
constexpr int32_t kReaders = 32;
constexpr int32_t kNoKey = 99;
constexpr char kCanteenKey = 'K';

// Cost-centre numbers of the terminal's readers 1..32; empty where it has none.
using ReaderTable = std::array<FixedText<31>, kReaders>;

// "0".."9" are keys 0..9, "A".."G" keys 10..16; every other byte means no key.
int32_t keyNumber(char key) {
  if (key >= '0' && key <= '9') return key - '0';
  if (key >= 'A' && key <= 'G') return 10 + (key - 'A');
  return kNoKey;
}

void fillReaderTable(RunContext& ctx, BookingStore& store, ReaderTable& table) {
  FixedText<31> work;
  for (int32_t n = 1; n <= kReaders; ++n) {
    work.clear();
    ctx.lastResult = store.lookupZlsKst(ctx.terminal.view(), n, work);
    if (ctx.lastResult != 0) work.clear();
    table[static_cast<std::size_t>(n - 1)] = work.view();
  }
}

// The reader's cost-centre number (if its table entry has one) resolved to a
// cost centre; empty when the reader has none or the number has no cost centre.
// A reader number outside 1..32 counts as a reader without an entry.
void fillCostCentre(RunContext& ctx, BookingStore& store, const ReaderTable& table,
                    BookingRecord& booking) {
  const int32_t reader = parseDecimal(booking.BewLID.view());
  if (reader < 1 || reader > kReaders) return;
  const FixedText<31>& entry = table[static_cast<std::size_t>(reader - 1)];
  if (entry.empty()) return;
  // Straight into BewKst, still empty from the cleared record: it stays so
  // when nothing is found.
  ctx.lastResult = store.lookupKidKst(parseDecimal(entry.view()), booking.BewKst, ctx.terminal.view());
}

}  // namespace

int32_t read40p(SourceFile& file, RunContext& ctx, BookingStore& store) {
  ReaderTable table;
  fillReaderTable(ctx, store, table);  // before the file is looked at, on every call

  auto complete = [&](const char* record, BookingRecord& booking) {
    booking.BewLID.assign(record + kReaderPos, kReaderLength);
    fillCostCentre(ctx, store, table, booking);
    booking.BewKze.assign(record + kKeyPos, 1);
    booking.BewBer.assign(record + kBerPos, 1);
    if (record[kKeyPos] == kCanteenKey) {
      store.bookCanteen(booking);  // reports its own failure; never the reader's error
      reportCanteenOutcome(ctx, store);
      return RecordAction::kHandled;
    }
    const int32_t key = keyNumber(record[kKeyPos]);
    if (key != kNoKey) completeFunctionCode(ctx, store, booking, key);
    return RecordAction::kInsert;
  };
  return readFixedRecords(file, ctx, store, k40p, complete);
}
