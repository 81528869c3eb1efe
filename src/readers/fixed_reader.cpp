#include "readers/fixed_reader.h"

#include <array>

#include "common/format.h"
#include "readers/insert_outcome.h"
#include "readers/running_number.h"
#include "readers/trim_right.h"

namespace {

constexpr std::string_view kCentury = "20";
constexpr std::string_view kMidnight = "000000";

std::string_view bytesAt(const char* record, std::size_t pos, std::size_t count) {
  return std::string_view(record + pos, count);
}

void reportBadLength(RunContext& ctx, const FixedFormat& format, long length) {
  ctx.log.writeLogf("falsche Satzlaenge der Quelldatei(%s)", format.type);
  ctx.console.printf("falsche Satzlaenge der Quelldatei(%s)\n", format.type);
  ctx.console.printf("Quelldatei(%s): Zeichenanzahl %ld\n", format.type, length);
}

// The length check. Returns true when the records can be read; otherwise the
// messages are out and `result` holds the reader's result (0 for a file shorter
// than one record, -1 for a bad length or a failed seek).
bool checkLength(SourceFile& file, RunContext& ctx, const FixedFormat& format, int32_t& result) {
  const long length = file.seekEnd();
  const long recordLength = static_cast<long>(format.recordLength);
  if (length > 0 && length < recordLength) {
    ctx.log.writeLogf("Quelldatei(%s): falsche Zeichenanzahl %ld", format.type, length);
    ctx.console.printf("Quelldatei(%s): unzul\xE4"
                       "ssige Zeichen ???\n",
                       format.type);
    ctx.console.printf("Quelldatei(%s): Zeichenanzahl %ld\n", format.type, length);
    result = 0;
    return false;
  }
  if (length < 0 || length % recordLength != 0) {
    reportBadLength(ctx, format, length);
    result = -1;
    return false;
  }
  return true;
}

}  // namespace

void fillBadge(const char* record, const FixedFormat& format, BookingRecord& booking) {
  booking.BewIDN.assign(record + format.idPos, kIdFieldLength);
  trimRight(booking.BewIDN);
  if (booking.BewIDN.empty()) booking.BewIDN = " ";
}

void fillDates(const char* record, const FixedFormat& format, BookingRecord& booking) {
  booking.BewDtm = kCentury;
  booking.BewDtm.append(bytesAt(record, format.yearPos, kDateFieldLength));
  booking.BewDtm.append(bytesAt(record, format.monthPos, kDateFieldLength));
  booking.BewDtm.append(bytesAt(record, format.dayPos, kDateFieldLength));
  booking.BewDtm.append(kMidnight);
  booking.BewUhr = booking.BewDtm.view().substr(0, 8);
  booking.BewUhr.append(bytesAt(record, format.timePos, kTimeFieldLength));
}

void completeFunctionCode(RunContext& ctx, BookingStore& store, BookingRecord& booking, int32_t key) {
  booking.BewTas = formatText("%02d", key);
  ctx.lastResult = store.lookupTtaFcd(booking, key);
  if (ctx.lastResult != 0) {
    booking.BewArt = "???";
    if (ctx.debug) ctx.console.printf("   ID %s: Buchungsart nicht gefunden\n", booking.BewIDN.c_str());
  }
}

int32_t readFixedRecords(SourceFile& file, RunContext& ctx, BookingStore& store,
                         const FixedFormat& format, const CompleteRecord& complete) {
  if (format.recordLength == 0 || format.recordLength >= kLineBufferSize) return -1;
  int32_t firstError = 0;
  int32_t lengthResult = 0;
  if (!checkLength(file, ctx, format, lengthResult)) return lengthResult;
  if (!file.rewind()) {
    // The records cannot be reached from their first byte: treated like a file
    // whose length could not be taken, never as an empty file.
    reportBadLength(ctx, format, -1);
    return -1;
  }

  std::array<char, kLineBufferSize> line{};  // zero: the record ends in a zero byte
  RunningNumber running;
  BookingRecord booking;
  ctx.lastResult = 0;

  while (file.readItem(line.data(), format.recordLength)) {
    if (ctx.debug) ctx.console.printf("%s\n", line.data());

    booking.clear();
    booking.BewSrc = format.type;
    booking.BewTID = ctx.terminal.view();
    fillBadge(line.data(), format, booking);
    fillDates(line.data(), format, booking);
    if (complete(line.data(), booking) == RecordAction::kHandled) continue;

    booking.BewSto = "0";
    if (format.numbersBookings) running.take(booking.BewLfn);
    const int32_t result = store.insertBooking(booking);
    const BookingDetail detail{booking.BewIDN.view(), booking.BewTID.view(), booking.BewDtm.view(),
                               booking.BewUhr.view(), booking.BewArt.view()};
    reportInsertOutcome(ctx, result, detail, format.failedInsertLine, firstError);
  }
  return firstError;
}
