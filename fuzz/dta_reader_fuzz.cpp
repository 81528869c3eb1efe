// The dta reader on any file content, opened in text mode as the driver opens
// it. Beyond "no crash, no leak, no undefined behaviour": the result is the
// first failed insert, the bookings are numbered 1 to 999 in turn, canteen
// bookings and other bookings are told apart by location and kind, and every
// bad line is reported once in the run log and once on the console.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "reader_run.h"
#include "readers/readers.h"

namespace {

bool isCanteen(const BookingRecord& r) {
  return (r.BewSto == "37136" || r.BewSto == "36292") &&
         (r.BewArt == "K01" || r.BewArt == "K02" || r.BewArt == "K03");
}

constexpr std::string_view kBadLineLog = "\nFEHLERHAFTER BUCHUNGSSATZ: ";
constexpr std::string_view kBadLineConsole = "FEHLERHAFTER BUCHUNGSSATZ !!\n";
constexpr std::size_t kLinePiece = 498;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view input = inputText(data, size);
  ReaderRun r(input, inputHash(input));
  const int32_t result = r.run(readDta, input, SourceFile::Mode::kText);

  FUZZ_CHECK(result == r.store.expectedFirstError(), "the first failed insert is the result");
  FUZZ_CHECK(r.store.inserted.size() == r.store.results.size(), "one result per insert");
  for (std::size_t i = 0; i < r.store.inserted.size(); ++i) {
    const BookingRecord& b = r.store.inserted[i];
    FUZZ_CHECK(b.BewLfn == std::to_string(i % 999 + 1), "running number 1 to 999 over the inserts");
    FUZZ_CHECK(b.BewSrc == "dta", "source type dta");
    FUZZ_CHECK(!b.BewIDN.empty(), "an empty ID is stored as one blank");
    FUZZ_CHECK(!b.BewSto.empty(), "a location, 0 when the line gives none");
    FUZZ_CHECK(!isCanteen(b), "a canteen booking never goes to the booking insert");
  }
  for (const BookingRecord& b : r.store.canteen) {
    FUZZ_CHECK(isCanteen(b), "only canteen locations and kinds go to the canteen");
    FUZZ_CHECK(b.BewLfn.empty(), "a canteen booking takes no running number");
  }

  const int badLines = r.logCount(kBadLineLog);
  // With the debug flag the console also echoes every line, which may hold the
  // same words; without it, a field cannot hold the text's line end.
  if (!r.ctx.debug) FUZZ_CHECK(countOf(r.out, kBadLineConsole) == badLines, "each bad line once on the console");
  const int duplicates = r.logCount("ID ");
  const int failures = r.logCount("\nInsert-Fehler: ");
  int expectedDuplicates = 0;
  int expectedFailures = 0;
  for (const int32_t res : r.store.results) {
    expectedDuplicates += res == 2627 ? 1 : 0;
    expectedFailures += res != 0 && res != 2627 ? 1 : 0;
  }
  FUZZ_CHECK(duplicates == expectedDuplicates, "one entry per duplicate booking");
  FUZZ_CHECK(failures == expectedFailures, "one entry per failed insert");
  FUZZ_CHECK(r.log.entries.size() ==
                 static_cast<std::size_t>(badLines) + 2u * static_cast<std::size_t>(duplicates + failures),
             "no run-log entries besides these and their detail lines");

  // Every line, or every piece of a long one, ends up in at most one of these.
  const std::size_t pieces = static_cast<std::size_t>(countOf(input, "\n")) + 1 + size / kLinePiece;
  FUZZ_CHECK(r.store.inserted.size() + r.store.canteen.size() + static_cast<std::size_t>(badLines) <= pieces,
             "at most one outcome per line");
  return 0;
}
