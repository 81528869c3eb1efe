// Database: the run's one ODBC connection (environment and connection handle),
// opened by dbConnect from the configuration file and kept until the process
// ends. Statements run on it through the booking store.
#ifndef HV_DB_DATABASE_H
#define HV_DB_DATABASE_H

#include <cstdint>
#include <string>

#include "common/console.h"

class Database {
 public:
  Database();
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Reads LOGIN, PASS, SCHEMA and DATABASE from the configuration file at
  // `iniPath` and connects. 0 when connected; otherwise prints
  // "Datenbankverbindung fehlgeschlagen, Fehler: %d\n" and returns the code (-1).
  int32_t dbConnect(const std::string& iniPath, Console& console);

  // The schema of the canteen table, from SCHEMA.
  const std::string& schema() const;

  // (The connection's handles, diagnostic record and statement helpers are
  // declared by the database layer below this line.)
};

#endif  // HV_DB_DATABASE_H
