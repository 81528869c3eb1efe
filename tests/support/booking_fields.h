// The fields of a booking record as texts, by column name, for tests that
// check what a reader handed over or a lookup changed: all nineteen in the
// record's order, so that no field can be left out of a comparison.
#ifndef HV_TESTS_SUPPORT_BOOKING_FIELDS_H
#define HV_TESTS_SUPPORT_BOOKING_FIELDS_H

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "db/booking_record.h"

// Each field's text; BewSta as its decimal.
using FieldTexts = std::vector<std::pair<std::string, std::string>>;

inline FieldTexts fieldTexts(const BookingRecord& r) {
  return {{"BewSch", r.BewSch.str()}, {"BewTID", r.BewTID.str()}, {"BewLID", r.BewLID.str()},
          {"BewIDN", r.BewIDN.str()}, {"BewSto", r.BewSto.str()}, {"BewDtm", r.BewDtm.str()},
          {"BewUhr", r.BewUhr.str()}, {"BewLfn", r.BewLfn.str()}, {"BewArt", r.BewArt.str()},
          {"BewTas", r.BewTas.str()}, {"BewEra", r.BewEra.str()}, {"BewKze", r.BewKze.str()},
          {"BewBer", r.BewBer.str()}, {"BewErq", r.BewErq.str()}, {"BewSta", std::to_string(r.BewSta)},
          {"BewKst", r.BewKst.str()}, {"BewQua", r.BewQua.str()}, {"BewRes", r.BewRes.str()},
          {"BewSrc", r.BewSrc.str()}};
}

// The expected fields of a record, by column name.
using ExpectedFields = std::map<std::string, std::string>;

// "Every field handed over" in one call: the record's fields against the
// table; a field the table does not name must be empty (BewSta 0), so a value
// that lands in the wrong field shows twice.
inline void expectRecord(const BookingRecord& record, const ExpectedFields& expected) {
  ExpectedFields unknown = expected;
  for (const auto& [name, text] : fieldTexts(record)) {
    const auto it = expected.find(name);
    EXPECT_EQ(text, it != expected.end() ? it->second : (name == "BewSta" ? "0" : "")) << "field " << name;
    unknown.erase(name);
  }
  EXPECT_TRUE(unknown.empty()) << "the table names " << unknown.begin()->first << ", which is no field";
}

#endif  // HV_TESTS_SUPPORT_BOOKING_FIELDS_H
