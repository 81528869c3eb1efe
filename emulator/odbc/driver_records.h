// The driver's own diagnostic records (no server number), as a driver words
// them, beside the engine's server messages; and the prefix that the driver
// puts before every message it hands out.
#ifndef HVEMU_DRIVER_RECORDS_H
#define HVEMU_DRIVER_RECORDS_H

#include <hvemu/engine.h>

#include <string>
#include <string_view>

namespace hvemu {

// The driver's own records, as a driver words them.
enum class DriverRecord {
  MemoryAllocation,   // HY001
  Internal,           // HY000, a failure inside the driver
  ConnectionNotOpen,  // 08003
  ConnectionInUse,    // 08002
  Truncated,          // 01004
  TransactionFailed,  // HY000
  SequenceError,      // HY010
  OptionChanged,      // 01S02
  InfoTypeRange,      // HY096
  DescriptorIndex,    // 07009
  IndicatorRequired,  // 22002
  CastValue,          // 22018
  NotImplemented,     // HYC00
  CursorState,        // 24000
  FetchTypeRange,     // HY106
  StoreFailure,       // HY000 with the data store's own message
};

struct DriverText {
  const char* sqlstate;
  const char* text;
};

// The fixed texts of a driver record; they live as long as the process.
const DriverText& driverText(DriverRecord record) noexcept;

// A driver-level (not server) record; `text` replaces the table's text.
ServerError driverError(DriverRecord record);
ServerError driverError(DriverRecord record, const std::string& text);

// Prefix that real drivers put before a message.
std::string_view messagePrefix(bool fromServer) noexcept;

}  // namespace hvemu

#endif
