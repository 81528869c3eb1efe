#include "support/tds_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

#include "support/tds_messages.h"

namespace {

// A bounds-checked reader of little-endian fields.
struct Cursor {
  std::string_view b;
  std::size_t at = 0;
  bool ok = true;
  std::uint64_t le(std::size_t n) {
    if (at + n > b.size()) {
      ok = false;
      at = b.size();
      return 0;
    }
    std::uint64_t v = 0;
    for (std::size_t i = n; i-- > 0;) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    at += n;
    return v;
  }
  std::string_view take(std::size_t n) {
    if (at + n > b.size()) {
      ok = false;
      at = b.size();
      return {};
    }
    const std::string_view s = b.substr(at, n);
    at += n;
    return s;
  }
  // UTF-16 of `chars` characters as text; characters above 0xFF as '?'.
  std::string utf16(std::size_t chars) {
    std::string out;
    for (std::size_t i = 0; i < chars && ok; ++i) {
      const auto c = le(2);
      out += c <= 0xFF ? static_cast<char>(c) : '?';
    }
    return out;
  }
};

struct Column {
  int type = 0;
  int size = 0;
};

bool readValue(Cursor& c, const Column& col, std::string& out) {
  const std::string null = "<NULL>";
  switch (col.type) {
    case 0x26: {  // INTN
      const auto n = c.le(1);
      if (n == 0) {
        out = null;
        return c.ok;
      }
      std::uint64_t v = c.le(n);
      if (n < 8 && (v >> (8 * n - 1)) & 1u && n > 1) v |= ~std::uint64_t{0} << (8 * n);
      out = std::to_string(n == 1 ? static_cast<long long>(v & 0xFF) : static_cast<long long>(v));
      return c.ok;
    }
    case 0x6F: {  // DATETIMN: days, ticks
      const auto n = c.le(1);
      if (n == 0) {
        out = null;
        return c.ok;
      }
      const auto days = static_cast<std::int32_t>(c.le(4));
      const auto ticks = c.le(4);
      out = std::to_string(days) + "d" + std::to_string(ticks) + "t";
      return c.ok && n == 8;
    }
    case 0xA7:
    case 0xAF: {  // BIGVARCHR, BIGCHAR: CP1252 bytes
      const auto n = c.le(2);
      out = n == 0xFFFF ? null : std::string(c.take(n));
      return c.ok;
    }
    default:
      return false;
  }
}

}  // namespace

std::vector<TdsToken> scanTokens(std::string_view answer) {
  std::vector<TdsToken> tokens;
  std::vector<Column> columns;
  Cursor c{answer};
  while (c.ok && c.at < answer.size()) {
    TdsToken t;
    t.type = static_cast<int>(c.le(1));
    const std::size_t start = c.at;
    switch (t.type) {
      case 0xAA:
      case 0xAB: {  // ERROR, INFO
        const auto length = c.le(2);
        t.number = static_cast<long>(c.le(4));
        c.le(2);  // state, class
        t.text = c.utf16(c.le(2));
        c.at = start + 2 + length;
        break;
      }
      case 0xE3: {  // ENVCHANGE
        const auto length = c.le(2);
        t.envType = static_cast<int>(c.le(1));
        if (t.envType != 7) t.text = c.utf16(c.le(1));
        c.at = start + 2 + length;
        break;
      }
      case 0xAD:  // LOGINACK
        c.at = start + 2 + c.le(2);
        break;
      case 0xFD:
      case 0xFE:
      case 0xFF:  // DONE, DONEPROC, DONEINPROC
        t.status = static_cast<std::uint16_t>(c.le(2));
        c.le(2);
        t.count = c.le(8);
        break;
      case 0x79:  // RETURNSTATUS
        c.le(4);
        break;
      case 0xAC: {  // RETURNVALUE of an INTN
        c.le(2);
        c.take(2 * c.le(1));
        c.le(1 + 4 + 2);
        Column col{static_cast<int>(c.le(1)), static_cast<int>(c.le(1))};
        std::string v;
        if (!readValue(c, col, v)) t.type = -1;
        break;
      }
      case 0x81: {  // COLMETADATA
        columns.assign(c.le(2), Column{});
        for (Column& col : columns) {
          c.le(4 + 2);  // user type, flags
          col.type = static_cast<int>(c.le(1));
          if (col.type == 0xA7 || col.type == 0xAF) {
            col.size = static_cast<int>(c.le(2));
            c.take(5);
          } else if (col.type == 0x26 || col.type == 0x6F) {
            col.size = static_cast<int>(c.le(1));
          } else {
            t.type = -1;
          }
          c.take(2 * c.le(1));  // name
        }
        break;
      }
      case 0xD1:  // ROW
        for (const Column& col : columns) {
          std::string v;
          if (!readValue(c, col, v)) t.type = -1;
          t.row.push_back(v);
        }
        break;
      default:
        t.type = -1;
    }
    if (!c.ok) t.type = -1;
    tokens.push_back(t);
    if (t.type == -1) break;
  }
  return tokens;
}

TdsClient::TdsClient(int port) {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) close();
}

TdsClient::~TdsClient() { close(); }

void TdsClient::close(bool reset) {
  if (fd_ < 0) return;
  if (reset) {
    const linger abort{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  }
  ::close(fd_);
  fd_ = -1;
}

bool TdsClient::send(std::string_view bytes) {
  while (fd_ >= 0 && !bytes.empty()) {
    const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return fd_ >= 0;
}

long TdsClient::receive(int timeoutMs) {
  if (fd_ < 0) return -2;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return -2;  // the time is up
    char buf[65536];
    const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
    if (n >= 0) {
      pending_.append(buf, static_cast<std::size_t>(n));
      return static_cast<long>(n);
    }
    if (errno != EINTR && errno != EAGAIN) return -1;
  }
}

std::optional<std::string> TdsClient::answer(int timeoutMs) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string payload;
  for (;;) {
    // Whole packets first.
    while (pending_.size() >= 8) {
      const std::size_t length = (static_cast<unsigned char>(pending_[2]) << 8) | static_cast<unsigned char>(pending_[3]);
      if (length < 8 || length > packetSize_ || pending_[0] != 0x04) return std::nullopt;
      if (pending_.size() < length) break;
      payload += pending_.substr(8, length - 8);
      const bool last = (pending_[1] & 1) != 0;
      pending_.erase(0, length);
      if (last) return payload;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    if (receive(static_cast<int>(left.count())) <= 0) return std::nullopt;
  }
}

TdsClient::Ending TdsClient::ending(int timeoutMs) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    // Bytes before the end are dropped.
    pending_.clear();
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    const long n = receive(static_cast<int>(left.count()));
    if (n == 0) return Ending::Fin;
    if (n == -1) return Ending::Reset;
    if (n == -2) return Ending::StillOpen;
  }
}

std::vector<TdsToken> TdsClient::login(const std::string& user, const std::string& password,
                                       const std::string& database, std::uint32_t packetSize) {
  packetSize_ = 4096;
  if (!send(tdstest::packets(tdstest::kPrelogin, tdstest::prelogin(), 4096)) || !answer()) return {};
  tdstest::LoginFields f{user, password, database, tdstest::kVersion74, packetSize};
  if (!send(tdstest::packets(tdstest::kLogin7, tdstest::login7Record(f), 4096))) return {};
  const std::optional<std::string> a = answer();
  if (!a) return {};
  std::vector<TdsToken> tokens = scanTokens(*a);
  for (const TdsToken& t : tokens) {
    if (t.type == 0xE3 && t.envType == 4) packetSize_ = static_cast<std::size_t>(std::stoul(t.text));
  }
  return tokens;
}

std::vector<TdsToken> TdsClient::batch(const std::string& utf8Text) {
  if (!send(tdstest::packets(tdstest::kSqlBatch, tdstest::sqlBatch(utf8Text), packetSize_))) return {};
  const std::optional<std::string> a = answer();
  return a ? scanTokens(*a) : std::vector<TdsToken>{};
}
