// The frame shared by the fixed-length readers: length check and its messages
// (checked through all three readers), dates and badge, the record loop and the
// insert outcome handling (checked with a format of the test's own layout).
#include "readers/fixed_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "reader_harness.h"
#include "readers/insert_outcome.h"
#include "readers/readers.h"

namespace {

struct Harness : ReaderHarness {
  Harness() : ReaderHarness("T1", "source.dat") {}
};

// A layout unlike the real formats, so that the frame is seen to follow the
// description: ID 0-12, time 13-18, year 19-20, month 21-22, day 23-24, tag 25.
constexpr FixedFormat kToy{"t26", 26, 23, 21, 19, 13, 0, true, "<%s|%d>\n"};

std::string toyRecord(const std::string& id13, const std::string& hhmmss, const std::string& yymmdd,
                      char tag = 'x') {
  return fixedRecord("toy", kToy.recordLength, {id13, hhmmss, yymmdd, std::string_view(&tag, 1)});
}

const std::string kRecA = toyRecord("AB12         ", "235959", "241231");
const std::string kRecB = toyRecord("  77\t        ", "073000", "250201");

RecordAction insertAll(const char*, BookingRecord&) { return RecordAction::kInsert; }

// ---- dates and badge ----

TEST(FixedReaderTest, DatesTakeCenturyTwentyAndTheirPositions) {
  struct Case {
    std::string record;
    std::string dtm;
    std::string uhr;
  };
  const Case cases[] = {
      {kRecA, "20241231000000", "20241231235959"},
      {kRecB, "20250201000000", "20250201073000"},
      {toyRecord("X            ", "120000", "990229"), "20990229000000", "20990229120000"},
      // Nothing is validated: the bytes go in as they stand.
      {toyRecord("X            ", "ab:c-d", "  1399"), "20  1399000000", "20  1399ab:c-d"},
      // A zero byte ends its field's part only.
      {toyRecord("X            ", std::string("12\0" "456", 6), std::string("2\0" "1231", 6)), "2021231000000",
       "2021231012"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("record \"" + c.record + "\"");
    BookingRecord b;
    fillDates(c.record.data(), kToy, b);
    EXPECT_EQ(b.BewDtm.str(), c.dtm);
    EXPECT_EQ(b.BewUhr.str(), c.uhr);
  }
  // A zero byte at each place of the time and the date: each part ends there.
  const auto cut = [](const std::string& part) { return part.substr(0, part.find('\0')); };
  for (std::size_t at = 0; at < 12; ++at) {
    std::string hhmmss = "235959";
    std::string yymmdd = "241231";
    (at < 6 ? hhmmss[at] : yymmdd[at - 6]) = '\0';
    const std::string dtm = "20" + cut(yymmdd.substr(0, 2)) + cut(yymmdd.substr(2, 2)) + cut(yymmdd.substr(4, 2)) +
                            "000000";
    SCOPED_TRACE("zero byte at " + std::to_string(at));
    BookingRecord b;
    fillDates(toyRecord("X            ", hhmmss, yymmdd).data(), kToy, b);
    EXPECT_EQ(b.BewDtm.str(), dtm);
    EXPECT_EQ(b.BewUhr.str(), dtm.substr(0, 8) + cut(hhmmss));
  }
}

TEST(FixedReaderTest, BadgeIsTrimmedOnTheRightOrOneBlank) {
  struct Case {
    std::string id13;
    std::string idn;
  };
  const Case cases[] = {
      {"1234         ", "1234"},
      {"1234567890123", "1234567890123"},
      {"   1234      ", "   1234"},
      {"12\t34\t\t      ", "12\t34"},
      {"             ", " "},
      {"\t\t\t\t\t\t\t\t\t\t\t\t\t", " "},
      {std::string("\0" "234567890123", 13), " "},
      {std::string("12\0" "4567890123", 13), "12"},
      {"\xE4\xF6\xFC\xDF         ", "\xE4\xF6\xFC\xDF"},
      {"1234\r        ", "1234\r"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("id \"" + c.id13 + "\"");
    const std::string record = toyRecord(c.id13, "000000", "240101");
    BookingRecord b;
    fillBadge(record.data(), kToy, b);
    EXPECT_EQ(b.BewIDN.str(), c.idn);
  }
}

// ---- function code ----

TEST(FixedReaderTest, FunctionCodeOfAKey) {
  struct Case {
    int32_t key;
    FakeStore::TextAnswer answer;
    std::string tas;
    std::string art;
    int32_t lastResult;
  };
  const Case cases[] = {
      {3, {0, "F03"}, "03", "F03", 0},
      {16, {100, ""}, "16", "???", 100},
      {0, {208, "junk"}, "00", "???", 208},
      {123, {0, "F"}, "12", "F", 0},  // BewTas holds two characters
  };
  for (const auto& c : cases) {
    for (bool debug : {false, true}) {
      SCOPED_TRACE("key " + std::to_string(c.key) + (debug ? " debug" : ""));
      Harness h;
      h.ctx.debug = debug;
      h.store.fcd[c.key] = c.answer;
      BookingRecord b;
      b.BewTID = "T1";
      b.BewIDN = "  42";
      completeFunctionCode(h.ctx, h.store, b, c.key);
      EXPECT_EQ(b.BewTas.str(), c.tas);
      EXPECT_EQ(b.BewArt.str(), c.art);
      EXPECT_EQ(h.ctx.lastResult, c.lastResult);
      EXPECT_EQ(h.store.calls, std::vector<std::string>{"FCD T1 " + std::to_string(c.key)});
      EXPECT_EQ(h.out, debug && c.art == "???" ? "   ID   42: Buchungsart nicht gefunden\n" : "");
      EXPECT_TRUE(h.log.entries.empty());
    }
  }
}

// ---- length check, through the three readers ----

struct ReaderCase {
  Reader read;
  std::string type;
  long length;
};
const ReaderCase kReaders[] = {{read40p, "40p", 29}, {read50p, "50p", 32}, {read62p, "62p", 33}};

TEST(FixedReaderTest, ShortFileIsReportedAndCountsAsSuccess) {
  for (const auto& r : kReaders) {
    for (long len : {1L, r.length - 1}) {
      for (bool debug : {false, true}) {
        SCOPED_TRACE(r.type + " length " + std::to_string(len) + (debug ? " debug" : ""));
        Harness h;
        h.ctx.debug = debug;
        const int32_t result = r.read(h.open(std::string(static_cast<std::size_t>(len), '1')), h.ctx, h.store);
        EXPECT_EQ(result, 0);
        const std::string n = std::to_string(len);
        EXPECT_EQ(h.log.entries, std::vector<std::string>{"Quelldatei(" + r.type + "): falsche Zeichenanzahl " + n});
        EXPECT_EQ(h.out, "Quelldatei(" + r.type + "): unzul\xE4" "ssige Zeichen ???\n" + "Quelldatei(" + r.type +
                             "): Zeichenanzahl " + n + "\n");
        EXPECT_EQ(h.store.count("INSERT"), 0);
        EXPECT_EQ(h.store.count("ZLS"), r.type == "40p" ? 32 : 0);
        EXPECT_EQ(h.store.calls.size(), static_cast<std::size_t>(h.store.count("ZLS")));
      }
    }
  }
}

TEST(FixedReaderTest, LengthNotAWholeNumberOfRecordsFails) {
  for (const auto& r : kReaders) {
    for (long len : {r.length + 1, 2 * r.length - 1, 2 * r.length + 1, 10 * r.length + 3}) {
      SCOPED_TRACE(r.type + " length " + std::to_string(len));
      Harness h;
      const int32_t result = r.read(h.open(std::string(static_cast<std::size_t>(len), '1')), h.ctx, h.store);
      EXPECT_EQ(result, -1);
      EXPECT_EQ(h.log.entries, std::vector<std::string>{"falsche Satzlaenge der Quelldatei(" + r.type + ")"});
      EXPECT_EQ(h.out, "falsche Satzlaenge der Quelldatei(" + r.type + ")\n" + "Quelldatei(" + r.type +
                           "): Zeichenanzahl " + std::to_string(len) + "\n");
      EXPECT_EQ(h.store.count("INSERT"), 0);
      EXPECT_EQ(h.store.calls.size(), static_cast<std::size_t>(h.store.count("ZLS")));
    }
  }
}

TEST(FixedReaderTest, EmptyFileIsQuietAndSucceeds) {
  for (const auto& r : kReaders) {
    SCOPED_TRACE(r.type);
    Harness h;
    h.ctx.debug = true;
    h.ctx.lastResult = 55;
    EXPECT_EQ(r.read(h.open(""), h.ctx, h.store), 0);
    EXPECT_EQ(h.out, "");
    EXPECT_TRUE(h.log.entries.empty());
    EXPECT_EQ(h.store.count("INSERT"), 0);
    EXPECT_EQ(h.ctx.lastResult, 0);
  }
}

TEST(FixedReaderTest, WholeRecordsAreAllRead) {
  for (const auto& r : kReaders) {
    for (int records : {1, 2, 5}) {
      SCOPED_TRACE(r.type + " records " + std::to_string(records));
      Harness h;
      const std::string bytes(static_cast<std::size_t>(records * r.length), '1');
      EXPECT_EQ(r.read(h.open(bytes), h.ctx, h.store), 0);
      EXPECT_EQ(h.store.count("INSERT"), records);
      EXPECT_EQ(h.out, "");
    }
  }
}

// ---- the record loop ----

TEST(FixedReaderTest, CompletionSeesTheRecordZeroTerminatedInTheLineBuffer) {
  Harness h;
  std::vector<std::string> seen;
  bool tailZero = true;
  auto complete = [&](const char* record, BookingRecord& b) {
    seen.emplace_back(record);
    for (std::size_t i = kToy.recordLength; i < kLineBufferSize; ++i) tailZero = tailZero && record[i] == '\0';
    // The frame has filled the common fields before the step runs.
    EXPECT_EQ(b.BewSrc.str(), "t26");
    EXPECT_EQ(b.BewTID.str(), "T1");
    EXPECT_FALSE(b.BewIDN.empty());
    EXPECT_FALSE(b.BewDtm.empty());
    EXPECT_TRUE(b.BewSto.empty());
    EXPECT_TRUE(b.BewLfn.empty());
    return RecordAction::kInsert;
  };
  EXPECT_EQ(readFixedRecords(h.open(kRecA + kRecB), h.ctx, h.store, kToy, complete), 0);
  EXPECT_EQ(seen, (std::vector<std::string>{kRecA, kRecB}));
  EXPECT_TRUE(tailZero);
  ASSERT_EQ(h.store.inserted.size(), 2u);
  const BookingRecord& b = h.store.inserted[1];
  EXPECT_EQ(b.BewIDN.str(), "  77");
  EXPECT_EQ(b.BewDtm.str(), "20250201000000");
  EXPECT_EQ(b.BewUhr.str(), "20250201073000");
  EXPECT_EQ(b.BewSto.str(), "0");
  EXPECT_EQ(b.BewLfn.str(), "2");
}

TEST(FixedReaderTest, HandledRecordsTakeNoInsertAndNoRunningNumber) {
  Harness h;
  const std::string handled = toyRecord("K1           ", "000000", "240101", 'K');
  auto complete = [](const char* record, BookingRecord&) {
    return record[25] == 'K' ? RecordAction::kHandled : RecordAction::kInsert;
  };
  h.store.insertResults = {547};
  EXPECT_EQ(readFixedRecords(h.open(kRecA + handled + kRecB + handled), h.ctx, h.store, kToy, complete), 547);
  EXPECT_EQ(h.store.calls, (std::vector<std::string>{"INSERT", "INSERT"}));
  ASSERT_EQ(h.store.inserted.size(), 2u);
  EXPECT_EQ(h.store.inserted[0].BewLfn.str(), "1");
  EXPECT_EQ(h.store.inserted[1].BewLfn.str(), "2");
  // A handled record after the failure leaves the last result of its own step.
  EXPECT_EQ(h.ctx.lastResult, 0);
}

TEST(FixedReaderTest, WithoutNumberingTheStepsRunningNumberStays) {
  Harness h;
  FixedFormat format = kToy;
  format.numbersBookings = false;
  auto complete = [](const char*, BookingRecord& b) {
    b.BewLfn = "042";
    return RecordAction::kInsert;
  };
  EXPECT_EQ(readFixedRecords(h.open(kRecA + kRecB), h.ctx, h.store, format, complete), 0);
  ASSERT_EQ(h.store.inserted.size(), 2u);
  EXPECT_EQ(h.store.inserted[0].BewLfn.str(), "042");
  EXPECT_EQ(h.store.inserted[1].BewLfn.str(), "042");
}

TEST(FixedReaderTest, RunningNumberWrapsAfter999AndFailuresUseOneUp) {
  Harness h;
  std::string bytes;
  for (int i = 0; i < 1002; ++i) bytes += kRecA;
  h.store.insertResults = {0, 547};  // the second insert fails
  EXPECT_EQ(readFixedRecords(h.open(bytes), h.ctx, h.store, kToy, insertAll), 547);
  ASSERT_EQ(h.store.inserted.size(), 1002u);
  for (std::size_t i = 0; i < h.store.inserted.size(); ++i) {
    const int expected = static_cast<int>(i % 999) + 1;
    ASSERT_EQ(h.store.inserted[i].BewLfn.str(), std::to_string(expected)) << "insert " << i;
  }
}

TEST(FixedReaderTest, RecordEchoOnlyInDebugModeAndUpToTheFirstZeroByte) {
  const std::string withZero = toyRecord(std::string("AB\xE4" "D\0" "FGHIJKLM", 13), "000000", "240101");
  for (bool debug : {false, true}) {
    SCOPED_TRACE(debug ? "debug" : "quiet");
    Harness h;
    h.ctx.debug = debug;
    EXPECT_EQ(readFixedRecords(h.open(kRecA + withZero), h.ctx, h.store, kToy, insertAll), 0);
    EXPECT_EQ(h.out, debug ? kRecA + "\n" + "AB\xE4" "D\n" : "");
    EXPECT_EQ(h.store.count("INSERT"), 2);
  }
}

// ---- outcome handling ----

struct OutcomeCase {
  std::vector<int32_t> results;  // one per record
  int32_t firstError;
  int32_t lastResult;
};

TEST(FixedReaderTest, FirstFailureDecidesDuplicatesCountAsSuccess) {
  const OutcomeCase cases[] = {
      {{0, 0, 0}, 0, 0},
      {{2627}, 0, 0},
      {{2627, 2627, 0}, 0, 0},
      {{0, 547, 0}, 547, 0},
      {{547, 8152}, 547, 8152},
      {{2627, 8152, 547}, 8152, 547},
      {{-1, 547}, -1, 547},
      {{0, 0, -1}, -1, -1},
      {{547, 2627}, 547, 0},
  };
  for (const auto& c : cases) {
    std::string trace = "results";
    for (int32_t r : c.results) trace += " " + std::to_string(r);
    SCOPED_TRACE(trace);
    Harness h;
    std::string bytes;
    for (std::size_t i = 0; i < c.results.size(); ++i) bytes += kRecA;
    h.store.insertResults.assign(c.results.begin(), c.results.end());
    EXPECT_EQ(readFixedRecords(h.open(bytes), h.ctx, h.store, kToy, insertAll), c.firstError);
    EXPECT_EQ(h.ctx.lastResult, c.lastResult);
    EXPECT_EQ(h.store.count("INSERT"), static_cast<int>(c.results.size()));
    // The run summary's counts: every record read is one of the three.
    const auto howMany = [&](auto pick) { return static_cast<int32_t>(std::count_if(c.results.begin(), c.results.end(), pick)); };
    EXPECT_EQ(h.ctx.counts.read, static_cast<int32_t>(c.results.size()));
    EXPECT_EQ(h.ctx.counts.inserted, howMany([](int32_t r) { return r == 0; }));
    EXPECT_EQ(h.ctx.counts.duplicates, howMany([](int32_t r) { return r == kDuplicateBooking; }));
    EXPECT_EQ(h.ctx.counts.failed, howMany([](int32_t r) { return r != 0 && r != kDuplicateBooking; }));
    EXPECT_EQ(h.ctx.counts.canteen, 0);
  }
}

TEST(FixedReaderTest, OutcomeMessagesByteForByte) {
  const std::string detail = "ID: AB12, Terminal: T1, Datum: 20241231000000, Uhrzeit: 20241231235959, Art: ";
  for (bool debug : {false, true}) {
    SCOPED_TRACE(debug ? "debug" : "quiet");
    Harness h;
    h.ctx.debug = debug;
    h.store.insertResults = {2627, 0, 547, -1};
    h.store.failureDiagnostic = "   ODBC 23000 (547): refused\n";  // shown after a failure, debug flag only
    const std::string bytes = kRecA + kRecA + kRecA + kRecA;
    EXPECT_EQ(readFixedRecords(h.open(bytes), h.ctx, h.store, kToy, insertAll), 547);
    EXPECT_EQ(h.log.entries, (std::vector<std::string>{"ID AB12: Buchungssatz existiert bereits", detail,
                                                       "\nInsert-Fehler: 547", detail, "\nInsert-Fehler: -1",
                                                       detail}));
    std::string expected;
    if (debug) expected += kRecA + "\n" + "   ID AB12: Buchungssatz existiert bereits\n" + kRecA + "\n" + kRecA + "\n";
    expected += "<AB12|547>\n";
    if (debug) expected += "   ODBC 23000 (547): refused\n" + kRecA + "\n";
    expected += "<AB12|-1>\n";
    if (debug) expected += "   ODBC 23000 (547): refused\n";
    EXPECT_EQ(h.out, expected);
  }
}

TEST(FixedReaderTest, DetailEntryQuotesTheFunctionCodeTheStepSet) {
  Harness h;
  h.store.insertResults = {2627};
  auto complete = [](const char*, BookingRecord& b) {
    b.BewArt = "F01";
    return RecordAction::kInsert;
  };
  EXPECT_EQ(readFixedRecords(h.open(kRecB), h.ctx, h.store, kToy, complete), 0);
  ASSERT_EQ(h.log.entries.size(), 2u);
  EXPECT_EQ(h.log.entries[0], "ID   77: Buchungssatz existiert bereits");
  EXPECT_EQ(h.log.entries[1], "ID:   77, Terminal: T1, Datum: 20250201000000, Uhrzeit: 20250201073000, Art: F01");
}

}  // namespace
