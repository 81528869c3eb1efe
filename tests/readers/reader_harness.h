// ReaderHarness: what one reader test needs around a reader call. The test's
// bytes go into a source file in a temporary folder; the reader runs with a
// recording run log, a console captured into `out`, a run context for one
// terminal and a FakeStore. Also the builder the fixed-length record helpers
// share and the reader-table lookups the 40p and dta readers start with.
//
// The harness owns all of these; the source file it opened stays open until
// the next open or the harness's end, and is removed with the folder.
#ifndef HV_TESTS_READERS_READER_HARNESS_H
#define HV_TESTS_READERS_READER_HARNESS_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/console.h"
#include "common/run_context.h"
#include "common/source_file.h"
#include "db/booking_store.h"
#include "support/fake_store.h"
#include "support/log_bytes.h"
#include "support/recording_log.h"
#include "support/temp_dir.h"

using Reader = int32_t (*)(SourceFile&, RunContext&, BookingStore&);

class ReaderHarness {
 public:
  // `fileName` names the source file in the temporary folder; `mode` is the
  // mode it is opened in, as the driver opens that file type.
  ReaderHarness(std::string_view terminal, std::string_view fileName,
                SourceFile::Mode mode = SourceFile::Mode::kBinary)
      : fileName_(fileName), mode_(mode) {
    ctx.terminal = terminal;
  }
  ReaderHarness(const ReaderHarness&) = delete;
  ReaderHarness& operator=(const ReaderHarness&) = delete;

  // Writes `bytes` as the source file and opens it; nullptr when it cannot be
  // opened. The file before is closed first.
  SourceFile* tryOpen(const std::string& bytes) {
    file_.reset();
    const std::string path = dir.file(fileName_);
    writeFileBytes(path, bytes);
    file_ = SourceFile::open(path, mode_);
    return file_.get();
  }

  // tryOpen, throwing when the file cannot be opened.
  SourceFile& open(const std::string& bytes) {
    SourceFile* file = tryOpen(bytes);
    if (file == nullptr) throw std::runtime_error("cannot open " + dir.file(fileName_));
    return *file;
  }

  // Runs `read` on `bytes` with the harness's store, or with `other` when given.
  int32_t run(Reader read, const std::string& bytes, BookingStore* other = nullptr) {
    SourceFile& file = open(bytes);
    return read(file, ctx, other != nullptr ? *other : store);
  }

  ScopedTempDir dir;
  RecordingLog log;
  std::string out;
  Console console{&out};
  RunContext ctx{log, console};
  FakeStore store;

 private:
  std::string fileName_;
  SourceFile::Mode mode_;
  std::unique_ptr<SourceFile> file_;
};

// A fixed-length record from its fields in order; throws when the fields do
// not add up to the format's record length.
inline std::string fixedRecord(std::string_view type, std::size_t length,
                               std::initializer_list<std::string_view> fields) {
  std::string r;
  for (std::string_view f : fields) r.append(f);
  if (r.size() != length) throw std::logic_error(std::string(type) + " record of wrong length: " + r);
  return r;
}

// The FakeStore calls of the lookups of the reader table of `terminal`,
// readers 1 to 32 in order.
inline std::vector<std::string> readerTableLookups(const std::string& terminal) {
  std::vector<std::string> calls;
  for (int n = 1; n <= 32; ++n) calls.push_back("ZLS " + terminal + " " + std::to_string(n));
  return calls;
}

#endif  // HV_TESTS_READERS_READER_HARNESS_H
