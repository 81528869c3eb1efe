// The frame the three fixed-length readers (40p, 50p, 62p) share: the length
// check and its messages, the record loop over one line buffer, the booking
// record's badge and dates, and the handling of each insert's outcome. What
// differs between the formats is data (FixedFormat) plus one completion step
// per record that fills the format's own fields and runs its lookups.
#ifndef HV_READERS_FIXED_READER_H
#define HV_READERS_FIXED_READER_H

#include <cstddef>
#include <cstdint>
#include <functional>

#include "common/run_context.h"
#include "common/source_file.h"
#include "db/booking_record.h"
#include "db/booking_store.h"

// A fixed-length format: its name, its record length, where the fields every
// such format carries stand (byte positions from 0: day, month and year two
// bytes each, the time hhmmss six bytes, the badge 13 bytes), and how its
// bookings are numbered and their failures shown.
struct FixedFormat {
  const char* type;          // "40p": BewSrc and the "Quelldatei(40p)" texts
  std::size_t recordLength;  // bytes per record, below kLineBufferSize
  std::size_t dayAt;
  std::size_t monthAt;
  std::size_t yearAt;
  std::size_t timeAt;
  std::size_t badgeAt;
  bool numbersBookings;          // running number 1..999 into BewLfn
  const char* failedInsertLine;  // console line after a failed insert
};

// What the completion step decided for the current record.
enum class RecordAction {
  kInsert,   // hand it to the booking insert
  kHandled,  // taken care of (a canteen booking): no insert, no running number
  kLost,     // the connection went at one of its lookups: the reader stops here
};

// The per-format step. It gets the record's bytes (zero-terminated in the line
// buffer) and the booking record with BewSrc, BewTID, BewIDN, BewDtm and BewUhr
// already set; it may run lookups through the store.
using CompleteRecord = std::function<RecordAction(const char* record, BookingRecord& booking)>;

// Runs the length check and the record loop on `file`, positioned anywhere
// (the check seeks). Returns 0, -1 for a length that is not a whole number of
// records (or no length at all), or the first failed insert's code. When the
// store loses its connection, the loop stops at that record (see
// stopAtLostConnection) and returns the first error, or -1.
// Everything passed in is borrowed for the call only. The frame owns the line
// buffer, the booking record (cleared and reused for every record) and the
// running number; the record bytes handed to `complete` live until it returns.
int32_t readFixedRecords(SourceFile& file, RunContext& ctx, BookingStore& store, const FixedFormat& format,
                         const CompleteRecord& complete);

// The function code of `key` (a key number other than kNoKey): BewTas is the
// key as two digits (a key beyond two digits keeps the first two), then the
// function-code lookup; when it finds nothing, BewArt is "???" and, with the
// debug flag, the console says so. False when the lookup lost the connection:
// BewArt stays as it is, and the record goes no further.
bool completeFunctionCode(RunContext& ctx, BookingStore& store, BookingRecord& booking, int32_t key);

#endif  // HV_READERS_FIXED_READER_H
