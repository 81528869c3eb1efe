// One client of the server, on its own thread: PRELOGIN, LOGIN7 checked
// against the server's login, then SQL batches run on an engine session of
// its own, attention acknowledged at any point, and the network faults and
// the delay applied as the settings ask.
#ifndef HVEMU_TDS_CONNECTION_H
#define HVEMU_TDS_CONNECTION_H

#include <hvemu/engine.h>

#include <cstdint>
#include <string>

#include "net_faults.h"

namespace hvemu::tds {

// What every connection of one server shares; read-only but for the faults'
// firing marks.
struct ServerSettings {
  std::string databasePath;
  Login login;
  SessionSwitches switches;
  NetFaults faults;
  long delayMs = 0;  // every batch waits this long before it runs
};

// How a connection's socket is let go: an ordinary close (the FIN of a
// fault has gone out before), or a reset (RST).
enum class Ending { Close, Reset };

// Serves the client on `fd` until it leaves, a fault or a protocol error
// ends the connection, or `stopFd` becomes readable (the server stops).
// Returns how the socket is to be let go; the caller closes it.
Ending serveClient(int fd, int stopFd, std::uint16_t spid, ServerSettings& settings);

}  // namespace hvemu::tds

#endif
