// The reader table of the 40p and dta readers: the 32 reader lookups and the
// cost-centre fallback through the entry of a booking's reader.
#include "readers/reader_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reader_harness.h"

namespace {

const std::string kTerminal = "TERM1";

// A reader lookup that fails for reader 5 but still writes into its output:
// the table must not take what a failed lookup left behind.
class ScribblingZlsStore : public FakeStore {
 public:
  StoreResult lookupZlsKst(std::string_view terminal, int32_t reader, FixedText<31>& out) override {
    FakeStore::lookupZlsKst(terminal, reader, out);
    out = "4711";
    return {reader == 5 ? 208 : 0, {}};
  }
};

// The cost centre the fallback gives a booking of reader field `reader`, and
// the calls it made.
struct Fallback {
  std::string kst;
  std::vector<std::string> calls;
};

Fallback fallback(FakeStore& store, const std::string& reader, const std::string& kst = "") {
  ReaderTable table;
  table.load(store, kTerminal);
  store.calls.clear();
  BookingRecord booking;
  booking.BewLID = reader;
  booking.BewKst = kst;
  table.completeCostCentre(store, kTerminal, booking);
  return {booking.BewKst.str(), store.calls};
}

TEST(ReaderTable, LoadAsksReadersOneTo32InOrder) {
  FakeStore store;
  ReaderTable table;
  table.load(store, kTerminal);
  EXPECT_EQ(store.calls, readerTableLookups(kTerminal));
}

TEST(ReaderTable, ReaderNumbersSelectTheirEntry) {
  struct Case {
    std::string reader;  // BewLID
    int entry;           // 0: none
  };
  const Case cases[] = {{"01", 1}, {"1", 1},  {"32", 32}, {"7 ", 7},   {" 9", 9}, {"+5", 5},
                        {"7x", 7}, {"00", 0}, {"33", 0},  {"99", 0},   {"  ", 0}, {"-1", 0},
                        {"--", 0}, {"AB", 0}, {"", 0},    {"12345", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE("reader \"" + c.reader + "\"");
    FakeStore store;
    for (int n = 1; n <= 32; ++n) {
      store.zls[n] = {0, std::to_string(1000 + n)};
      store.kid[1000 + n] = {0, "KST" + std::to_string(n)};
    }
    const Fallback f = fallback(store, c.reader);
    if (c.entry == 0) {
      EXPECT_EQ(f.kst, "");
      EXPECT_TRUE(f.calls.empty());
    } else {
      EXPECT_EQ(f.kst, "KST" + std::to_string(c.entry));
      EXPECT_EQ(f.calls, std::vector<std::string>{"KID " + std::to_string(1000 + c.entry) + " " + kTerminal});
    }
  }
}

TEST(ReaderTable, EntryReadAsACostCentreNumber) {
  struct Case {
    std::string name;
    FakeStore::TextAnswer zls;  // the answer for reader 5
    bool kidAsked;
    int kidNumber;
    FakeStore::TextAnswer kid;  // the answer for that number
    std::string kst;
  };
  const Case cases[] = {
      {"found", {0, "4711"}, true, 4711, {0, "KST-A"}, "KST-A"},
      {"leading zeros", {0, "0004711"}, true, 4711, {0, "KST-A"}, "KST-A"},
      {"blanks and text around the number", {0, " 42abc"}, true, 42, {0, "KST42"}, "KST42"},
      {"not a number", {0, "ABC"}, true, 0, {0, "KST-0"}, "KST-0"},
      {"cost centre missing", {0, "4711"}, true, 4711, {100, ""}, ""},
      {"cost centre lookup fails", {0, "4711"}, true, 4711, {208, "junk"}, ""},
      {"reader without row", {100, ""}, false, 0, {}, ""},
      {"reader lookup fails", {208, "4711"}, false, 0, {}, ""},
      {"reader with empty cost-centre number", {0, ""}, false, 0, {}, ""},
      {"thirty characters", {0, "12"}, true, 12, {0, std::string(30, 'K')}, std::string(30, 'K')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeStore store;
    store.zls[5] = c.zls;
    if (c.kidAsked) store.kid[c.kidNumber] = c.kid;
    const Fallback f = fallback(store, "05");
    EXPECT_EQ(f.kst, c.kst);
    std::vector<std::string> calls;
    if (c.kidAsked) calls.push_back("KID " + std::to_string(c.kidNumber) + " " + kTerminal);
    EXPECT_EQ(f.calls, calls);
  }
}

TEST(ReaderTable, FailedReaderLookupLeavesTheEntryEmpty) {
  ScribblingZlsStore store;
  store.kid[4711] = {0, "KST-A"};
  EXPECT_EQ(fallback(store, "05").kst, "");
  EXPECT_EQ(fallback(store, "06").kst, "KST-A");
}

TEST(ReaderTable, BookingWithACostCentreAsksNothing) {
  FakeStore store;
  store.zls[5] = {0, "4711"};
  store.kid[4711] = {0, "KST-A"};
  const Fallback f = fallback(store, "05", "OWN");
  EXPECT_EQ(f.kst, "OWN");
  EXPECT_TRUE(f.calls.empty());
}

}  // namespace
