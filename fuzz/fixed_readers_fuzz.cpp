// The three fixed-length readers on any file content, each on the same bytes in
// binary mode. The length decides: nothing for an empty file, the short-file
// texts and 0 below one record, the record length texts and -1 for a length
// that is not a whole number of records, else exactly one booking or canteen
// booking per record, with the result of the first failed insert.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/format.h"
#include "reader_run.h"
#include "readers/readers.h"

namespace {

struct Format {
  Reader read;
  const char* type;
  std::size_t recordLength;
  bool numbersBookings;
};

constexpr Format kFormats[] = {
    {read40p, "40p", 29, true},
    {read50p, "50p", 32, true},
    {read62p, "62p", 33, false},
};

void check(const Format& f, std::string_view input) {
  ReaderRun r(input, inputHash(input));
  const int32_t result = r.run(f.read, input, SourceFile::Mode::kBinary);
  const std::size_t size = input.size();
  const std::string length = std::to_string(size);
  const std::string type = f.type;
  const std::size_t bookings = r.store.inserted.size() + r.store.canteen.size();

  if (size > 0 && size < f.recordLength) {
    FUZZ_CHECK(result == 0, "a short file gives 0");
    FUZZ_CHECK(bookings == 0, "a short file stores nothing");
    FUZZ_CHECK(r.log.entries == std::vector<std::string>{"Quelldatei(" + type + "): falsche Zeichenanzahl " + length},
               "the short-file entry");
    FUZZ_CHECK(r.out == "Quelldatei(" + type + "): unzul\xE4ssige Zeichen ???\nQuelldatei(" + type +
                            "): Zeichenanzahl " + length + "\n",
               "the short-file console texts");
    return;
  }
  if (size % f.recordLength != 0) {
    FUZZ_CHECK(result == -1, "a bad record length gives -1");
    FUZZ_CHECK(bookings == 0, "a bad record length stores nothing");
    FUZZ_CHECK(r.log.entries == std::vector<std::string>{"falsche Satzlaenge der Quelldatei(" + type + ")"},
               "the record length entry");
    FUZZ_CHECK(r.out == "falsche Satzlaenge der Quelldatei(" + type + ")\nQuelldatei(" + type +
                            "): Zeichenanzahl " + length + "\n",
               "the record length console texts");
    return;
  }
  FUZZ_CHECK(result == r.store.expectedFirstError(), "the first failed insert is the result");
  FUZZ_CHECK(bookings == size / f.recordLength, "one booking per record");
  for (std::size_t i = 0; i < r.store.inserted.size(); ++i) {
    const BookingRecord& b = r.store.inserted[i];
    FUZZ_CHECK(b.BewSrc == type, "the source type");
    FUZZ_CHECK(b.BewTID == "FUZZ1", "the terminal of the run");
    FUZZ_CHECK(!b.BewIDN.empty(), "an empty ID is stored as one blank");
    FUZZ_CHECK(b.BewDtm.view().substr(0, 2) == "20", "the century is always 20");
    if (f.numbersBookings) {
      FUZZ_CHECK(b.BewLfn == std::to_string(i % 999 + 1), "running number 1 to 999 over the inserts");
    } else {
      const std::size_t at = i * f.recordLength + 12;
      FUZZ_CHECK(b.BewLfn == FixedText<4>(input.substr(at, 3)).view(), "the record's own running number");
    }
  }
  for (const BookingRecord& b : r.store.canteen) {
    FUZZ_CHECK(b.BewKze == "K", "only key K goes to the canteen");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view input = inputText(data, size);
  for (const Format& f : kFormats) check(f, input);
  return 0;
}
