// ReaderTable: the cost-centre numbers of a terminal's readers 1 to 32, as the
// reader lookup delivers them, and the cost-centre fallback they serve: a
// booking without a cost centre of its own takes the one of its reader's
// number. The 40p reader loads the table once per file, the dta reader once
// per line.
#ifndef HV_READERS_READER_TABLE_H
#define HV_READERS_READER_TABLE_H

#include <array>
#include <cstdint>
#include <string_view>

#include "common/fixed_text.h"
#include "db/booking_record.h"
#include "db/booking_store.h"

class ReaderTable {
 public:
  static constexpr int32_t kReaders = 32;

  // lookupZlsKst for readers 1 to 32 in this order, each into its entry
  // cleared before; an entry whose lookup did not succeed is empty, whatever
  // the lookup left in it. False when a lookup lost the connection: the
  // loading ends there.
  bool load(BookingStore& store, std::string_view terminal);

  // The fallback, for a booking whose BewKst is still empty: BewLID read as a
  // decimal number is the reader; for a reader 1 to 32 whose entry is not
  // empty, lookupKidKst with the entry read as a decimal number, straight into
  // BewKst (which stays empty when nothing is found). Any other reader number,
  // and an empty entry, leave the booking without a cost centre and ask
  // nothing. False when the lookup lost the connection.
  bool completeCostCentre(BookingStore& store, std::string_view terminal, BookingRecord& booking) const;

 private:
  std::array<FixedText<31>, kReaders> entries_;  // entry n - 1: reader n
};

#endif  // HV_READERS_READER_TABLE_H
