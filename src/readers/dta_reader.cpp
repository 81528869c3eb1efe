// The dta reader: one booking per text line, its fields separated by commas.
//
// Fields of a line: 0 terminal, 1 reader, 2 ID (badge), 3 date YYYYMMDD,
// 4 date and time YYYYMMDDhhmmss, 5 booking kind, 6 a value stored as is,
// 7 "SO=" location, 8 optional "Kostenstelle=" cost-centre number or "VonBis="
// text. Field texts longer than their booking-record field are cut to its width.
// Log entries quoting a line or its fields are built whole, never cut.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/decimal.h"
#include "common/fixed_text.h"
#include "readers/field_list.h"
#include "readers/insert_outcome.h"
#include "readers/reader_table.h"
#include "readers/readers.h"
#include "readers/running_number.h"

namespace {

// A line is read in pieces of at most 498 characters (the line feed included);
// each piece is a line.
constexpr std::size_t kLineRead = kLineBufferSize - 1;

// The fields of a line, counted from 0.
enum Field : int32_t {
  kTerminalField = 0,
  kReaderField = 1,
  kBadgeField = 2,
  kDateField = 3,
  kStampField = 4,
  kKindField = 5,
  kEraField = 6,
  kLocationField = 7,
  kExtraField = 8,  // optional: "Kostenstelle=" or "VonBis="
};
constexpr int32_t kMinFields = kExtraField;  // fields 0 to 7 must be there

constexpr std::string_view kLocationPrefix = "SO=";
constexpr std::string_view kCostCentrePrefix = "Kostenstelle=";
constexpr std::string_view kFromToPrefix = "VonBis=";
constexpr std::size_t kTimePosition = 8;  // where BewDtm's time part starts

constexpr const char* kEcho = "\n%s";
constexpr const char* kBadLineLog = "\nFEHLERHAFTER BUCHUNGSSATZ: %s\n";
constexpr const char* kBadLineConsole = "FEHLERHAFTER BUCHUNGSSATZ !!\n";
// Bad lines reported one by one per file; beyond that they are only counted,
// so that a file of garbage cannot flood the run log and rotate its history
// away. The count is reported once at the end of the file.
constexpr int32_t kBadLinesReported = 1000;
constexpr const char* kBadLinesOverLog =
    "\nFEHLERHAFTE BUCHUNGSSAETZE: %d weitere nicht protokolliert, insgesamt %d";
constexpr const char* kBadLinesOverConsole =
    "FEHLERHAFTE BUCHUNGSSAETZE: %d weitere nicht angezeigt, insgesamt %d\n";

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The text after `prefix` when `field` begins with it and goes on past it.
bool valueAfter(std::string_view field, std::string_view prefix, std::string_view& value) {
  if (!startsWith(field, prefix) || field.size() <= prefix.size()) return false;
  value = field.substr(prefix.size());
  return true;
}

bool isCanteen(const BookingRecord& r) {
  const bool location = r.BewSto == "37136" || r.BewSto == "36292";
  const bool kind = r.BewArt == "K01" || r.BewArt == "K02" || r.BewArt == "K03";
  return location && kind;
}

class DtaReader {
 public:
  DtaReader(RunContext& ctx, BookingStore& store)
      : ctx_(ctx), store_(store), terminal_(ctx.terminal.view()) {}

  int32_t firstError() const { return firstError_; }

  // Handles line `number` (counted from 1 in the file); false when the store
  // lost its connection at it: then the reader has stopped, and firstError()
  // is its result.
  bool handleLine(std::string_view line, int32_t number) {
    if (ctx_.debug) ctx_.console.printf(kEcho, std::string(line).c_str());
    // One field list for the whole file, refilled line after line.
    if (!splitFieldsInto(line, fields_)) return true;
    ++ctx_.counts.read;
    if (fields_.count() < kMinFields) {
      reportBadLine(line);
      return true;
    }
    const Step step = handleBooking(fields_);
    if (step == Step::kDone) return true;
    firstError_ = stopAtLostConnection(ctx_, store_, number, step == Step::kLostReported, firstError_);
    return false;
  }

  // The count of the bad lines that were not reported one by one, if any.
  void reportBadLinesOverLimit() {
    const int32_t over = badLines_ - kBadLinesReported;
    if (over <= 0) return;
    ctx_.log.writeLogf(kBadLinesOverLog, over, badLines_);
    ctx_.console.printf(kBadLinesOverConsole, over, badLines_);
  }

 private:
  void reportBadLine(std::string_view line) {
    if (badLines_ < INT32_MAX) ++badLines_;
    if (badLines_ > kBadLinesReported) return;
    ctx_.log.writeLogf(kBadLineLog, std::string(line).c_str());
    ctx_.console.write(kBadLineConsole);
  }

  // What became of a booking line: handled, or the connection was lost at
  // one of its lookups, or at its insert or canteen booking, whose failure is
  // reported (its diagnostic shown with the debug flag).
  enum class Step { kDone, kLostAtLookup, kLostReported };

  Step handleBooking(const FieldList& f) {
    if (!readers_.load(store_, terminal_)) return Step::kLostAtLookup;  // anew for every line

    record_.clear();
    record_.BewTID = f.field(kTerminalField);
    record_.BewLID = f.field(kReaderField);
    record_.BewIDN = f.field(kBadgeField);
    if (record_.BewIDN.empty()) record_.BewIDN = kNoBadge;
    record_.BewDtm = f.field(kDateField);
    record_.BewUhr = f.field(kStampField);
    record_.BewArt = f.field(kKindField);
    record_.BewEra = f.field(kEraField);
    record_.BewSto = kNoLocation;
    record_.BewSrc = "dta";
    std::string_view value;
    if (valueAfter(f.field(kLocationField), kLocationPrefix, value)) record_.BewSto = value;

    if (isCanteen(record_)) {
      // Reports its own failure; never the reader's error.
      const StoreResult canteen = store_.bookCanteen(record_);
      reportCanteenOutcome(ctx_, store_, canteen);
      return canteen.connectionLost ? Step::kLostReported : Step::kDone;
    }

    if (f.count() > kExtraField) {
      if (valueAfter(f.field(kExtraField), kCostCentrePrefix, value)) {
        // Straight into BewKst, still empty from the cleared record: it stays
        // so when nothing is found, and the reader table is asked next.
        if (store_.lookupKidKst(parseDecimal(value), record_.BewKst, terminal_).connectionLost) {
          return Step::kLostAtLookup;
        }
      } else if (valueAfter(f.field(kExtraField), kFromToPrefix, value)) {
        record_.BewRes = value;
      }
    }
    if (!readers_.completeCostCentre(store_, terminal_, record_)) return Step::kLostAtLookup;

    record_.BewDtm.overwrite(kTimePosition, kMidnight);
    running_.take(record_.BewLfn);

    const StoreResult inserted = store_.insertBooking(record_);
    const int32_t result = inserted.code;
    if (result == 0) {
      ++ctx_.counts.inserted;  // nothing to report
      return Step::kDone;
    }
    const BookingDetail detail{f.field(kBadgeField), f.field(kTerminalField), f.field(kDateField),
                               f.field(kStampField), f.field(kKindField)};
    reportInsertFailure(ctx_, store_, result, detail, kInsertFailedLine, firstError_);
    return inserted.connectionLost ? Step::kLostReported : Step::kDone;
  }

  RunContext& ctx_;
  BookingStore& store_;
  std::string_view terminal_;  // of the command line: the key of every lookup
  BookingRecord record_;
  FieldList fields_;
  ReaderTable readers_;
  RunningNumber running_;
  int32_t firstError_ = 0;
  int32_t badLines_ = 0;
};

}  // namespace

int32_t readDta(SourceFile& file, RunContext& ctx, BookingStore& store) {
  DtaReader reader(ctx, store);
  std::array<char, kLineBufferSize> line{};
  int32_t number = 0;      // of the line in the file, counted from 1
  bool lineStarts = true;  // the piece read next starts a line of the file
  while (const std::size_t read = file.readLine(line.data(), kLineRead)) {
    if (lineStarts) ++number;
    lineStarts = line[read - 1] == '\n';  // else the rest of a long line follows
    // A zero byte in the data ends the line's text, as it does for the C string.
    if (!reader.handleLine(std::string_view(line.data()), number)) break;
  }
  reader.reportBadLinesOverLimit();
  return reader.firstError();
}
