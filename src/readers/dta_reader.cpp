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
#include "readers/readers.h"
#include "readers/running_number.h"

namespace {

constexpr int32_t kMinFields = 8;
constexpr int32_t kReaders = 32;
// A line is read in pieces of at most 498 characters; each piece is a line.
constexpr std::size_t kLineBuffer = 500;
constexpr std::size_t kLineRead = 499;

constexpr std::string_view kLocationPrefix = "SO=";
constexpr std::string_view kCostCentrePrefix = "Kostenstelle=";
constexpr std::string_view kFromToPrefix = "VonBis=";
constexpr std::string_view kNoLocation = "0";
constexpr std::string_view kNoId = " ";
constexpr std::string_view kMidnight = "000000";
constexpr std::size_t kTimePosition = 8;

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
  DtaReader(RunContext& ctx, BookingStore& store) : ctx_(ctx), store_(store) {}

  int32_t firstError() const { return firstError_; }

  void handleLine(std::string_view line) {
    if (ctx_.debug) ctx_.console.printf(kEcho, std::string(line).c_str());
    // One field list for the whole file, refilled line after line.
    if (!splitFieldsInto(line, fields_)) return;
    ++ctx_.counts.read;
    if (fields_.count() < kMinFields) {
      reportBadLine(line);
    } else {
      handleBooking(fields_);
    }
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

  // Cost-centre numbers of the terminal's readers 1 to 32, fetched anew per line.
  // The lookup writes straight into the entry, cleared before; an entry whose
  // lookup failed is emptied again.
  void loadReaderTable() {
    const std::string_view terminal = ctx_.terminal.view();
    for (int32_t n = 1; n <= kReaders; ++n) {
      FixedText<31>& entry = readerTable_[static_cast<std::size_t>(n - 1)];
      entry.clear();
      const int32_t result = store_.lookupZlsKst(terminal, n, entry);
      ctx_.lastResult = result;
      if (result != 0) entry.clear();
    }
  }

  // Straight into BewKst, which is empty whenever this runs (the record was
  // cleared, and a failed first lookup left it so): it stays empty when
  // nothing is found.
  void lookupCostCentre(int32_t number) {
    ctx_.lastResult = store_.lookupKidKst(number, record_.BewKst, ctx_.terminal.view());
  }

  void handleBooking(const FieldList& f) {
    loadReaderTable();

    record_.clear();
    record_.BewTID = f.field(0);
    record_.BewLID = f.field(1);
    record_.BewIDN = f.field(2);
    if (record_.BewIDN.empty()) record_.BewIDN = kNoId;
    record_.BewDtm = f.field(3);
    record_.BewUhr = f.field(4);
    record_.BewArt = f.field(5);
    record_.BewEra = f.field(6);
    record_.BewSto = kNoLocation;
    record_.BewSrc = "dta";
    std::string_view value;
    if (valueAfter(f.field(7), kLocationPrefix, value)) record_.BewSto = value;

    if (isCanteen(record_)) {
      store_.bookCanteen(record_);  // reports its own failure; never the reader's error
      reportCanteenOutcome(ctx_, store_);
      return;
    }

    if (f.count() > kMinFields) {
      if (valueAfter(f.field(8), kCostCentrePrefix, value)) {
        lookupCostCentre(parseDecimal(value));
      } else if (valueAfter(f.field(8), kFromToPrefix, value)) {
        record_.BewRes = value;
      }
    }
    if (record_.BewKst.empty()) {
      const int32_t reader = parseDecimal(record_.BewLID.view());
      if (reader >= 1 && reader <= kReaders) {
        const FixedText<31>& entry = readerTable_[static_cast<std::size_t>(reader - 1)];
        if (!entry.empty()) lookupCostCentre(parseDecimal(entry.view()));
      }
    }

    record_.BewDtm.overwrite(kTimePosition, kMidnight);
    running_.take(record_.BewLfn);

    const int32_t result = store_.insertBooking(record_);
    if (result == 0) {
      countInserted(ctx_);  // nothing to report
      return;
    }
    const BookingDetail detail{f.field(2), f.field(0), f.field(3), f.field(4), f.field(5)};
    reportInsertOutcome(ctx_, store_, result, detail, kInsertFailedLine3, firstError_);
  }

  RunContext& ctx_;
  BookingStore& store_;
  BookingRecord record_;
  FieldList fields_;
  std::array<FixedText<31>, kReaders> readerTable_;
  RunningNumber running_;
  int32_t firstError_ = 0;
  int32_t badLines_ = 0;
};

}  // namespace

int32_t readDta(SourceFile& file, RunContext& ctx, BookingStore& store) {
  ctx.lastResult = 0;
  DtaReader reader(ctx, store);
  std::array<char, kLineBuffer> line{};
  while (file.readLine(line.data(), kLineRead)) {
    // A zero byte in the data ends the line's text, as it does for the C string.
    reader.handleLine(std::string_view(line.data()));
  }
  reader.reportBadLinesOverLimit();
  return reader.firstError();
}
