// The four source formats as the reader tests drive them: record builders for
// the fixed-length formats, and one FormatCase per format that the frame's
// parameterised suite (reader_frame_test.cpp) runs every shared rule through.
#ifndef HV_TESTS_READERS_FORMATS_H
#define HV_TESTS_READERS_FORMATS_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "reader_harness.h"
#include "readers/readers.h"
#include "support/booking_fields.h"

// 40p: ID 0-12, day 13-14, month 15-16, year 17-18, time 19-24, key 25,
// reader 26-27, one character 28.
inline std::string rec40(const std::string& id13, const std::string& ddmmyy, const std::string& hhmmss,
                         char key, const std::string& reader, char ber = '0') {
  return fixedRecord("40p", 29,
                     {id13, ddmmyy, hhmmss, std::string_view(&key, 1), reader, std::string_view(&ber, 1)});
}

// 50p: day 0-1, month 2-3, year 4-5, time 6-11, ID 12-24, cost-centre number 25-31.
inline std::string rec50(const std::string& ddmmyy, const std::string& hhmmss, const std::string& id13,
                         const std::string& costCentre7) {
  return fixedRecord("50p", 32, {ddmmyy, hhmmss, id13, costCentre7});
}

// 62p: day 0-1, month 2-3, year 4-5, time 6-11, running number 12-14,
// reader 15-16, two characters 17-18, ID 19-31, one character 32.
inline std::string rec62(const std::string& ddmmyy, const std::string& hhmmss, const std::string& lfn3,
                         const std::string& lid2, const std::string& erq2, const std::string& id13,
                         char era) {
  return fixedRecord("62p", 33, {ddmmyy, hhmmss, lfn3, lid2, erq2, id13, std::string_view(&era, 1)});
}

// An ID of up to 13 characters, filled up with blanks to the 13 bytes of a
// fixed-length record.
inline std::string id13(const std::string& id) { return id + std::string(13 - id.size(), ' '); }

struct FormatCase {
  std::string type;  // "40p", "50p", "62p", "dta": BewSrc
  Reader read = nullptr;
  std::string terminal;  // of the run
  std::string fileName;  // the source file, opened as the driver opens the type
  SourceFile::Mode mode = SourceFile::Mode::kBinary;
  std::size_t recordLength = 0;  // 0: lines (dta)
  bool numbersBookings = false;  // running number 1..999
  std::string failedLineIndent;  // in front of "ID %s: Insert-Fehler: %d\n"
  // The master data the plain booking finds.
  void (*masterData)(FakeStore& store) = nullptr;
  // A fixed-length record of this ID (13 bytes), date DDMMYY and time; the
  // other bytes those of the plain booking. Not for dta.
  std::string (*stamped)(const std::string& id13, const std::string& ddmmyy,
                         const std::string& hhmmss) = nullptr;
  // The plain booking of badge `id` (at most 13 characters), a record or a line.
  std::string (*booking)(const std::string& id) = nullptr;
  // The fields the plain booking hands over besides its source, badge, date and
  // time (31.12.2024 23:59:59 in every format).
  ExpectedFields plainFields;
  // The store calls of a file, before its records, and of one plain booking.
  std::vector<std::string> callsPerFile;
  std::vector<std::string> callsPerBooking;
  // The run-log detail entry of a failed plain booking after its badge.
  std::string detailAfterId;
  // How the messages name the badge `id` of a plain booking.
  std::string (*shownId)(const std::string& id) = nullptr;
  // What the debug flag echoes for a record or line.
  std::string (*echo)(const std::string& record) = nullptr;
  std::string canteen;  // a canteen booking (empty: the format has none)
  std::string badLine;  // a line with too few fields (empty: the format has none)

  // Every field the plain booking of badge `id` hands over.
  ExpectedFields fields(const std::string& id) const;
  // The run-log detail entry of a failed plain booking with badge `id`.
  std::string detail(const std::string& id) const { return "ID: " + shownId(id) + ", " + detailAfterId; }
};

inline std::string asStored(const std::string& id) { return id.empty() ? " " : id; }
inline std::string asGiven(const std::string& id) { return id; }
inline std::string recordEcho(const std::string& record) {
  return record.substr(0, record.find('\0')) + "\n";
}
inline std::string lineEcho(const std::string& line) { return "\n" + line; }

inline ExpectedFields FormatCase::fields(const std::string& id) const {
  ExpectedFields f = plainFields;
  f["BewSrc"] = type;
  f["BewIDN"] = asStored(id);
  f["BewDtm"] = "20241231000000";
  f["BewUhr"] = "20241231235959";
  return f;
}

// A format's case with what tells the formats apart at first sight; the
// builders below add the rest. Records are read in binary mode, lines (record
// length 0) in text mode, as the driver opens them.
inline FormatCase formatCase(const std::string& type, Reader read, const std::string& terminal,
                             std::size_t recordLength, bool numbersBookings,
                             const std::string& failedLineIndent) {
  const bool lines = recordLength == 0;
  FormatCase f;
  f.type = type;
  f.read = read;
  f.terminal = terminal;
  f.fileName = "source." + type;
  f.mode = lines ? SourceFile::Mode::kText : SourceFile::Mode::kBinary;
  f.recordLength = recordLength;
  f.numbersBookings = numbersBookings;
  f.failedLineIndent = failedLineIndent;
  f.shownId = lines ? asGiven : asStored;  // a line's messages quote its fields as they stand
  f.echo = lines ? lineEcho : recordEcho;
  return f;
}

inline FormatCase case40p() {
  FormatCase f = formatCase("40p", read40p, "TERM1", /*recordLength=*/29, /*numbersBookings=*/true,
                            /*failedLineIndent=*/"   ");
  f.masterData = [](FakeStore& s) {
    s.zls[5] = {0, "4711"};
    s.kid[4711] = {0, "KST-A"};
    s.fcd[3] = {0, "F03"};
  };
  f.stamped = [](const std::string& id, const std::string& ddmmyy, const std::string& hhmmss) {
    return rec40(id, ddmmyy, hhmmss, '3', "05", '1');
  };
  f.booking = [](const std::string& id) { return rec40(id13(id), "311224", "235959", '3', "05", '1'); };
  f.plainFields = {{"BewTID", "TERM1"}, {"BewLID", "05"},  {"BewSto", "0"},
                   {"BewLfn", "1"},     {"BewArt", "F03"}, {"BewTas", "03"},
                   {"BewKze", "3"},     {"BewBer", "1"},   {"BewKst", "KST-A"}};
  f.callsPerFile = readerTableLookups("TERM1");
  f.callsPerBooking = {"KID 4711 TERM1", "FCD TERM1 3", "INSERT"};
  f.detailAfterId = "Terminal: TERM1, Datum: 20241231000000, Uhrzeit: 20241231235959, Art: F03";
  f.canteen = rec40(id13("98765432109"), "310124", "123456", 'K', "05", '1');
  return f;
}

inline FormatCase case50p() {
  FormatCase f = formatCase("50p", read50p, "TERM5", /*recordLength=*/32, /*numbersBookings=*/true,
                            /*failedLineIndent=*/"   ");
  f.masterData = [](FakeStore& s) {
    s.kid[4711] = {0, "KST-4711"};
    s.apsResult = 0;
    s.apsKey = 3;
    s.fcd[3] = {0, "F03"};
  };
  f.stamped = [](const std::string& id, const std::string& ddmmyy, const std::string& hhmmss) {
    return rec50(ddmmyy, hhmmss, id, "0004711");
  };
  f.booking = [](const std::string& id) { return rec50("311224", "235959", id13(id), "0004711"); };
  f.plainFields = {{"BewTID", "TERM5"}, {"BewSto", "0"},  {"BewLfn", "1"},
                   {"BewArt", "F03"},   {"BewTas", "03"}, {"BewKst", "KST-4711"}};
  f.callsPerBooking = {"KID 4711 TERM5", "APS TERM5", "FCD TERM5 3", "INSERT"};
  f.detailAfterId = "Terminal: TERM5, Datum: 20241231000000, Uhrzeit: 20241231235959, Art: F03";
  return f;
}

inline FormatCase case62p() {
  FormatCase f = formatCase("62p", read62p, "TERM6", /*recordLength=*/33, /*numbersBookings=*/false,
                            /*failedLineIndent=*/"  ");
  f.masterData = [](FakeStore&) {};
  f.stamped = [](const std::string& id, const std::string& ddmmyy, const std::string& hhmmss) {
    return rec62(ddmmyy, hhmmss, "042", "07", "AB", id, 'E');
  };
  f.booking = [](const std::string& id) {
    return rec62("311224", "235959", "042", "07", "AB", id13(id), 'E');
  };
  f.plainFields = {{"BewTID", "TERM6"}, {"BewLID", "07"}, {"BewSto", "0"},
                   {"BewLfn", "042"},   {"BewErq", "AB"}, {"BewEra", "E"}};
  f.callsPerBooking = {"INSERT"};
  f.detailAfterId = "Terminal: TERM6, Datum: 20241231000000, Uhrzeit: 20241231235959, Art: ";
  return f;
}

inline FormatCase caseDta() {
  FormatCase f = formatCase("dta", readDta, "TERM1", /*recordLength=*/0, /*numbersBookings=*/true,
                            /*failedLineIndent=*/"   ");
  f.masterData = [](FakeStore& s) {
    s.zls[7] = {0, "0042"};
    s.kid[42] = {0, "KST42"};
  };
  f.booking = [](const std::string& id) {
    return "OTHER,07," + id + ",20241231,20241231235959,K05,100,SO=12,VonBis=frei\n";
  };
  f.plainFields = {{"BewTID", "OTHER"}, {"BewLID", "07"},  {"BewSto", "12"},   {"BewLfn", "1"},
                   {"BewArt", "K05"},   {"BewEra", "100"}, {"BewRes", "frei"}, {"BewKst", "KST42"}};
  // The lookups are keyed by the terminal of the run, not by field 0.
  f.callsPerBooking = readerTableLookups("TERM1") + Entries{"KID 42 TERM1", "INSERT"};
  // The messages quote the line's fields as they stand.
  f.detailAfterId = "Terminal: OTHER, Datum: 20241231, Uhrzeit: 20241231235959, Art: K05";
  f.canteen = "OTHER,07,K1,20240131,20240131101500,K02,1,SO=37136\n";
  f.badLine = "a,b,c\n";
  return f;
}

inline const FormatCase k40pCase = case40p();
inline const FormatCase k50pCase = case50p();
inline const FormatCase k62pCase = case62p();
inline const FormatCase kDtaCase = caseDta();

#endif  // HV_TESTS_READERS_FORMATS_H
