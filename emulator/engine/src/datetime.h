// Conversion of text to the server's DATETIME as CONVERT(DATETIME, x, 120)
// and implicit conversion do it. Values are kept as the canonical text
// "yyyy-mm-dd hh:mi:ss.mmm", which sorts in time order.
#ifndef HVEMU_DATETIME_H
#define HVEMU_DATETIME_H

#include <string>
#include <string_view>

namespace hvemu {

enum class DateResult { Ok, Unreadable, OutOfRange };

// Reads yyyy-mm-dd hh:mi:ss (single-digit parts allowed, seconds and the time
// optional, a time alone, yyyymmdd); blank text gives 1900-01-01 00:00:00.
DateResult parseDateTime(std::string_view text, std::string& canonical);

}  // namespace hvemu

#endif
