// Damage sweeps over the readers, as logs are tested against torn writes: every
// truncation of each sample booking file, and each byte that means something
// to a dta line (zero byte, end-of-data byte 0x1A, CR, LF, double quote, single
// quote, comma) put in front of and over every byte of each sample dta line.
// Every damaged file must give a defined result and exactly the reader's
// messages, and the store must receive nothing that the file's lines do not
// hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/decimal.h"
#include "reader_harness.h"
#include "readers/readers.h"
#include "support/booking_fields.h"
#include "support/field_texts.h"

namespace {

const std::string kTerminal = "BDE6251";

std::string sample(const std::string& name) { return readFileBytes(std::string(HV_SOURCE_DIR) + "/samples/" + name); }

// One reader call on one damaged file, with the reader tests' recording run
// log and store. The sweeps run thousands of files, so every file is a new
// one in a folder shared by the whole sweep: rewriting one file or making a
// folder per file would cost the disk a flush or a journal entry each time.
class SweepFolder {
 public:
  // Writes `bytes` as a new source file, opens it in `mode` and runs `read`.
  int32_t run(Reader read, const std::string& bytes, SourceFile::Mode mode, RunContext& ctx, FakeStore& store) {
    const std::string path = dir_.file("sweep" + std::to_string(next_++));
    writeFileBytes(path, bytes);
    int32_t result = 12345;
    {
      const std::unique_ptr<SourceFile> file = SourceFile::open(path, mode);
      EXPECT_NE(file, nullptr);
      if (file) result = read(*file, ctx, store);
    }
    std::remove(path.c_str());
    return result;
  }

 private:
  ScopedTempDir dir_;
  int next_ = 0;
};

struct SweepRun {
  explicit SweepRun(bool debug = false) {
    ctx.terminal = kTerminal;
    ctx.debug = debug;
  }
  RecordingLog log;
  std::string out;
  Console console{&out};
  RunContext ctx{log, console};
  FakeStore store;
};

// One booking as the store received it: "INSERT" or "CANTEEN", and every
// field of the record.
using Stored = std::pair<std::string, FieldTexts>;

Stored stored(const std::string& call, const BookingRecord& r) { return {call, fieldTexts(r)}; }

// Everything the store received, in the order it received it.
std::vector<Stored> storedBookings(const FakeStore& store) {
  std::vector<Stored> out;
  std::size_t insert = 0;
  std::size_t canteen = 0;
  for (const std::string& call : store.calls) {
    if (call == "INSERT") out.push_back(stored(call, store.inserted[insert++]));
    if (call == "CANTEEN") out.push_back(stored(call, store.canteen[canteen++]));
  }
  return out;
}

// ---------------------------------------------------------------------------
// Fixed-length files: the length decides, and whole records read as they do in
// the whole file.

struct FixedSample {
  std::string file;
  Reader read;
  std::string type;
  std::size_t recordLength;
};

TEST(DamageSweep, EveryTruncationOfTheFixedLengthSamples) {
  const std::vector<FixedSample> samples = {
      {"bookings.40p", read40p, "40p", 29}, {"bookings.50p", read50p, "50p", 32}, {"bookings.62p", read62p, "62p", 33}};
  for (const FixedSample& s : samples) {
    const std::string bytes = sample(s.file);
    SweepFolder folder;
    SweepRun whole;
    ASSERT_EQ(folder.run(s.read, bytes, SourceFile::Mode::kBinary, whole.ctx, whole.store), 0) << s.file;
    const std::vector<Stored> all = storedBookings(whole.store);
    ASSERT_EQ(all.size(), bytes.size() / s.recordLength) << s.file << ": one booking per record";
    ASSERT_EQ(bytes.size() % s.recordLength, 0u) << s.file;

    for (std::size_t length = 0; length <= bytes.size(); ++length) {
      SCOPED_TRACE(s.file + " cut to " + std::to_string(length) + " bytes");
      SweepRun h;
      const int32_t result = folder.run(s.read, bytes.substr(0, length), SourceFile::Mode::kBinary, h.ctx, h.store);
      const std::string n = std::to_string(length);
      const std::size_t records = length / s.recordLength;
      if (length > 0 && length < s.recordLength) {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(h.log.entries, std::vector<std::string>{"Quelldatei(" + s.type + "): falsche Zeichenanzahl " + n});
        EXPECT_EQ(h.out, "Quelldatei(" + s.type + "): unzul\xE4ssige Zeichen ???\nQuelldatei(" + s.type +
                             "): Zeichenanzahl " + n + "\n");
        EXPECT_TRUE(storedBookings(h.store).empty());
      } else if (length % s.recordLength != 0) {
        EXPECT_EQ(result, -1);
        EXPECT_EQ(h.log.entries, std::vector<std::string>{"falsche Satzlaenge der Quelldatei(" + s.type + ")"});
        EXPECT_EQ(h.out, "falsche Satzlaenge der Quelldatei(" + s.type + ")\nQuelldatei(" + s.type +
                             "): Zeichenanzahl " + n + "\n");
        EXPECT_TRUE(storedBookings(h.store).empty());
      } else {
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(h.log.entries.empty());
        EXPECT_EQ(h.out, "");
        EXPECT_EQ(storedBookings(h.store), std::vector<Stored>(all.begin(), all.begin() + records));
      }
    }
  }
}

// ---------------------------------------------------------------------------
// dta files: what the reader must make of any file content, worked out here
// from the file's bytes: text mode's data, the lines and their pieces, each
// line's fields, and what each line's fields must become.

constexpr std::size_t kLinePiece = 498;  // characters of one line read
const std::string kCostCentreNumber = "815";
const std::string kCostCentre = "KST815";

// The data as text mode delivers it: CR LF as LF, nothing from a byte 0x1A on.
std::string textModeData(const std::string& bytes) {
  std::string data;
  for (std::size_t i = 0; i < bytes.size() && bytes[i] != '\x1A'; ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    data += bytes[i];
  }
  return data;
}

std::string cut(const std::string& text, std::size_t width) { return text.substr(0, width); }

bool startsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

struct Expected {
  std::vector<std::string> log;
  std::string console;
  std::vector<Stored> stored;
};

// A line of at least 8 fields, every insert answered as a duplicate booking.
void expectBooking(const std::vector<std::string>& f, bool debug, int& running, Expected& e) {
  BookingRecord r;
  r.BewTID = cut(f[0], 255);
  r.BewLID = cut(f[1], 5);
  r.BewIDN = f[2].empty() ? " " : cut(f[2], 50);
  r.BewDtm = cut(f[3], 19);
  r.BewUhr = cut(f[4], 19);
  r.BewArt = cut(f[5], 3);
  r.BewEra = cut(f[6], 3);
  r.BewSto = startsWith(f[7], "SO=") && f[7].size() > 3 ? cut(f[7].substr(3), 8) : "0";
  r.BewSrc = "dta";
  const bool canteenPlace = r.BewSto == "37136" || r.BewSto == "36292";
  const bool canteenKind = r.BewArt == "K01" || r.BewArt == "K02" || r.BewArt == "K03";
  if (canteenPlace && canteenKind) {
    e.stored.push_back(stored("CANTEEN", r));
    return;
  }
  if (f.size() > 8 && startsWith(f[8], "Kostenstelle=") && f[8].size() > 13 &&
      parseDecimal(f[8].substr(13)) == parseDecimal(kCostCentreNumber)) {
    r.BewKst = kCostCentre;
  }
  if (f.size() > 8 && startsWith(f[8], "VonBis=") && f[8].size() > 7) {
    r.BewRes = cut(f[8].substr(7), 136);
  }
  const std::string date = r.BewDtm.str();
  if (date.size() >= 8) r.BewDtm = date.substr(0, 8) + "000000" + (date.size() > 14 ? date.substr(14) : "");
  r.BewLfn = std::to_string(running);
  running = running == 999 ? 1 : running + 1;
  e.stored.push_back(stored("INSERT", r));
  e.log.push_back("ID " + f[2] + ": Buchungssatz existiert bereits");
  e.log.push_back("ID: " + f[2] + ", Terminal: " + f[0] + ", Datum: " + f[3] + ", Uhrzeit: " + f[4] + ", Art: " + f[5]);
  if (debug) e.console += "   ID " + f[2] + ": Buchungssatz existiert bereits\n";
}

Expected expectDta(const std::string& bytes, bool debug) {
  Expected e;
  const std::string data = textModeData(bytes);
  int running = 1;
  for (std::size_t pos = 0; pos < data.size();) {
    std::size_t end = data.find('\n', pos);
    end = end == std::string::npos ? data.size() : end + 1;
    if (end - pos > kLinePiece) end = pos + kLinePiece;
    const std::string piece = data.substr(pos, end - pos);
    pos = end;
    const std::string line = piece.substr(0, piece.find('\0'));  // a zero byte ends the line's text
    if (debug) e.console += "\n" + line;
    const std::vector<std::string> fields = fieldTextsOf(line);
    if (fields.empty()) continue;
    if (fields.size() < 8) {
      e.log.push_back("\nFEHLERHAFTER BUCHUNGSSATZ: " + line + "\n");
      e.console += "FEHLERHAFTER BUCHUNGSSATZ !!\n";
      continue;
    }
    expectBooking(fields, debug, running, e);
  }
  return e;
}

// What the sweep saw, so that it is known to have reached every outcome.
struct Tally {
  int inserts = 0;
  int canteen = 0;
  int badLines = 0;
};

// Runs the dta reader on `bytes` and compares everything with expectDta.
void checkDta(SweepFolder& folder, const std::string& bytes, bool debug, Tally& tally) {
  SweepRun h(debug);
  h.store.kid[parseDecimal(kCostCentreNumber)] = {0, kCostCentre};
  h.store.insertResults.assign(bytes.size() / 8 + 2, 2627);
  const Expected e = expectDta(bytes, debug);
  EXPECT_EQ(folder.run(readDta, bytes, SourceFile::Mode::kText, h.ctx, h.store), 0);
  EXPECT_EQ(h.log.entries, e.log);
  EXPECT_EQ(h.out, e.console);
  EXPECT_EQ(storedBookings(h.store), e.stored);
  for (const Stored& s : e.stored) ++(s.first == "INSERT" ? tally.inserts : tally.canteen);
  for (const std::string& entry : e.log) tally.badLines += startsWith(entry, "\nFEHLERHAFTER") ? 1 : 0;
}

std::vector<std::string> sampleDtaLines() {
  const std::string bytes = sample("bookings.dta");
  std::vector<std::string> lines;
  for (std::size_t pos = 0; pos < bytes.size();) {
    const std::size_t end = std::min(bytes.find('\n', pos), bytes.size() - 1) + 1;
    lines.push_back(bytes.substr(pos, end - pos));
    pos = end;
  }
  return lines;
}

TEST(DamageSweep, TheSampleDtaFileAsItStands) {
  // The anchor of the dta sweeps: three bookings and one canteen booking.
  SweepFolder folder;
  Tally tally;
  checkDta(folder, sample("bookings.dta"), false, tally);
  EXPECT_EQ(tally.inserts, 3);
  EXPECT_EQ(tally.canteen, 1);
  EXPECT_EQ(tally.badLines, 0);
  ASSERT_EQ(sampleDtaLines().size(), 4u);
}

TEST(DamageSweep, EveryTruncationOfTheDtaSample) {
  const std::string bytes = sample("bookings.dta");
  SweepFolder folder;
  Tally tally;
  for (std::size_t length = 0; length <= bytes.size(); ++length) {
    SCOPED_TRACE("cut to " + std::to_string(length) + " bytes");
    checkDta(folder, bytes.substr(0, length), false, tally);
  }
  EXPECT_GT(tally.badLines, 0);
  EXPECT_GT(tally.canteen, 0);
}

TEST(DamageSweep, MeaningfulBytesAtEveryOffsetOfEachDtaLine) {
  const std::string damage[] = {std::string(1, '\0'), "\x1A", "\r", "\n", "\"", "'", ","};
  SweepFolder folder;
  Tally tally;
  for (const std::string& line : sampleDtaLines()) {
    for (const std::string& b : damage) {
      for (std::size_t at = 0; at <= line.size(); ++at) {
        SCOPED_TRACE("byte " + std::to_string(static_cast<unsigned char>(b[0])) + " at " + std::to_string(at) +
                     " of " + line);
        std::string inserted = line;
        inserted.insert(at, b);
        checkDta(folder, inserted, at % 2 == 0, tally);
        if (at == line.size()) continue;
        std::string replaced = line;
        replaced.replace(at, 1, b);
        checkDta(folder, replaced, at % 2 == 1, tally);
      }
    }
  }
  EXPECT_GT(tally.inserts, 0);
  EXPECT_GT(tally.canteen, 0);
  EXPECT_GT(tally.badLines, 0);
}

}  // namespace
