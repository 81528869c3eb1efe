#include "server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace hvemu::tds {

Server::Server(ServerSettings settings) : settings_(std::move(settings)) {
  if (::pipe2(stopPipe_, O_CLOEXEC) != 0) stopPipe_[0] = stopPipe_[1] = -1;
}

Server::~Server() {
  stop();
  reap(true);
  for (int fd : {listenFd_, stopPipe_[0], stopPipe_[1]}) {
    if (fd >= 0) ::close(fd);
  }
}

bool Server::listen(std::uint16_t port, std::string& error) {
  if (stopPipe_[0] < 0) {
    error = "cannot create a pipe";
    return false;
  }
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) {
    error = std::string("socket: ") + std::strerror(errno);
    return false;
  }
  const int on = 1;
  ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(port);
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listenFd_, SOMAXCONN) != 0) {
    error = "127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
    return false;
  }
  socklen_t len = sizeof addr;
  ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  return true;
}

void Server::stop() {
  if (stopPipe_[1] >= 0) {
    const char byte = 0;
    while (::write(stopPipe_[1], &byte, 1) < 0 && errno == EINTR) {
    }
  }
}

void Server::run() {
  pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
  for (;;) {
    const int n = ::poll(fds, 2, -1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || (fds[1].revents & POLLIN)) break;
    if (fds[0].revents & POLLIN) accept();
    reap(false);
  }
  // Every connection wakes on the stop pipe; a send blocked on a client that
  // reads nothing wakes when its socket is shut down.
  {
    const std::lock_guard<std::mutex> hold(lock_);
    for (int fd : sockets_) ::shutdown(fd, SHUT_RDWR);
  }
  reap(true);
}

void Server::accept() {
  const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return;
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  const std::uint16_t spid = nextSpid_;
  nextSpid_ = static_cast<std::uint16_t>(nextSpid_ == 0x7FFF ? 51 : nextSpid_ + 1);
  const std::lock_guard<std::mutex> hold(lock_);
  sockets_.insert(fd);
  workers_.emplace_back();
  Worker& worker = workers_.back();
  try {
    worker.thread = std::thread([this, fd, spid, &worker] { serve(fd, spid, worker); });
  } catch (...) {
    workers_.pop_back();
    sockets_.erase(fd);
    ::close(fd);
  }
}

void Server::serve(int fd, std::uint16_t spid, Worker& worker) {
  Ending ending = Ending::Close;
  try {
    ending = serveClient(fd, stopPipe_[0], spid, settings_);
  } catch (...) {
    // A failure inside (memory) ends this client only.
  }
  const std::lock_guard<std::mutex> hold(lock_);
  if (ending == Ending::Reset) {
    const linger abort{1, 0};  // close() then sends RST
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  }
  sockets_.erase(fd);
  ::close(fd);
  worker.done = true;
}

void Server::reap(bool all) {
  std::list<Worker> finished;
  {
    const std::lock_guard<std::mutex> hold(lock_);
    for (auto it = workers_.begin(); it != workers_.end();) {
      auto here = it++;
      if (all || here->done) finished.splice(finished.end(), workers_, here);
    }
  }
  for (Worker& w : finished) {
    if (w.thread.joinable()) w.thread.join();
  }
}

}  // namespace hvemu::tds
