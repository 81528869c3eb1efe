#include "driver/odbc_connector.h"

#include "db/odbc_booking_store.h"

int32_t OdbcConnector::dbConnect(const std::string& iniPath, Console& console, bool debug) {
  return database_.dbConnect(iniPath, console, debug);
}

std::unique_ptr<BookingStore> OdbcConnector::openBookingStore(LogWriter& log, Console& console) {
  return std::make_unique<OdbcBookingStore>(database_, log, console);
}
