// The TDS server: listens on 127.0.0.1, serves every client on a thread of
// its own with its own engine session, and stops on request: the listener
// closes, every connection ends, every thread is joined.
#ifndef HVEMU_TDS_SERVER_H
#define HVEMU_TDS_SERVER_H

#include <cstdint>
#include <list>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "connection.h"

namespace hvemu::tds {

class Server {
 public:
  explicit Server(ServerSettings settings);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Binds 127.0.0.1:`port` (0: a free port); false with the reason in `error`.
  bool listen(std::uint16_t port, std::string& error);
  std::uint16_t port() const { return port_; }
  // Serves clients until stop(); then ends every connection and joins its thread.
  void run();
  // Asks run() to end; callable from any thread.
  void stop();

 private:
  struct Worker {
    std::thread thread;
    bool done = false;  // under lock_
  };

  ServerSettings settings_;
  int listenFd_ = -1;
  int stopPipe_[2] = {-1, -1};
  std::uint16_t port_ = 0;
  std::uint16_t nextSpid_ = 51;
  std::mutex lock_;
  std::list<Worker> workers_;
  std::set<int> sockets_;  // the open client sockets, under lock_

  void accept();
  void serve(int fd, std::uint16_t spid, Worker& worker);
  void reap(bool all);
};

}  // namespace hvemu::tds

#endif
