// The 62p reader: 33-byte records that carry their own running number. Every
// value comes from the record or a constant; no master data is asked, and the
// cost centre stays empty (sent as NULL).
#include "readers/fixed_reader.h"
#include "readers/insert_outcome.h"
#include "readers/readers.h"

namespace {

constexpr FixedFormat k62p{"62p", 33, 0, 2, 4, 6, 19, false, kInsertFailedLine2};
constexpr std::size_t kLfnPos = 12;
constexpr std::size_t kLidPos = 15;
constexpr std::size_t kErqPos = 17;
constexpr std::size_t kEraPos = 32;

}  // namespace

int32_t read62p(SourceFile& file, RunContext& ctx, BookingStore& store) {
  auto complete = [](const char* record, BookingRecord& booking) {
    booking.BewLfn.assign(record + kLfnPos, 3);
    booking.BewLID.assign(record + kLidPos, 2);
    booking.BewErq.assign(record + kErqPos, 2);
    booking.BewEra.assign(record + kEraPos, 1);
    return RecordAction::kInsert;
  };
  return readFixedRecords(file, ctx, store, k62p, complete);
}
