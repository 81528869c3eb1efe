// DbTest: a fresh emulator database per test (schema plus tests/db/fixture.sql),
// a configuration file written by hvcrypt, a Database connected through it, and
// the ODBC booking store with a recording run log and a captured console.
#ifndef HV_TESTS_DB_DB_TEST_FIXTURE_H
#define HV_TESTS_DB_DB_TEST_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/console.h"
#include "db/booking_record.h"
#include "db/database.h"
#include "db/odbc_booking_store.h"
#include "described_texts.h"
#include "support/booking_fields.h"
#include "support/odbc_sandbox.h"
#include "support/recording_log.h"

inline OdbcSandbox::Options fixtureOptions() {
  OdbcSandbox::Options options;
  options.scripts = {OdbcSandbox::sourcePath("tests/db/fixture.sql")};
  return options;
}

// A booking of the fixture's terminal TDB1 on 31 January 2024, 12:34:56.
inline BookingRecord sampleBooking() {
  BookingRecord r;
  r.BewTID = "TDB1";
  r.BewLID = "01";
  r.BewIDN = "4711";
  r.BewSto = "0";
  r.BewDtm = "20240131000000";
  r.BewUhr = "20240131123456";
  r.BewLfn = "1";
  r.BewArt = "K01";
  r.BewTas = "03";
  r.BewKst = "KST-100";
  r.BewSrc = "40p";
  return r;
}

// Field by field: true when every text and BewSta agree.
inline bool sameRecord(const BookingRecord& a, const BookingRecord& b) {
  return fieldTexts(a) == fieldTexts(b);
}

class DbTest : public ::testing::Test {
 protected:
  DbTest() : sandbox(fixtureOptions()) {}

  void SetUp() override {
    ASSERT_FALSE(HasFailure()) << "the sandbox could not be set up";
    iniPath = sandbox.writeIni();
    ASSERT_EQ(db.dbConnect(iniPath, console), 0) << consoleText;
  }

  // Rows of the booking table for one badge, the columns named in `columns`.
  std::vector<OdbcSandbox::Row> bookings(const std::string& columns, const std::string& badge) {
    return sandbox.query("SELECT " + columns + " FROM HvSystem.Hvs321BEW WHERE BewIDN = '" +
                         quotesDoubled(badge) + "'");
  }

  OdbcSandbox sandbox;
  std::string iniPath;
  std::string consoleText;
  Console console{&consoleText};
  RecordingLog log;
  Database db;
  OdbcBookingStore store{db, log, console};
};

#endif  // HV_TESTS_DB_DB_TEST_FIXTURE_H
