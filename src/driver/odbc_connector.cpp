#include "driver/odbc_connector.h"

#include "db/odbc_booking_store.h"

int32_t OdbcConnector::dbConnect(const std::string& iniPath, Console& console) {
  return database_.dbConnect(iniPath, console);
}

std::unique_ptr<BookingStore> OdbcConnector::openBookingStore(LogWriter& log, Console& console) {
  return std::make_unique<OdbcBookingStore>(database_, log, console);
}
