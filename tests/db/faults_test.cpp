// Injected faults: no statement handle, and executions that fail with no
// diagnostic record or a native code of 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "db_test_fixture.h"

namespace {

using Rows = std::vector<OdbcSandbox::Row>;

// The debug console line of an injected failure's diagnostic record.
std::string injectedLine(const std::string& state, int native) {
  return "   ODBC " + state + " (" + std::to_string(native) +
         "): [HvEmu][HvEmu SQL Server Driver][SQL Server]Injected failure\n";
}

class Faults : public DbTest {
 protected:
  // A connection of its own, so that the emulator's per-connection counters
  // start again at 1.
  struct Fresh {
    Database db;
    std::unique_ptr<OdbcBookingStore> store;
  };
  std::unique_ptr<Fresh> fresh() {
    auto f = std::make_unique<Fresh>();
    EXPECT_EQ(f->db.dbConnect(iniPath, console), 0);
    f->store = std::make_unique<OdbcBookingStore>(f->db, log, console);
    return f;
  }
  size_t bookingRows() { return sandbox.query("SELECT BewIDN FROM HvSystem.Hvs321BEW").size(); }
};

TEST_F(Faults, NoStatementHandle) {
  ScopedEnv fail("HVEMU_FAIL_STMT_ALLOC", "1+");
  db.setStatementResult(100);
  sandbox.startTrace();

  EXPECT_EQ(store.insertBooking(sampleBooking()).code, -1);
  EXPECT_EQ(db.statementResult(), 100) << "kept by an insert without a handle";
  EXPECT_EQ(store.lastFailureDiagnostic(), "") << "no statement, no record of its own";

  FixedText<31> out("preset");
  EXPECT_EQ(store.lookupKidKst(100, out, "TDB1").code, 0);
  EXPECT_EQ(out.str(), "preset");
  EXPECT_EQ(store.lookupZlsKst("TDB1", 1, out).code, 0);
  EXPECT_EQ(out.str(), "preset");
  int32_t key = 55;
  EXPECT_EQ(store.lookupTtaAps("TDB1", key).code, 0);
  EXPECT_EQ(key, 55);
  BookingRecord r = sampleBooking();
  r.BewArt = "???";
  const BookingRecord before = r;
  EXPECT_EQ(store.lookupTtaFcd(r, 1).code, 0);
  EXPECT_TRUE(sameRecord(r, before));
  EXPECT_EQ(db.statementResult(), 100) << "kept by lookups without a handle";

  EXPECT_EQ(store.insertCanteen("12345678", "20240131", "1234", "01", "_K", "K01", "0000").code, -1);
  EXPECT_EQ(store.bookCanteen(sampleBooking()).code, -1);
  EXPECT_EQ(store.lastFailureDiagnostic(), "");
  EXPECT_EQ(consoleText,
            "Kantinendaten konnten nicht eingepflegt werden.\n"
            "SQLFehler: -1 Ausweis: 4711  Datum/Uhrzeit: 20240131 1234  Bon: 0000!\n");
  EXPECT_EQ(log.entries, (std::vector<std::string>{
                             "Kantinendaten konnten nicht eingepflegt werden:",
                             "SQLFehler: -1 Ausweis: 4711  Datum/Uhrzeit: 20240131 1234  Bon: 0000!"}));

  EXPECT_TRUE(sandbox.traceLines().empty()) << "nothing is executed";
  EXPECT_EQ(bookingRows(), 0u);
}

TEST_F(Faults, OnlyTheNamedAllocationFails) {
  ScopedEnv fail("HVEMU_FAIL_STMT_ALLOC", "2");
  BookingRecord r = sampleBooking();
  const int32_t results[] = {0, -1, 0};
  for (int i = 0; i < 3; ++i) {
    r.BewIDN = "A" + std::to_string(i);
    EXPECT_EQ(store.insertBooking(r).code, results[i]) << "insert " << i + 1;
  }
  EXPECT_EQ(bookingRows(), 2u);
}

TEST_F(Faults, InsertFailingWithoutANativeCodeIsNoSuccess) {
  const struct {
    const char* spec;
    const char* state;  // SQLSTATE left in the diagnostic record; nullptr: no record
    std::string debugLine;
  } cases[] = {{"1:nodiag", nullptr, ""}, {"1:0:08S01", "08S01", injectedLine("08S01", 0)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.spec);
    auto f = fresh();
    ScopedEnv fail("HVEMU_FAIL_EXEC", c.spec);
    const StoreResult result = f->store->insertBooking(sampleBooking());
    EXPECT_EQ(result.code, -1);
    EXPECT_EQ(f->store->lastFailureDiagnostic(), c.debugLine);
    EXPECT_EQ(f->db.statementResult(), -1);
    EXPECT_EQ(f->db.diagnostics().nativeError, 0);
    if (c.state != nullptr) {
      EXPECT_EQ(f->db.diagnostics().state(), c.state);
    } else {
      EXPECT_EQ(f->db.diagnostics().text(), "");
    }
  }
  EXPECT_EQ(bookingRows(), 0u) << "the injected failures ran nothing";
}

TEST_F(Faults, InsertFailingWithANativeCodeReturnsIt) {
  ScopedEnv fail("HVEMU_FAIL_EXEC", "1:1205:40001");
  const StoreResult result = store.insertBooking(sampleBooking());
  EXPECT_EQ(result.code, 1205);
  EXPECT_EQ(db.diagnostics().state(), "40001");
  EXPECT_EQ(store.lastFailureDiagnostic(), injectedLine("40001", 1205));
  EXPECT_EQ(bookingRows(), 0u);
}

TEST_F(Faults, CanteenFailingWithoutANativeCodeIsReported) {
  ScopedEnv fail("HVEMU_FAIL_EXEC", "1:nodiag,2:547:23000");
  EXPECT_EQ(store.bookCanteen(sampleBooking()).code, -1);
  EXPECT_EQ(store.lastFailureDiagnostic(), "");
  EXPECT_EQ(db.statementResult(), -1);
  EXPECT_EQ(consoleText,
            "Kantinendaten konnten nicht eingepflegt werden.\n"
            "SQLFehler: -1 Ausweis: 4711  Datum/Uhrzeit: 20240131 1234  Bon: 0000!\n");
  EXPECT_EQ(log.entries.size(), 2u);
  // A canteen row failing with a record, then one written.
  const StoreResult failed = store.bookCanteen(sampleBooking());
  EXPECT_EQ(failed.code, 547);
  EXPECT_EQ(db.diagnostics().state(), "23000");
  EXPECT_EQ(store.lastFailureDiagnostic(), injectedLine("23000", 547));
  const StoreResult written = store.bookCanteen(sampleBooking());
  EXPECT_EQ(written.code, 0);
  EXPECT_EQ(store.lastFailureDiagnostic(), "");
}

// Each lookup's failed execution: its native code (0 without one) and the
// SQLSTATE of its record come back, the output stays as it was.
TEST_F(Faults, LookupExecutionFailuresKeepTheirResultsAndOutput) {
  const struct {
    const char* spec;
    int32_t result;
    const char* state;
  } cases[] = {{"1:nodiag", 0, ""}, {"1:0:08S01", 0, "08S01"}, {"1:207:42S22", 207, "42S22"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.spec);
    // The result and whether the lookup's output is as it was before.
    const auto check = [&](const char* lookup, const StoreResult& result, bool outputKept, const Database& db) {
      SCOPED_TRACE(lookup);
      EXPECT_EQ(result.code, c.result);
      if (*c.state != '\0') {  // without a record: whatever the driver manager left
        EXPECT_EQ(db.diagnostics().state(), c.state);
      }
      EXPECT_TRUE(outputKept);
    };
    {
      auto f = fresh();
      ScopedEnv fail("HVEMU_FAIL_EXEC", c.spec);
      FixedText<31> out("preset");
      const StoreResult result = f->store->lookupKidKst(100, out, "TDB1");
      check("cost centre", result, out == "preset", f->db);
      EXPECT_EQ(f->db.statementResult(), c.result);
    }
    {
      auto f = fresh();
      ScopedEnv fail("HVEMU_FAIL_EXEC", c.spec);
      int32_t key = 55;
      const StoreResult result = f->store->lookupTtaAps("TDB1", key);
      check("default key", result, key == 55, f->db);
    }
    {
      auto f = fresh();
      ScopedEnv fail("HVEMU_FAIL_EXEC", c.spec);
      BookingRecord r = sampleBooking();
      r.BewArt = "???";
      const StoreResult result = f->store->lookupTtaFcd(r, 1);
      check("function code", result, r.BewArt == "???", f->db);
    }
    {
      auto f = fresh();
      ScopedEnv fail("HVEMU_FAIL_EXEC", c.spec);
      FixedText<31> out("preset");
      const StoreResult result = f->store->lookupZlsKst("TDB1", 1, out);
      check("reader", result, out == "preset", f->db);
    }
  }
}

// A statement that fails with a connection's state (class 08, a time-out)
// loses the connection: the store keeps the loss and sends nothing more. Any
// other failure is about that statement alone, and the next one is sent.
TEST_F(Faults, ConnectionLossStopsEveryLaterStatement) {
  const struct {
    const char* spec;   // the first execution's injected failure
    const char* state;  // the loss's SQLSTATE; nullptr: no loss
    bool atLookup;      // the failing statement is a lookup, else the booking insert
  } cases[] = {
      {"1:0:08S01", "08S01", false},   {"1:0:08001", "08001", true},     {"1:0:HYT00", "HYT00", false},
      {"1:0:HYT01", "HYT01", true},    {"1:20017:08S01", "08S01", true}, {"1:0:HY001", nullptr, false},
      {"1:1205:40001", nullptr, true}, {"1:547:23000", nullptr, false},  {"1:nodiag", nullptr, false},
      {"1:0:HYT02", nullptr, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.spec) + (c.atLookup ? " at a lookup" : " at an insert"));
    const size_t rowsBefore = bookingRows();
    auto f = fresh();
    const std::string trace = sandbox.file("loss-trace.sql");
    std::remove(trace.c_str());
    ScopedEnv tracing("HVEMU_TRACE", trace);
    ScopedEnv fail("HVEMU_FAIL_EXEC", c.spec);
    FixedText<31> out;
    if (c.atLookup) {
      f->store->lookupZlsKst("TDB1", 1, out);
    } else {
      f->store->insertBooking(sampleBooking());
    }
    const ConnectionLoss* loss = f->store->connectionLoss();
    ASSERT_EQ(loss != nullptr, c.state != nullptr);
    if (loss != nullptr) {
      EXPECT_EQ(loss->sqlState.str(), c.state);
      EXPECT_EQ(loss->diagnostic, injectedLine(c.state, std::atoi(c.spec + 2)));
    }
    // The next statement: not sent after a loss.
    BookingRecord next = sampleBooking();
    next.BewIDN = std::string("after ") + c.spec;  // a booking of its own in every case
    const StoreResult after = f->store->insertBooking(next);
    EXPECT_EQ(after.code, loss != nullptr ? -1 : 0);
    const std::string sent = readFileBytes(trace);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), '\n'), loss != nullptr ? 1 : 2) << sent;
    EXPECT_EQ(bookingRows(), rowsBefore + (loss != nullptr ? 0 : 1));
  }
}

TEST(ConnectionLossState, ClassZeroEightAndTheTimeOuts) {
  const struct {
    const char* state;
    bool lost;
  } cases[] = {{"08S01", true},  {"08001", true},  {"08003", true},  {"08007", true},  {"HYT00", true},
               {"HYT01", true},  {"HYT02", false}, {"01000", false}, {"HY000", false}, {"HY001", false},
               {"23000", false}, {"40001", false}, {"", false},      {"0", false},     {"S1T00", false}};
  for (const auto& c : cases) EXPECT_EQ(isConnectionLossState(c.state), c.lost) << c.state;
}

TEST_F(Faults, LaterExecutionsRunAgain) {
  ScopedEnv fail("HVEMU_FAIL_EXEC", "1:nodiag");
  EXPECT_EQ(store.insertBooking(sampleBooking()).code, -1);
  EXPECT_EQ(store.insertBooking(sampleBooking()).code, 0);
  EXPECT_EQ(bookingRows(), 1u);
}


TEST_F(Faults, DiagnosticRecordIsClearedBeforeEachRead) {
  const BookingRecord r = sampleBooking();
  EXPECT_EQ(store.insertBooking(r).code, 0);     // execution 1
  EXPECT_EQ(store.insertBooking(r).code, 2627);  // execution 2
  ASSERT_FALSE(db.diagnostics().text().empty());
  EXPECT_EQ(store.lastFailureDiagnostic(), diagnosticLine(db.diagnostics()));
  EXPECT_NE(store.lastFailureDiagnostic().find("   ODBC 23000 (2627): "), std::string::npos);
  ScopedEnv fail("HVEMU_FAIL_EXEC", "3:nodiag");
  BookingRecord other = r;
  other.BewIDN = "4712";
  EXPECT_EQ(store.insertBooking(other).code, -1);  // execution 3: no record
  EXPECT_EQ(store.lastFailureDiagnostic(), "") << "not the record of the insert before";
  EXPECT_EQ(db.diagnostics().nativeError, 0);
  EXPECT_EQ(db.diagnostics().text(), "");
  EXPECT_EQ(bookingRows(), 1u);
}

TEST(DiagnosticLine, OneLineWithStateCodeAndMessage) {
  const std::string full(1000, 'm');  // a message filling the whole record, without terminator
  const struct {
    const char* state;
    int32_t native;
    std::string message;
    std::string line;
  } cases[] = {
      {"42000", 8152, "String or binary data would be truncated.",
       "   ODBC 42000 (8152): String or binary data would be truncated.\n"},
      {"08S01", 0, "first\r\nsecond\nthird\rend\n", "   ODBC 08S01 (0): first  second third end \n"},
      {"23000", -2627, "", "   ODBC 23000 (-2627): \n"},
      {"HY000", 1, full, "   ODBC HY000 (1): " + full + "\n"},
      {"", 0, "", "   ODBC  (0): \n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line.substr(0, 40));
    DiagnosticRecord record;
    record.clear();
    std::copy(c.state, c.state + std::strlen(c.state), record.sqlState.begin());
    std::copy(c.message.begin(), c.message.end(), record.message.begin());
    record.nativeError = c.native;
    EXPECT_EQ(diagnosticLine(record), c.line);
  }
}

}  // namespace
