#include "readers/reader_table.h"

#include "common/decimal.h"

void ReaderTable::load(BookingStore& store, std::string_view terminal) {
  for (int32_t n = 1; n <= kReaders; ++n) {
    FixedText<31>& entry = entries_[static_cast<std::size_t>(n - 1)];
    entry.clear();
    const int32_t found = store.lookupZlsKst(terminal, n, entry).code;
    if (store.connectionLoss() != nullptr) {  // whatever code the lost lookup gave
      entry.clear();
      return;  // nothing more is asked
    }
    if (found != 0) entry.clear();
  }
}

void ReaderTable::completeCostCentre(BookingStore& store, std::string_view terminal,
                                     BookingRecord& booking) const {
  if (!booking.BewKst.empty()) return;
  const int32_t reader = parseDecimal(booking.BewLID.view());
  if (reader < 1 || reader > kReaders) return;
  const FixedText<31>& entry = entries_[static_cast<std::size_t>(reader - 1)];
  if (entry.empty()) return;
  store.lookupKidKst(parseDecimal(entry.view()), booking.BewKst, terminal);
}
