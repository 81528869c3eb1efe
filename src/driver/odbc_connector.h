// OdbcConnector: the database side of a real run. It owns the one ODBC
// connection of the process, which lives until the connector is destroyed at
// the end of main, and opens booking stores that borrow it.
#ifndef HV_DRIVER_ODBC_CONNECTOR_H
#define HV_DRIVER_ODBC_CONNECTOR_H

#include <memory>

#include "db/database.h"
#include "driver/run.h"

class OdbcConnector : public DatabaseConnector {
 public:
  OdbcConnector() = default;
  OdbcConnector(const OdbcConnector&) = delete;
  OdbcConnector& operator=(const OdbcConnector&) = delete;

  int32_t dbConnect(const std::string& iniPath, Console& console, bool debug) override;
  std::unique_ptr<BookingStore> openBookingStore(LogWriter& log, Console& console) override;

 private:
  Database database_;
};

#endif  // HV_DRIVER_ODBC_CONNECTOR_H
