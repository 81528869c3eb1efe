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
#include <string_view>

#include "common/run_context.h"
#include "common/source_file.h"
#include "db/booking_record.h"
#include "db/booking_store.h"

// Size of the line buffer a record is read into; the bytes behind the record
// stay zero, so the buffer always holds the record as a zero-terminated text.
constexpr std::size_t kLineBufferSize = 500;

// Byte positions (from 0) of the fields every fixed-length format carries:
// day, month and year two bytes each, time hhmmss six bytes, badge 13 bytes.
struct FixedFormat {
  const char* type;                // "40p": BewSrc and the "Quelldatei(40p)" texts
  std::size_t recordLength;        // bytes per record, at most kLineBufferSize - 1
  std::size_t dayPos;
  std::size_t monthPos;
  std::size_t yearPos;
  std::size_t timePos;
  std::size_t idPos;
  bool numbersBookings;            // running number 1..999 into BewLfn
  const char* failedInsertLine;    // console line after a failed insert
};

constexpr std::size_t kDateFieldLength = 2;
constexpr std::size_t kTimeFieldLength = 6;
constexpr std::size_t kIdFieldLength = 13;

// What the completion step decided for the current record.
enum class RecordAction {
  kInsert,   // hand it to the booking insert
  kHandled,  // taken care of (a canteen booking): no insert, no running number
};

// The per-format step. It gets the record's bytes (zero-terminated in the line
// buffer) and the booking record with BewSrc, BewTID, BewIDN, BewDtm and BewUhr
// already set; it may run lookups through the store and set ctx.lastResult.
using CompleteRecord = std::function<RecordAction(const char* record, BookingRecord& booking)>;

// Runs the length check and the record loop on `file`, positioned anywhere
// (the check seeks). Returns 0, -1 for a length that is not a whole number of
// records (or no length at all), or the first failed insert's code.
// Everything passed in is borrowed for the call only. The frame owns the line
// buffer, the booking record (cleared and reused for every record) and the
// running number; the record bytes handed to `complete` live until it returns.
int32_t readFixedRecords(SourceFile& file, RunContext& ctx, BookingStore& store,
                         const FixedFormat& format, const CompleteRecord& complete);

// Pieces of the frame, also used on their own by tests.

// Badge: the 13 ID bytes, trailing blanks and tabs dropped; a single blank when
// nothing is left.
void fillBadge(const char* record, const FixedFormat& format, BookingRecord& booking);

// BewDtm "20" YY MM DD "000000" and BewUhr: the first 8 characters of BewDtm,
// then the time bytes. A zero byte inside a field ends that field's part.
void fillDates(const char* record, const FixedFormat& format, BookingRecord& booking);

// The function code of `key` (a key number other than "no key"): BewTas is the
// key as two digits (a key beyond two digits keeps the first two), then the
// function-code lookup; when it fails, BewArt is "???" and, with the debug
// flag, the console says so. ctx.lastResult holds the lookup's result.
void completeFunctionCode(RunContext& ctx, BookingStore& store, BookingRecord& booking, int32_t key);

#endif  // HV_READERS_FIXED_READER_H
