#include "readers/fixed_reader.h"

#include <array>
#include <cstring>

#include "common/decimal.h"
#include "readers/insert_outcome.h"
#include "readers/readers.h"
#include "readers/running_number.h"
#include "readers/trim_right.h"

namespace {

constexpr std::string_view kCentury = "20";
constexpr std::size_t kDateFieldLength = 2;  // DD, MM, YY
constexpr std::size_t kTimeFieldLength = 6;  // hhmmss
constexpr std::size_t kBadgeLength = 13;
constexpr std::size_t kDayLength = 8;     // YYYYMMDD of YYYYMMDDhhmmss
constexpr std::size_t kStampLength = 14;  // YYYYMMDDhhmmss
constexpr int kKeyDigits = 2;             // BewTas: the key number as "%02d" gives it

std::string_view bytesAt(const char* record, std::size_t pos, std::size_t count) {
  return std::string_view(record + pos, count);
}

// The bytes before the first zero byte: a zero byte ends a field's part.
std::string_view upToZero(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

bool hasZero(std::string_view bytes) {
  for (const char c : bytes) {
    if (c == '\0') return true;
  }
  return false;
}

// Copies `piece` to `to`; returns the end of the copy.
char* put(char* to, std::string_view piece) {
  std::memcpy(to, piece.data(), piece.size());
  return to + piece.size();
}

// A date text put together from pieces of a record, each up to its first zero
// byte: at most 14 characters (YYYYMMDDhhmmss).
class DateText {
 public:
  void add(std::string_view piece) {
    for (const char c : piece) {
      if (c == '\0' || size_ == text_.size()) return;
      text_[size_++] = c;
    }
  }
  std::string_view view() const { return std::string_view(text_.data(), size_); }

 private:
  std::array<char, kStampLength> text_{};
  std::size_t size_ = 0;
};

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

// Badge: the ID bytes, trailing blanks and tabs dropped; a single blank when
// nothing is left.
void fillBadge(const char* record, const FixedFormat& format, BookingRecord& booking) {
  const std::string_view trimmed = trimRight(upToZero(bytesAt(record, format.badgeAt, kBadgeLength)));
  booking.BewIDN = trimmed.empty() ? kNoBadge : trimmed;
}

// BewDtm "20" YY MM DD "000000" and BewUhr: the first 8 characters of BewDtm,
// then the time bytes. A zero byte inside a field ends that field's part.
void fillDates(const char* record, const FixedFormat& format, BookingRecord& booking) {
  const std::string_view year = bytesAt(record, format.yearAt, kDateFieldLength);
  const std::string_view month = bytesAt(record, format.monthAt, kDateFieldLength);
  const std::string_view day = bytesAt(record, format.dayAt, kDateFieldLength);
  const std::string_view time = bytesAt(record, format.timeAt, kTimeFieldLength);
  if (!hasZero(year) && !hasZero(month) && !hasZero(day)) {
    // The date pieces whole (any good record): "20" YY MM DD, then "000000"
    // for BewDtm and the time for BewUhr, whose zero byte, being last, ends
    // BewUhr there all the same.
    std::array<char, kStampLength> text;
    char* to = put(text.data(), kCentury);
    to = put(to, year);
    to = put(to, month);
    put(to, day);
    put(text.data() + kDayLength, kMidnight);
    booking.BewDtm.assign(text.data(), text.size());
    put(text.data() + kDayLength, time);
    booking.BewUhr.assign(text.data(), text.size());
    return;
  }
  // A zero byte ends its piece's part.
  DateText date;
  for (const std::string_view piece : {kCentury, year, month, day, kMidnight}) date.add(piece);
  booking.BewDtm = date.view();
  DateText stamp;
  stamp.add(date.view().substr(0, kDayLength));
  stamp.add(time);
  booking.BewUhr = stamp.view();
}

}  // namespace

bool completeFunctionCode(RunContext& ctx, BookingStore& store, BookingRecord& booking, int32_t key) {
  booking.BewTas = DecimalText(key, kKeyDigits).view();
  const StoreResult found = store.lookupTtaFcd(booking, key);
  if (found.connectionLost) return false;
  if (found.code != 0) {
    booking.BewArt = kNotFound;
    if (ctx.debug) ctx.console.printf("   ID %s: Buchungsart nicht gefunden\n", booking.BewIDN.c_str());
  }
  return true;
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
  const std::string_view type = format.type;
  const std::string_view terminal = ctx.terminal.view();  // the same for every record

  int32_t record = 0;  // counted from 1 in the file
  while (file.readItem(line.data(), format.recordLength)) {
    ++record;
    ++ctx.counts.read;
    if (ctx.debug) ctx.console.printf("%s\n", line.data());

    booking.clear();
    booking.BewSrc = type;
    booking.BewTID = terminal;
    fillBadge(line.data(), format, booking);
    fillDates(line.data(), format, booking);
    const RecordAction action = complete(line.data(), booking);
    if (action == RecordAction::kLost) return stopAtLostConnection(ctx, store, record, false, firstError);
    if (action == RecordAction::kHandled) {
      // A canteen booking that lost the connection has reported its failure.
      if (connectionLost(store)) return stopAtLostConnection(ctx, store, record, true, firstError);
      continue;
    }

    booking.BewSto = kNoLocation;
    if (format.numbersBookings) running.take(booking.BewLfn);
    const StoreResult inserted = store.insertBooking(booking);
    const int32_t result = inserted.code;
    if (result == 0) {
      ++ctx.counts.inserted;  // nothing to report
      continue;
    }
    const BookingDetail detail{booking.BewIDN.view(), booking.BewTID.view(), booking.BewDtm.view(),
                               booking.BewUhr.view(), booking.BewArt.view()};
    reportInsertFailure(ctx, store, result, detail, format.failedInsertLine, firstError);
    if (inserted.connectionLost) return stopAtLostConnection(ctx, store, record, true, firstError);
  }
  return firstError;
}
