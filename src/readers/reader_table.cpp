#include "readers/reader_table.h"

#include "common/decimal.h"

bool ReaderTable::load(BookingStore& store, std::string_view terminal) {
  for (int32_t n = 1; n <= kReaders; ++n) {
    FixedText<31>& entry = entries_[static_cast<std::size_t>(n - 1)];
    entry.clear();
    const StoreResult found = store.lookupZlsKst(terminal, n, entry);
    if (found.code == 0 && !found.connectionLost) continue;
    entry.clear();
    if (found.connectionLost) return false;  // whatever code the lost lookup gave: nothing more is asked
  }
  return true;
}

bool ReaderTable::completeCostCentre(BookingStore& store, std::string_view terminal,
                                     BookingRecord& booking) const {
  if (!booking.BewKst.empty()) return true;
  const int32_t reader = parseDecimal(booking.BewLID.view());
  if (reader < 1 || reader > kReaders) return true;
  const FixedText<31>& entry = entries_[static_cast<std::size_t>(reader - 1)];
  if (entry.empty()) return true;
  return !store.lookupKidKst(parseDecimal(entry.view()), booking.BewKst, terminal).connectionLost;
}
