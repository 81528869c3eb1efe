// The 62p reader: 33-byte records that carry their own running number. Every
// value comes from the record or a constant; no master data is asked, and the
// cost centre stays empty (sent as NULL).
#include "readers/fixed_reader.h"
#include "readers/insert_outcome.h"
#include "readers/readers.h"

namespace {

// The record, bytes from 0: day 0-1 | month 2-3 | year 4-5 | time 6-11 |
// running number 12-14 | reader 15-16 | two characters 17-18 | ID 19-31 |
// one character 32.
constexpr FixedFormat k62p{
    /*type=*/"62p",
    /*recordLength=*/33,
    /*dayAt=*/0,
    /*monthAt=*/2,
    /*yearAt=*/4,
    /*timeAt=*/6,
    /*badgeAt=*/19,
    /*numbersBookings=*/false,
    /*failedInsertLine=*/kInsertFailedLine62p,
};
constexpr std::size_t kRunningNumberAt = 12;
constexpr std::size_t kRunningNumberLength = 3;
constexpr std::size_t kReaderAt = 15;
constexpr std::size_t kReaderLength = 2;
constexpr std::size_t kErqAt = 17;
constexpr std::size_t kErqLength = 2;
constexpr std::size_t kEraAt = 32;

}  // namespace

int32_t read62p(SourceFile& file, RunContext& ctx, BookingStore& store) {
  auto complete = [](const char* record, BookingRecord& booking) {
    booking.BewLfn.assign(record + kRunningNumberAt, kRunningNumberLength);
    booking.BewLID.assign(record + kReaderAt, kReaderLength);
    booking.BewErq.assign(record + kErqAt, kErqLength);
    booking.BewEra.assign(record + kEraAt, 1);
    return RecordAction::kInsert;
  };
  return readFixedRecords(file, ctx, store, k62p, complete);
}
