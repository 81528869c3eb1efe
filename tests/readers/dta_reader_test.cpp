// The dta reader's own rules: the line's fields, the location and canteen
// lines, field 8, the date's time part, bad lines, and how the file's lines
// are read. The frame it shares with the other readers is tested in
// reader_frame_test.cpp, the reader table in reader_table_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "reader_harness.h"
#include "readers/readers.h"

namespace {

const std::string kTerminal = "TERM1";

// One reader call on a dta file (opened in text mode) written into a temporary
// folder.
struct DtaRun : ReaderHarness {
  int32_t result = 12345;

  DtaRun() : ReaderHarness(kTerminal, "buchungen.dta", SourceFile::Mode::kText) {}

  int32_t run(const std::string& bytes) {
    SourceFile* file = tryOpen(bytes);
    EXPECT_NE(file, nullptr);
    if (!file) return result;
    result = readDta(*file, ctx, store);
    return result;
  }
};

std::vector<std::string> goodFields() {
  return {"T1", "07", "4711", "20240131", "20240131123456", "K05", "1", "SO=12"};
}

std::string join(const std::vector<std::string>& fields) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) line += (i > 0 ? "," : "") + fields[i];
  return line;
}

// The good line with some fields replaced (or added behind it).
std::string withFields(const std::vector<std::pair<std::size_t, std::string>>& changes) {
  std::vector<std::string> f = goodFields();
  for (const auto& [index, value] : changes) {
    if (f.size() <= index) f.resize(index + 1);
    f[index] = value;
  }
  return join(f);
}

std::string withField(std::size_t index, const std::string& value) { return withFields({{index, value}}); }

// The 32 reader-table lookups every line with at least 8 fields starts with.
std::vector<std::string> readerTableCalls() { return readerTableLookups(kTerminal); }

TEST(ReadDta, LocationField) {
  struct Case {
    std::string field7;
    std::string location;
  };
  const std::vector<Case> cases = {
      {"SO=12", "12"},   {"SO=", "0"},    {"", "0"},           {"12", "0"},       {"so=12", "0"},
      {"XSO=12", "0"},   {"SO", "0"},     {"SO= 7", " 7"},     {"SO=37136 ", "37136 "},
      {"SO=123456789", "12345678"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("field 7 [" + c.field7 + "]");
    DtaRun r;
    r.run(withField(7, c.field7) + "\n");
    ASSERT_EQ(r.store.inserted.size(), 1u);
    EXPECT_EQ(r.store.inserted[0].BewSto, c.location);
  }
}

TEST(ReadDta, CanteenLines) {
  struct Case {
    std::string field7;
    std::string kind;
    bool canteen;
  };
  const std::vector<Case> cases = {
      {"SO=37136", "K02", true},
      {"SO=36292", "K01", true},
      {"SO=37136", "K03", true},
      {"SO=37136", "K04", false},
      {"SO=12345", "K01", false},
      {"SO=37136 ", "K01", false},
      {"SO=37136", "k01", false},
      {"SO=3713", "K01", false},
      {"SO=", "K01", false},
      {"SO=371360", "K01", false},
      // the kind is compared as it stands in the record, cut to its three characters
      {"SO=36292", "K01X", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("field 7 [" + c.field7 + "], kind [" + c.kind + "]");
    DtaRun r;
    std::vector<std::string> f = goodFields();
    f[3] = "20240131101500";
    f[5] = c.kind;
    f[7] = c.field7;
    f.push_back("Kostenstelle=42");
    r.store.kid[42] = {0, "KST"};
    const std::string canteenLine = join(f) + "\n";
    EXPECT_EQ(r.run(canteenLine + join(goodFields()) + "\n"), 0);
    if (c.canteen) {
      ASSERT_EQ(r.store.canteen.size(), 1u);
      const BookingRecord& k = r.store.canteen[0];
      EXPECT_EQ(k.BewSto, c.field7.substr(3));
      EXPECT_EQ(k.BewArt, c.kind.substr(0, 3));
      EXPECT_EQ(k.BewIDN, "4711");
      EXPECT_EQ(k.BewDtm, "20240131101500");  // the time part is written on the insert path only
      EXPECT_EQ(k.BewEra, "1");
      EXPECT_EQ(k.BewSrc, "dta");
      EXPECT_TRUE(k.BewLfn.empty());
      EXPECT_TRUE(k.BewKst.empty());
      // A canteen line takes no cost centre, no running number and no insert.
      EXPECT_EQ(r.store.calls,
                readerTableCalls() + Entries{"CANTEEN"} + readerTableCalls() + Entries{"INSERT"});
      ASSERT_EQ(r.store.inserted.size(), 1u);
      EXPECT_EQ(r.store.inserted[0].BewLfn, "1");
    } else {
      EXPECT_TRUE(r.store.canteen.empty());
      ASSERT_EQ(r.store.inserted.size(), 2u);
      EXPECT_EQ(r.store.inserted[0].BewLfn, "1");
      EXPECT_EQ(r.store.inserted[1].BewLfn, "2");
      EXPECT_EQ(r.store.inserted[0].BewKst, "KST");
    }
    EXPECT_TRUE(r.log.entries.empty());
  }
}

TEST(ReadDta, CostCentreFromFieldEightOrReaderTable) {
  struct Case {
    std::string name;
    std::string reader;  // field 1
    std::string field8;  // "-" for a line of 8 fields
    std::vector<std::string> lookups;  // KID calls after the table
    std::string costCentre;
    std::string remark;  // BewRes
  };
  const std::string t = " " + kTerminal;
  const std::vector<Case> cases = {
      {"table entry of reader 7", "07", "-", {"KID 42" + t}, "KST42", ""},
      {"reader without a table entry", "05", "-", {}, "", ""},
      {"field 8 found", "07", "Kostenstelle=0099", {"KID 99" + t}, "KST99", ""},
      {"field 8 not found, table used", "07", "Kostenstelle=0077", {"KID 77" + t, "KID 42" + t}, "KST42", ""},
      {"field 8 lookup fails, table used",
       "07",
       "Kostenstelle=13",
       {"KID 13" + t, "KID 42" + t},
       "KST42",
       ""},
      {"field 8 without number", "07", "Kostenstelle=", {"KID 42" + t}, "KST42", ""},
      {"field 8 with letters", "33", "Kostenstelle=abc", {"KID 0" + t}, "", ""},
      {"field 8 prefix case differs", "07", "kostenstelle=0099", {"KID 42" + t}, "KST42", ""},
      {"VonBis text, table used", "07", "VonBis=0800-1600", {"KID 42" + t}, "KST42", "0800-1600"},
      {"VonBis alone", "07", "VonBis=", {"KID 42" + t}, "KST42", ""},
      {"other field 8", "07", "Bemerkung", {"KID 42" + t}, "KST42", ""},
      {"field 8 not found, cost centre of the table entry not found",
       "09",
       "Kostenstelle=77",
       {"KID 77" + t, "KID 77" + t},
       "",
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DtaRun r;
    r.store.zls[5] = {0, ""};
    r.store.zls[7] = {0, "0042"};
    r.store.zls[9] = {0, "77"};
    r.store.kid[42] = {0, "KST42"};
    r.store.kid[99] = {0, "KST99"};
    r.store.kid[13] = {8152, "NEVER"};
    std::string line = withField(1, c.reader);
    if (c.field8 != "-") line += "," + c.field8;
    r.run(line + "\n");
    ASSERT_EQ(r.store.inserted.size(), 1u);
    EXPECT_EQ(r.store.inserted[0].BewKst, c.costCentre);
    EXPECT_EQ(r.store.inserted[0].BewRes, c.remark);
    EXPECT_EQ(r.store.calls, readerTableCalls() + c.lookups + Entries{"INSERT"});
  }
}

TEST(ReadDta, MidnightIsWrittenIntoTheDate) {
  struct Case {
    std::string field3;
    std::string date;
  };
  const std::vector<Case> cases = {
      {"20240131", "20240131000000"},
      {"20240131235959", "20240131000000"},
      {"2024013123595", "20240131000000"},
      {"2024", "2024"},
      {"", ""},
      {"2024013112345678901", "2024013100000078901"},
      {"20240131123456789012345", "2024013100000078901"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("field 3 [" + c.field3 + "]");
    DtaRun r;
    r.run(withField(3, c.field3) + "\n");
    ASSERT_EQ(r.store.inserted.size(), 1u);
    const FixedText<20>& dtm = r.store.inserted[0].BewDtm;
    EXPECT_EQ(dtm, c.date);
    // The six bytes stand at positions 8 to 13 even behind a short date's end.
    EXPECT_EQ(std::string(dtm.data() + 8, 6), "000000");
    EXPECT_EQ(dtm.data()[19], '\0');
  }
}

TEST(ReadDta, LinesWithTooFewFields) {
  DtaRun r;
  const std::string seven = "T1,07,4711,20240131,20240131123456,K05,1\n";
  EXPECT_EQ(r.run(seven + "\n" + seven.substr(0, seven.size() - 1)), 0);
  EXPECT_EQ(r.log.entries, (std::vector<std::string>{"\nFEHLERHAFTER BUCHUNGSSATZ: " + seven + "\n",
                                                      "\nFEHLERHAFTER BUCHUNGSSATZ: " +
                                                          seven.substr(0, seven.size() - 1) + "\n"}));
  EXPECT_EQ(r.out, "FEHLERHAFTER BUCHUNGSSATZ !!\nFEHLERHAFTER BUCHUNGSSATZ !!\n");
  EXPECT_TRUE(r.store.calls.empty());
  EXPECT_EQ(r.ctx.counts.read, 2) << "bad lines are read, the empty line is not";
  EXPECT_EQ(r.ctx.counts.inserted + r.ctx.counts.duplicates + r.ctx.counts.failed + r.ctx.counts.canteen, 0);

  DtaRun d;
  d.ctx.debug = true;
  d.run(seven);
  EXPECT_EQ(d.out, "\n" + seven + "FEHLERHAFTER BUCHUNGSSATZ !!\n");
}

// Bad lines are reported one by one up to a limit per file; the rest are
// counted and the count reported once at the end, whatever lies between them.
TEST(ReadDta, BadLinesBeyondTheLimitAreCountedNotLogged) {
  const std::string bad = "T1,07,4711\n";
  const std::string good = join(goodFields()) + "\n";
  const struct {
    int badLines;
    bool summary;
  } cases[] = {{999, false}, {1000, false}, {1001, true}, {2500, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.badLines) + " bad lines");
    std::string file;
    for (int i = 0; i < c.badLines; ++i) file += (i == 1000 ? good : "") + bad;
    DtaRun r;
    EXPECT_EQ(r.run(file), 0);
    const int reported = std::min(c.badLines, 1000);
    std::vector<std::string> entries(static_cast<std::size_t>(reported), "\nFEHLERHAFTER BUCHUNGSSATZ: " + bad + "\n");
    std::string console;
    for (int i = 0; i < reported; ++i) console += "FEHLERHAFTER BUCHUNGSSATZ !!\n";
    if (c.summary) {
      const std::string counts = std::to_string(c.badLines - 1000) + " weitere nicht ";
      const std::string total = ", insgesamt " + std::to_string(c.badLines);
      entries.push_back("\nFEHLERHAFTE BUCHUNGSSAETZE: " + counts + "protokolliert" + total);
      console += "FEHLERHAFTE BUCHUNGSSAETZE: " + counts + "angezeigt" + total + "\n";
    }
    EXPECT_EQ(r.log.entries, entries);
    EXPECT_EQ(r.out, console);
    EXPECT_EQ(r.store.inserted.size(), c.badLines > 1000 ? 1u : 0u) << "a good line among them is still booked";
  }
}

TEST(ReadDta, EmptyFilesAndBlankLinesAreSilent) {
  const std::vector<std::string> files = {"", "\n", "\n\n\r\n", "   \n  \r\n", "    ", "\x1A" "T1,1,2,3,4,5,6,7\n"};
  for (const std::string& text : files) {
    SCOPED_TRACE("file of " + std::to_string(text.size()) + " bytes");
    DtaRun r;
    EXPECT_EQ(r.run(text), 0);
    EXPECT_TRUE(r.store.calls.empty());
    EXPECT_TRUE(r.log.entries.empty());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.ctx.counts.read, 0);
  }
  // A tab is no blank: a line holding one is a line with one field.
  DtaRun r;
  r.run("\t\n");
  EXPECT_EQ(r.ctx.counts.read, 1);
  EXPECT_EQ(r.log.entries, std::vector<std::string>{"\nFEHLERHAFTER BUCHUNGSSATZ: \t\n\n"});
  EXPECT_EQ(r.out, "FEHLERHAFTER BUCHUNGSSATZ !!\n");
}

TEST(ReadDta, LongLineIsHandledInPiecesOf498Characters) {
  DtaRun r;
  r.ctx.debug = true;
  const std::string head = join(goodFields()) + ",VonBis=";
  const std::string line = head + std::string(600, 'r') + "\n";
  const std::string first = line.substr(0, 498);
  const std::string second = line.substr(498);
  ASSERT_EQ(second.size(), head.size() + 600 + 1 - 498);
  EXPECT_EQ(r.run(line), 0);
  ASSERT_EQ(r.store.inserted.size(), 1u);
  EXPECT_EQ(r.store.inserted[0].BewRes, std::string(136, 'r'));  // cut to the record's width
  EXPECT_EQ(r.log.entries, std::vector<std::string>{"\nFEHLERHAFTER BUCHUNGSSATZ: " + second + "\n"});
  EXPECT_EQ(r.out, "\n" + first + "\n" + second + "FEHLERHAFTER BUCHUNGSSATZ !!\n");
  EXPECT_EQ(r.ctx.counts.read, 2) << "each piece is a line";
  EXPECT_EQ(r.ctx.counts.inserted, 1);
}

// The loss names the line of the file, whatever pieces the lines before it
// were read in: empty and blank lines, a zero byte, a long line read in two
// pieces, a line of 498 characters whose line end comes as a piece of its own.
TEST(ReadDta, LostConnectionNamesTheLineOfTheFile) {
  std::string line498 = withField(8, "VonBis=");
  line498 += std::string(498 - line498.size(), 'v');
  const std::string file = std::string("\n") + "   \r\n" + std::string("a,\0b,c\n", 7) +
                           withField(8, "VonBis=" + std::string(600, 'r')) + "\n" + line498 + "\n" +
                           join(goodFields()) + "\r\n";
  DtaRun clean;
  EXPECT_EQ(clean.run(file), 0);
  const auto lastInsert = std::find(clean.store.calls.rbegin(), clean.store.calls.rend(), "INSERT");
  ASSERT_NE(lastInsert, clean.store.calls.rend());

  DtaRun lost;
  lost.store.loseAtCall = static_cast<std::size_t>(clean.store.calls.rend() - lastInsert);
  EXPECT_EQ(lost.run(file), -1);
  EXPECT_EQ(lost.store.calls.size(), lost.store.loseAtCall);
  ASSERT_FALSE(lost.log.entries.empty());
  EXPECT_EQ(lost.log.entries.back(),
            "Datenbankverbindung unterbrochen bei Satz 6 (SQLSTATE 08S01): Import abgebrochen");
  EXPECT_EQ(lost.ctx.counts.read, clean.ctx.counts.read);
}

TEST(ReadDta, LineOfExactly498CharactersLeavesOnlyItsLineEnd) {
  DtaRun r;
  std::string line = withField(8, "VonBis=");
  line += std::string(498 - line.size(), 'v');
  ASSERT_EQ(line.size(), 498u);
  EXPECT_EQ(r.run(line + "\n" + join(goodFields()) + "\n"), 0);
  ASSERT_EQ(r.store.inserted.size(), 2u);  // the lone line feed is an empty line
  EXPECT_EQ(r.store.inserted[1].BewLfn, "2");
  EXPECT_TRUE(r.log.entries.empty());
  EXPECT_EQ(r.out, "");
}

TEST(ReadDta, CrLfFileReadsLikeLfFile) {
  const std::string bad = "a,b,c";
  const std::string good = join(goodFields());
  for (const std::string eol : {"\n", "\r\n"}) {
    SCOPED_TRACE(eol.size() == 2 ? "CR LF" : "LF");
    DtaRun r;
    r.ctx.debug = true;
    EXPECT_EQ(r.run(good + eol + bad + eol + good + eol), 0);
    ASSERT_EQ(r.store.inserted.size(), 2u);
    EXPECT_EQ(r.store.inserted[1].BewSto, "12");
    EXPECT_EQ(r.log.entries, std::vector<std::string>{"\nFEHLERHAFTER BUCHUNGSSATZ: " + bad + "\n\n"});
    EXPECT_EQ(r.out, "\n" + good + "\n\n" + bad + "\nFEHLERHAFTER BUCHUNGSSATZ !!\n\n" + good + "\n");
  }
  // A CR alone is no line end of the file, but it ends the fields of the line.
  DtaRun r;
  r.run(good + "\r" + good + "\n");
  ASSERT_EQ(r.store.inserted.size(), 1u);
  EXPECT_EQ(r.store.inserted[0].BewSto, "12");
}

TEST(ReadDta, ByteOneAEndsTheData) {
  const std::string good = join(goodFields());
  struct Case {
    std::string text;
    std::size_t inserts;
    std::string lastLocation;
  };
  const std::vector<Case> cases = {
      {good + "\n\x1A" + good + "\n", 1, "12"},
      {good + "\r\n" + good + "\r\n\x1A\r\n" + good + "\r\n", 2, "12"},
      {withField(7, "SO=5\x1A,x") + "\n" + good + "\n", 1, "5"},
      {good + "\r\x1A" "abc\n", 1, "12"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("file of " + std::to_string(c.text.size()) + " bytes");
    DtaRun r;
    EXPECT_EQ(r.run(c.text), 0);
    ASSERT_EQ(r.store.inserted.size(), c.inserts);
    EXPECT_EQ(r.store.inserted.back().BewSto, c.lastLocation);
    EXPECT_TRUE(r.log.entries.empty());
  }
}

TEST(ReadDta, LongFieldsAreCutToTheRecordWidths) {
  DtaRun r;
  const std::string terminal(300, 't');
  const std::string id(60, 'i');
  const std::string lineA = withField(0, terminal);
  const std::vector<std::string> f = {"T1", "1234567", id, "20240131", "2024013112345678901234567", "K0123",
                                      "10000", "SO=123456789", "VonBis=" + std::string(200, 'v')};
  const std::string lineB = join(f);
  ASSERT_LE(lineA.size(), 498u);
  ASSERT_LE(lineB.size(), 498u);
  r.store.insertResults = {0, 8152};
  EXPECT_EQ(r.run(lineA + "\n" + lineB + "\n"), 8152);
  ASSERT_EQ(r.store.inserted.size(), 2u);
  EXPECT_EQ(r.store.inserted[0].BewTID, std::string(249, 't'));  // the field holds at most 249 characters
  const BookingRecord& b = r.store.inserted[1];
  EXPECT_EQ(b.BewLID, "12345");
  EXPECT_EQ(b.BewIDN, std::string(50, 'i'));
  EXPECT_EQ(b.BewUhr, "2024013112345678901");
  EXPECT_EQ(b.BewArt, "K01");
  EXPECT_EQ(b.BewEra, "100");
  EXPECT_EQ(b.BewSto, "12345678");
  EXPECT_EQ(b.BewRes, std::string(136, 'v'));
  // Reader 12345 lies outside 1 to 32: no cost-centre lookup.
  EXPECT_EQ(r.store.calls, readerTableCalls() + Entries{"INSERT"} + readerTableCalls() + Entries{"INSERT"});
  // The messages quote the fields as they stand in the line, whole.
  ASSERT_EQ(r.log.entries.size(), 2u);
  EXPECT_EQ(r.log.entries[1],
            "ID: " + id + ", Terminal: T1, Datum: 20240131, Uhrzeit: 2024013112345678901234567, Art: K0123");
  EXPECT_EQ(r.out, "   ID " + id + ": Insert-Fehler: 8152\n");
}

TEST(ReadDta, QuotedFieldsAndOrderOfCallsPerLine) {
  DtaRun r;
  r.store.zls[3] = {0, "42"};
  r.store.kid[42] = {0, "K,42"};
  const std::string text = "\"T,1\",3,\"47\"\"11\",20240131,20240131123456,K05,1,\"SO=12\",\"Kostenstelle=9\"\n" +
                           withField(1, "3") + "\n";
  EXPECT_EQ(r.run(text), 0);
  ASSERT_EQ(r.store.inserted.size(), 2u);
  EXPECT_EQ(r.store.inserted[0].BewTID, "T,1");
  EXPECT_EQ(r.store.inserted[0].BewIDN, "47\"11");
  EXPECT_EQ(r.store.inserted[0].BewSto, "12");
  EXPECT_EQ(r.store.inserted[0].BewKst, "K,42");
  const std::string t = " " + kTerminal;
  const std::vector<std::string> expected = readerTableCalls() +
                                            Entries{"KID 9" + t, "KID 42" + t, "INSERT"} +
                                            readerTableCalls() + Entries{"KID 42" + t, "INSERT"};
  EXPECT_EQ(r.store.calls, expected);
}

}  // namespace
