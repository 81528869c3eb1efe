// The four source readers. Each takes the open source file positioned at its
// first byte, the run's context (terminal name, debug flag, run log, console,
// the run summary's counts) and the booking store, and returns the reader's
// result: 0, -1 for a bad file length, or the first failed insert's code.
#ifndef HV_READERS_READERS_H
#define HV_READERS_READERS_H

#include <cstddef>
#include <cstdint>

#include "common/run_context.h"
#include "common/source_file.h"
#include "db/booking_store.h"

// The line buffer a record or a line is read into: a fixed-length record and
// the zero bytes behind it, or a dta line of at most 498 characters (its line
// feed included) and the terminator.
constexpr std::size_t kLineBufferSize = 500;

int32_t read40p(SourceFile& file, RunContext& ctx, BookingStore& store);
int32_t read50p(SourceFile& file, RunContext& ctx, BookingStore& store);
int32_t read62p(SourceFile& file, RunContext& ctx, BookingStore& store);
int32_t readDta(SourceFile& file, RunContext& ctx, BookingStore& store);

#endif  // HV_READERS_READERS_H
