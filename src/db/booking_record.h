// BookingRecord: one booking as it goes into HvSystem.Hvs321BEW. Eighteen texts
// of fixed width (terminator included) and one 16-bit number, named after the
// table's columns. A reader clears it before every source record, so every field
// it does not set is empty and BewSta is 0.
#ifndef HV_DB_BOOKING_RECORD_H
#define HV_DB_BOOKING_RECORD_H

#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

#include "common/fixed_text.h"

struct BookingRecord {
  FixedText<30> BewSch;   // not filled by any reader
  FixedText<256> BewTID;  // terminal name
  FixedText<6> BewLID;    // reader field
  FixedText<51> BewIDN;   // badge; one blank when the source ID is empty
  FixedText<9> BewSto;    // location, "0" unless a dta line gives one
  FixedText<20> BewDtm;   // booking date, YYYYMMDD000000
  FixedText<20> BewUhr;   // booking date and time, YYYYMMDDhhmmss
  FixedText<4> BewLfn;    // running number
  FixedText<4> BewArt;    // function code (booking kind)
  FixedText<3> BewTas;    // key number, two digits
  FixedText<4> BewEra;
  FixedText<2> BewKze;    // key character (40p)
  FixedText<2> BewBer;    // one record character (40p)
  FixedText<11> BewErq;
  int16_t BewSta = 0;     // never set by a reader
  FixedText<31> BewKst;   // cost centre; empty is sent as NULL
  FixedText<6> BewQua;
  FixedText<137> BewRes;
  FixedText<4> BewSrc;    // "dta", "40p", "50p" or "62p"

  // Every byte zero: all texts empty, BewSta 0. One pass over the record
  // instead of building a fresh one.
  void clear() { std::memset(static_cast<void*>(this), 0, sizeof(*this)); }
};

// What the readers put into a field where the source gives nothing, and for
// a function code (or a 50p cost centre) that the lookup did not find.
inline constexpr std::string_view kNoBadge = " ";        // BewIDN of an empty ID
inline constexpr std::string_view kNoLocation = "0";     // BewSto without a location
inline constexpr std::string_view kMidnight = "000000";  // the time part of BewDtm
inline constexpr std::string_view kNotFound = "???";

// clear() relies on the record being plain bytes: texts whose empty state is
// all zero bytes, and one integer.
static_assert(std::is_trivially_copyable<BookingRecord>::value && std::is_standard_layout<BookingRecord>::value,
              "BookingRecord must stay a plain record of bytes");

#endif  // HV_DB_BOOKING_RECORD_H
