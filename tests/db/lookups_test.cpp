// The four master-data lookups against the fixture's master data
// (tests/db/fixture.sql): found, no row, NULL column, cut text, terminal state,
// several rows, and the text the server receives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db_test_fixture.h"
#include "described_texts.h"

namespace {

struct TextCase {
  const char* terminal;
  int32_t number;
  int32_t result;
  std::string out;  // the output afterwards; "preset" when untouched
};

const std::string k40 = "1234567890123456789012345678901234567890";

using Lookups = DbTest;

// First value the database delivers for a query, through the sandbox.
std::string firstValue(OdbcSandbox& sandbox, const std::string& sql) {
  const auto rows = sandbox.query(sql);
  return rows.empty() || rows[0].empty() ? std::string("(no row)") : rows[0][0];
}

TEST_F(Lookups, KidKst) {
  const TextCase cases[] = {
      {"TDB1", 100, 0, "KST-100"},        {"TDB2", 100, 0, "KST-100-M2"},  // the terminal's client decides
      {"TDB1", 999, 100, "preset"},       {"NOPE", 100, 100, "preset"},
      {"TDB1", 101, 0, ""},               // NULL column: the empty preset of the buffer
      {"TDB1", 102, 0, k40.substr(0, 30)},  // cut to 30 characters, still found
      {"O'Neil", 100, 0, "KST-100"},      {"TDB4", 100, 0, "KST-100"},    // state does not matter here
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.terminal) + " / " + std::to_string(c.number));
    FixedText<31> out("preset");
    sandbox.startTrace();
    EXPECT_EQ(store.lookupKidKst(c.number, out, c.terminal).code, c.result);
    EXPECT_EQ(out.str(), c.out);
    EXPECT_EQ(db.statementResult(), c.result);
    EXPECT_EQ(sandbox.traceLines(),
              std::vector<std::string>{describedKidKst(quotesDoubled(c.terminal), std::to_string(c.number))});
  }
}

TEST_F(Lookups, ZlsKst) {
  const TextCase cases[] = {
      {"TDB1", 1, 0, "Z-1"},    {"TDB1", 32, 0, "Z-32"}, {"TDB1", 5, 100, "preset"}, {"TDB2", 1, 0, "Z2-1"},
      {"TDB1", 2, 0, ""},       {"TDB1", 3, 0, k40.substr(0, 30)}, {"O'Neil", 1, 0, "Q-1"},
      {"NOPE", 1, 100, "preset"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.terminal) + " / " + std::to_string(c.number));
    FixedText<31> out("preset");
    sandbox.startTrace();
    EXPECT_EQ(store.lookupZlsKst(c.terminal, c.number, out).code, c.result);
    EXPECT_EQ(out.str(), c.out);
    EXPECT_EQ(sandbox.traceLines(),
              std::vector<std::string>{describedZlsKst(quotesDoubled(c.terminal), std::to_string(c.number))});
  }
}

TEST_F(Lookups, TtaFcdWritesTheFirstThreeBytesOfBewArt) {
  const TextCase cases[] = {
      {"TDB1", 1, 0, "K01"},    {"TDB1", 2, 0, "K02"},    {"TDB1", 3, 0, ""},  // NULL: three zero bytes
      {"TDB1", 4, 0, "LON"},    // cut to 3
      {"TDB1", 5, 0, "A"},      {"TDB1", 99, 100, "???"},  {"TDB4", 1, 100, "???"},  // state 4
      {"TDB8", 1, 100, "???"},  // state 8
      {"TDBN", 1, 0, "K01"},    // no state: served
      {"TDB2", 1, 0, "M21"},    {"O'Neil", 2, 0, "K02"},   {"NOPE", 1, 100, "???"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.terminal) + " / " + std::to_string(c.number));
    BookingRecord r = sampleBooking();
    r.BewTID = c.terminal;
    r.BewArt = "???";
    BookingRecord expected = r;
    expected.BewArt = c.out;
    sandbox.startTrace();
    EXPECT_EQ(store.lookupTtaFcd(r, c.number).code, c.result);
    EXPECT_TRUE(r.BewArt == expected.BewArt) << "BewArt \"" << r.BewArt.str() << "\"";
    EXPECT_TRUE(sameRecord(r, expected)) << "only BewArt changes";
    EXPECT_EQ(sandbox.traceLines(),
              std::vector<std::string>{describedTtaFcd(quotesDoubled(c.terminal), std::to_string(c.number))});
  }
}

TEST_F(Lookups, TtaAps) {
  const struct {
    const char* terminal;
    int32_t result;
    int32_t key;  // 55: untouched
  } cases[] = {
      {"TDB1", 0, 2},   {"TDBN", 0, 2},    {"TDB2", 0, 1},   {"TDB4", 100, 55}, {"TDB8", 100, 55},
      {"TDBX", 0, 99},  // the default key's column is NULL: 99
      {"NOPE", 100, 55}, {"O'Neil", 0, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.terminal);
    int32_t key = 55;
    sandbox.startTrace();
    EXPECT_EQ(store.lookupTtaAps(c.terminal, key).code, c.result);
    EXPECT_EQ(key, c.key);
    EXPECT_EQ(sandbox.traceLines(), std::vector<std::string>{describedTtaAps(quotesDoubled(c.terminal))});
  }
}

TEST_F(Lookups, SeveralRowsGiveTheFirstRowDelivered) {
  // The fixture's key table 40 holds two default keys and two rows for key 7.
  ASSERT_EQ(sandbox.query(describedTtaAps("TDBS")).size(), 2u);
  int32_t key = 55;
  EXPECT_EQ(store.lookupTtaAps("TDBS", key).code, 0);
  EXPECT_EQ(std::to_string(key), firstValue(sandbox, describedTtaAps("TDBS")));

  ASSERT_EQ(sandbox.query(describedTtaFcd("TDBS", "7")).size(), 2u);
  BookingRecord r = sampleBooking();
  r.BewTID = "TDBS";
  EXPECT_EQ(store.lookupTtaFcd(r, 7).code, 0);
  EXPECT_EQ(r.BewArt.str(), firstValue(sandbox, describedTtaFcd("TDBS", "7")));
}

TEST_F(Lookups, NothingIsReported) {
  FixedText<31> out;
  EXPECT_EQ(store.lookupKidKst(999, out, "TDB1").code, 100);
  EXPECT_EQ(store.lookupZlsKst("NOPE", 1, out).code, 100);
  EXPECT_EQ(consoleText, "");
  EXPECT_TRUE(log.entries.empty());
}

}  // namespace
