// The rules the readers share, each tested once through every format that has
// it: the booking handed over, the outcome of each insert (first error,
// counts, messages byte for byte), the running number and the canteen
// outcome; and the fixed-length frame (length check, record loop, dates,
// badge) through 40p, 50p and 62p.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "formats.h"
#include "readers/insert_outcome.h"

namespace {

class FrameTest : public ::testing::TestWithParam<FormatCase> {
 protected:
  const FormatCase& format() const { return GetParam(); }

  // A reader run of the format, its store holding the plain booking's master data.
  std::unique_ptr<ReaderHarness> harness(bool debug = false) const {
    auto h = std::make_unique<ReaderHarness>(format().terminal, format().fileName, format().mode);
    format().masterData(h->store);
    h->ctx.debug = debug;
    return h;
  }
};

}  // namespace

// A format shows as its type in test names and messages.
void PrintTo(const FormatCase& format, std::ostream* out) { *out << format.type; }

namespace {

using EveryFormat = FrameTest;
using NumberingFormat = FrameTest;
using CanteenFormat = FrameTest;
using FixedLengthFormat = FrameTest;

INSTANTIATE_TEST_SUITE_P(Readers, EveryFormat, ::testing::Values(k40pCase, k50pCase, k62pCase, kDtaCase));
INSTANTIATE_TEST_SUITE_P(Readers, NumberingFormat, ::testing::Values(k40pCase, k50pCase, kDtaCase));
INSTANTIATE_TEST_SUITE_P(Readers, CanteenFormat, ::testing::Values(k40pCase, kDtaCase));
INSTANTIATE_TEST_SUITE_P(Readers, FixedLengthFormat, ::testing::Values(k40pCase, k50pCase, k62pCase));

// ---- every format ----

TEST_P(EveryFormat, EveryFieldHandedOverAndTheLookupsInOrder) {
  auto h = harness();
  const std::vector<std::string> ids = {"4711", "", "47 1\xE4"};
  std::string bytes;
  for (const std::string& id : ids) bytes += format().booking(id);
  EXPECT_EQ(h->run(format().read, bytes), 0);
  ASSERT_EQ(h->store.inserted.size(), ids.size());
  for (std::size_t i = 0; i < ids.size(); ++i) {
    SCOPED_TRACE("booking " + std::to_string(i + 1));
    ExpectedFields fields = format().fields(ids[i]);
    if (format().numbersBookings) fields["BewLfn"] = std::to_string(i + 1);
    expectRecord(h->store.inserted[i], fields);
  }
  Entries calls = format().callsPerFile;
  for (std::size_t i = 0; i < ids.size(); ++i) calls = calls + format().callsPerBooking;
  EXPECT_EQ(h->store.calls, calls);
  EXPECT_EQ(h->out, "");
  EXPECT_TRUE(h->log.entries.empty());
  EXPECT_EQ(h->ctx.counts.read, 3);
  EXPECT_EQ(h->ctx.counts.inserted, 3);
}

struct OutcomeCase {
  std::vector<int32_t> results;  // one per booking; none: one booking, written
  int32_t firstError;
  bool blankIds = false;  // bookings without a badge
};

const OutcomeCase kOutcomes[] = {
    {{}, 0},
    {{0, 0, 0}, 0},
    {{2627}, 0},
    {{2627, 2627, 0}, 0},
    {{0, 547, 0}, 547},
    {{547, 8152}, 547},
    {{2627, 8152, 547}, 8152},
    {{-1, 547}, -1},
    {{0, 0, -1}, -1},
    {{547, 2627}, 547},
    {{0, 2627, 8152, 2627, 547, 0}, 8152},
    {{0, 0, 0, 242}, 242},
    {{2627, 547, 2627}, 547, true},
};

TEST_P(EveryFormat, FirstFailureDecidesDuplicatesCountAsSuccess) {
  const std::string diagnostic = "   ODBC 23000 (547): refused\n";  // after a failure, debug flag only
  for (const OutcomeCase& c : kOutcomes) {
    for (const bool debug : {false, true}) {
      std::string trace = debug ? "debug, results" : "results";
      for (const int32_t r : c.results) trace += " " + std::to_string(r);
      SCOPED_TRACE(trace);
      auto h = harness(debug);
      h->store.insertResults.assign(c.results.begin(), c.results.end());
      h->store.failureDiagnostic = diagnostic;

      std::string bytes;
      Entries log;
      std::string console;
      BookingCounts counts;
      for (std::size_t i = 0; i < std::max<std::size_t>(c.results.size(), 1); ++i) {
        const std::string id = c.blankIds ? "" : "ID" + std::to_string(i);
        const std::string booking = format().booking(id);
        const std::string shown = format().shownId(id);
        const int32_t result = i < c.results.size() ? c.results[i] : 0;
        bytes += booking;
        ++counts.read;
        if (debug) console += format().echo(booking);
        if (result == 0) {
          ++counts.inserted;
        } else if (result == kDuplicateBooking) {
          ++counts.duplicates;
          log = log + Entries{"ID " + shown + ": Buchungssatz existiert bereits", format().detail(id)};
          if (debug) console += "   ID " + shown + ": Buchungssatz existiert bereits\n";
        } else {
          ++counts.failed;
          log = log + Entries{"\nInsert-Fehler: " + std::to_string(result), format().detail(id)};
          console +=
              format().failedLineIndent + "ID " + shown + ": Insert-Fehler: " + std::to_string(result) + "\n";
          if (debug) console += diagnostic;
        }
      }
      EXPECT_EQ(h->run(format().read, bytes), c.firstError);
      EXPECT_EQ(h->log.entries, log);
      EXPECT_EQ(h->out, console);
      EXPECT_EQ(h->ctx.counts.read, counts.read);
      EXPECT_EQ(h->ctx.counts.inserted, counts.inserted);
      EXPECT_EQ(h->ctx.counts.duplicates, counts.duplicates);
      EXPECT_EQ(h->ctx.counts.failed, counts.failed);
      EXPECT_EQ(h->ctx.counts.canteen, 0);
    }
  }
}

// The connection lost at every store call of a three-booking file in turn:
// the reader stops at that record (for the fixed formats the one it is at,
// for dta its line), sends and reads nothing more, writes one entry and one
// console line for it (after the failure entry of an insert that lost it) and
// ends with the first error, or -1.
TEST_P(EveryFormat, LostConnectionStopsAtTheRecordOfTheLostStatement) {
  const std::vector<std::string> ids = {"A", "B", "C"};
  std::string bytes;
  for (const std::string& id : ids) bytes += format().booking(id);
  const Entries perFile = format().callsPerFile;
  const Entries perBooking = format().callsPerBooking;
  const std::size_t calls = perFile.size() + ids.size() * perBooking.size();
  const std::string failed = "   ODBC 23000 (547): refused\n";
  // Lost without a native code (08S01 as FreeTDS gives it), or with one (a
  // closed connection's 20017, which the lookups answer too).
  for (const int32_t native : {0, 20017}) {
    for (std::size_t lostAt = 1; lostAt <= calls; ++lostAt) {
      for (const bool debug : {false, true}) {
        SCOPED_TRACE("native " + std::to_string(native) + ", lost at call " + std::to_string(lostAt) +
                     (debug ? ", debug" : ""));
        auto h = harness(debug);
        h->store.insertResults = {0, 547, 0};  // booking B fails on its own
        h->store.failureDiagnostic = failed;
        h->store.loseAtCall = lostAt;
        h->store.lossNative = native;
        const bool beforeRecords = lostAt <= perFile.size();
        const std::size_t record = beforeRecords ? 0 : (lostAt - perFile.size() - 1) / perBooking.size();
        const bool atInsert =
            !beforeRecords && perBooking[(lostAt - perFile.size() - 1) % perBooking.size()] == "INSERT";
        const int32_t insertCode = native != 0 ? native : -1;

        Entries log;
        std::string console;
        int32_t firstError = 0;
        for (std::size_t i = 0; i < record; ++i) {  // the records before it, as any run has them
          if (debug) console += format().echo(format().booking(ids[i]));
          if (i != 1) continue;
          log = log + Entries{"\nInsert-Fehler: 547", format().detail(ids[i])};
          console += format().failedLineIndent + "ID B: Insert-Fehler: 547\n" + (debug ? failed : "");
          firstError = 547;
        }
        if (!beforeRecords && debug) console += format().echo(format().booking(ids[record]));
        if (atInsert) {  // its own failure first
          const std::string code = std::to_string(insertCode);
          log = log + Entries{"\nInsert-Fehler: " + code, format().detail(ids[record])};
          console += format().failedLineIndent + "ID " + ids[record] + ": Insert-Fehler: " + code + "\n" +
                     (debug ? failed : "");
          if (firstError == 0) firstError = insertCode;
        }
        const std::string loss = "Datenbankverbindung unterbrochen bei Satz " + std::to_string(record + 1) +
                                 " (SQLSTATE 08S01): Import abgebrochen";
        log = log + Entries{loss};
        console += loss + "\n";
        if (debug && !atInsert) console += h->store.lossToGive.diagnostic;

        EXPECT_EQ(h->run(format().read, bytes), firstError != 0 ? firstError : -1);
        EXPECT_EQ(h->store.calls.size(), lostAt);  // nothing sent after the loss
        EXPECT_EQ(h->log.entries, log);
        EXPECT_EQ(h->out, console);
        EXPECT_EQ(h->ctx.counts.read, static_cast<int32_t>(beforeRecords ? 0 : record + 1));
        EXPECT_EQ(h->ctx.counts.inserted, record > 0 ? 1 : 0);
        EXPECT_EQ(h->ctx.counts.failed, (record > 1 ? 1 : 0) + (atInsert ? 1 : 0));
      }
    }
  }
}

// ---- the formats that number their bookings ----

TEST_P(NumberingFormat, RunningNumberWrapsAfter999AndFailuresUseOneUp) {
  auto h = harness();
  std::string bytes;
  for (int i = 0; i < 1001; ++i) {
    bytes += format().booking("B" + std::to_string(i));
    if (i % 100 == 0) bytes += format().canteen + format().badLine;  // these take no number
  }
  h->store.insertResults = {0, 547, 2627};  // a failed insert uses its number up too
  EXPECT_EQ(h->run(format().read, bytes), 547);
  ASSERT_EQ(h->store.inserted.size(), 1001u);
  for (std::size_t i = 0; i < h->store.inserted.size(); ++i) {
    ASSERT_EQ(h->store.inserted[i].BewLfn.str(), std::to_string(i % 999 + 1)) << "insert " << i + 1;
  }
  EXPECT_EQ(h->store.canteen.size(), format().canteen.empty() ? 0u : 11u);
}

// ---- the formats with canteen bookings ----

TEST_P(CanteenFormat, CanteenOutcomeIsCountedAndNeverTheReadersError) {
  for (const int32_t code : {0, 2627, -1}) {
    for (const bool debug : {false, true}) {
      SCOPED_TRACE("canteen booking answered " + std::to_string(code) + (debug ? ", debug" : ""));
      auto h = harness(debug);
      h->store.insertResults = {547, 0};
      h->store.canteenResults = {code};
      h->store.failureDiagnostic = "   ODBC 23000 (2627): duplicate\n";
      const std::string failing = format().booking("F1");
      const std::string booking = format().booking("4711");
      // The first error stays the failed insert's, whatever the canteen booking met.
      EXPECT_EQ(h->run(format().read, failing + format().canteen + booking), 547);
      EXPECT_EQ(h->ctx.counts.read, 3);
      EXPECT_EQ(h->ctx.counts.canteen, code == 0 ? 1 : 0);
      EXPECT_EQ(h->ctx.counts.failed, code == 0 ? 1 : 2);
      EXPECT_EQ(h->ctx.counts.inserted, 1);
      ASSERT_EQ(h->store.canteen.size(), 1u);
      ASSERT_EQ(h->store.inserted.size(), 2u);
      EXPECT_EQ(h->store.inserted[1].BewLfn.str(), "2");
      // The canteen booking reports its own failure; with the debug flag its
      // diagnostic record follows.
      std::string console = debug ? format().echo(failing) : "";
      console += format().failedLineIndent + "ID F1: Insert-Fehler: 547\n";
      if (debug) {
        console += h->store.failureDiagnostic + format().echo(format().canteen) +
                   (code != 0 ? h->store.failureDiagnostic : "") + format().echo(booking);
      }
      EXPECT_EQ(h->out, console);
      EXPECT_EQ(h->log.entries, (Entries{"\nInsert-Fehler: 547", format().detail("F1")}));
    }
  }
}

TEST_P(CanteenFormat, LostConnectionAtTheCanteenBookingStopsAfterItsReport) {
  for (const bool debug : {false, true}) {
    SCOPED_TRACE(debug ? "debug" : "no debug");
    auto h = harness(debug);
    const std::string canteenShown = "   ODBC 08S01 (0): shown once\n";
    h->store.failureDiagnostic = canteenShown;  // what the canteen booking's failure shows
    const std::string booking = format().booking("4711");
    const std::string bytes = booking + format().canteen + booking;
    EXPECT_EQ(h->run(format().read, bytes), 0);
    const auto canteenCall = std::find(h->store.calls.begin(), h->store.calls.end(), "CANTEEN");
    ASSERT_NE(canteenCall, h->store.calls.end());

    auto lost = harness(debug);
    lost->store.failureDiagnostic = canteenShown;
    lost->store.loseAtCall = static_cast<std::size_t>(canteenCall - h->store.calls.begin()) + 1;
    EXPECT_EQ(lost->run(format().read, bytes), -1);
    EXPECT_EQ(lost->store.calls.size(), lost->store.loseAtCall);
    const std::string loss =
        "Datenbankverbindung unterbrochen bei Satz 2 (SQLSTATE 08S01): Import abgebrochen";
    EXPECT_EQ(lost->log.entries, Entries{loss});
    // The canteen booking's diagnostic is shown after its lines, not again after the loss.
    const std::string console =
        debug ? format().echo(booking) + format().echo(format().canteen) + canteenShown + loss + "\n"
              : loss + "\n";
    EXPECT_EQ(lost->out, console);
    EXPECT_EQ(lost->ctx.counts.read, 2);
    EXPECT_EQ(lost->ctx.counts.inserted, 1);
    EXPECT_EQ(lost->ctx.counts.failed, 1);
    EXPECT_EQ(lost->ctx.counts.canteen, 0);
  }
}

// ---- the fixed-length frame ----

TEST_P(FixedLengthFormat, ShortFileIsReportedAndCountsAsSuccess) {
  const std::string type = format().type;
  for (std::size_t length : {std::size_t{1}, format().recordLength - 1}) {
    for (const bool debug : {false, true}) {
      SCOPED_TRACE("length " + std::to_string(length) + (debug ? " debug" : ""));
      auto h = harness(debug);
      EXPECT_EQ(h->run(format().read, std::string(length, '1')), 0);
      const std::string n = std::to_string(length);
      EXPECT_EQ(h->log.entries, Entries{"Quelldatei(" + type + "): falsche Zeichenanzahl " + n});
      EXPECT_EQ(h->out, "Quelldatei(" + type + "): unzul\xE4ssige Zeichen ???\nQuelldatei(" + type +
                            "): Zeichenanzahl " + n + "\n");
      EXPECT_EQ(h->store.calls, format().callsPerFile);
    }
  }
}

TEST_P(FixedLengthFormat, LengthNotAWholeNumberOfRecordsFails) {
  const std::string type = format().type;
  const std::size_t r = format().recordLength;
  for (std::size_t length : {r + 1, 2 * r - 1, 2 * r + 1, 10 * r + 3}) {
    SCOPED_TRACE("length " + std::to_string(length));
    auto h = harness();
    EXPECT_EQ(h->run(format().read, std::string(length, '1')), -1);
    EXPECT_EQ(h->log.entries, Entries{"falsche Satzlaenge der Quelldatei(" + type + ")"});
    EXPECT_EQ(h->out, "falsche Satzlaenge der Quelldatei(" + type + ")\nQuelldatei(" + type +
                          "): Zeichenanzahl " + std::to_string(length) + "\n");
    EXPECT_EQ(h->store.calls, format().callsPerFile);
  }
}

TEST_P(FixedLengthFormat, EmptyFileIsQuietAndWholeRecordsAreAllRead) {
  for (const int records : {0, 1, 2, 5}) {
    SCOPED_TRACE(std::to_string(records) + " records");
    auto h = harness();
    const std::string bytes(static_cast<std::size_t>(records) * format().recordLength, '1');
    EXPECT_EQ(h->run(format().read, bytes), 0);
    EXPECT_EQ(h->store.count("INSERT"), records);
    // The lookups of the file come first, whatever it holds; an empty file has no others.
    const Entries& perFile = format().callsPerFile;
    ASSERT_GE(h->store.calls.size(), perFile.size());
    EXPECT_EQ(Entries(h->store.calls.begin(), h->store.calls.begin() + static_cast<long>(perFile.size())),
              perFile);
    if (records == 0) {
      EXPECT_EQ(h->store.calls.size(), perFile.size());
    }
    EXPECT_EQ(h->out, "");
    EXPECT_TRUE(h->log.entries.empty());
  }
}

TEST_P(FixedLengthFormat, RecordEchoOnlyInDebugModeAndUpToTheFirstZeroByte) {
  const std::string plain = format().booking("AB12");
  const std::string withZero = format().stamped(std::string("AB\xE4"
                                                            "D\0"
                                                            "FGHIJKLM",
                                                            13),
                                                "010124", "000000");
  for (const bool debug : {false, true}) {
    SCOPED_TRACE(debug ? "debug" : "quiet");
    auto h = harness(debug);
    EXPECT_EQ(h->run(format().read, plain + withZero), 0);
    EXPECT_EQ(h->out, debug ? recordEcho(plain) + recordEcho(withZero) : "");
    EXPECT_EQ(h->store.count("INSERT"), 2);
  }
}

TEST_P(FixedLengthFormat, DatesTakeCenturyTwentyAndTheirPositions) {
  struct Case {
    std::string ddmmyy;
    std::string hhmmss;
    std::string dtm;
    std::string uhr;
  };
  std::vector<Case> cases = {
      {"311224", "235959", "20241231000000", "20241231235959"},
      {"010225", "073000", "20250201000000", "20250201073000"},
      {"290299", "120000", "20990229000000", "20990229120000"},
      // Nothing is validated: the bytes go in as they stand.
      {"9913  ", "ab:c-d", "20  1399000000", "20  1399ab:c-d"},
      {"31\x92"
       "224",
       "23\xFF"
       "959",
       "2024\x92"
       "231000000",
       "2024\x92"
       "23123\xFF"
       "959"},
  };
  // A zero byte at each place of the date and the time ends that field's part.
  const auto cut = [](const std::string& part) { return part.substr(0, part.find('\0')); };
  for (std::size_t at = 0; at < 12; ++at) {
    std::string ddmmyy = "311224";
    std::string hhmmss = "235959";
    (at < 6 ? ddmmyy[at] : hhmmss[at - 6]) = '\0';
    const std::string dtm =
        "20" + cut(ddmmyy.substr(4, 2)) + cut(ddmmyy.substr(2, 2)) + cut(ddmmyy.substr(0, 2)) + "000000";
    cases.push_back({ddmmyy, hhmmss, dtm, dtm.substr(0, 8) + cut(hhmmss)});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE("date " + ::testing::PrintToString(c.ddmmyy) + " time " +
                 ::testing::PrintToString(c.hhmmss));
    auto h = harness();
    EXPECT_EQ(h->run(format().read, format().stamped(id13("X"), c.ddmmyy, c.hhmmss)), 0);
    ASSERT_EQ(h->store.inserted.size(), 1u);
    EXPECT_EQ(h->store.inserted[0].BewDtm.str(), c.dtm);
    EXPECT_EQ(h->store.inserted[0].BewUhr.str(), c.uhr);
  }
}

TEST_P(FixedLengthFormat, BadgeIsTrimmedOnTheRightOrOneBlank) {
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
      {std::string("\0"
                   "234567890123",
                   13),
       " "},
      {std::string("12\0"
                   "4567890123",
                   13),
       "12"},
      {"\xE4\xF6\xFC\xDF         ", "\xE4\xF6\xFC\xDF"},
      {"1234\r        ", "1234\r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("id " + ::testing::PrintToString(c.id13));
    auto h = harness();
    EXPECT_EQ(h->run(format().read, format().stamped(c.id13, "010124", "000000")), 0);
    ASSERT_EQ(h->store.inserted.size(), 1u);
    EXPECT_EQ(h->store.inserted[0].BewIDN.str(), c.idn);
  }
}

}  // namespace
