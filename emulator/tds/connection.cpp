#include "connection.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <map>
#include <memory>

#include "answers.h"
#include "packets.h"
#include "requests.h"
#include "rpc.h"

namespace hvemu::tds {

namespace {

// The largest client message taken: a batch text of 2 MiB characters.
constexpr std::size_t kMaxMessage = 4u << 20;

enum class Wait { Readable, Timeout, Stop };

class Client {
 public:
  Client(int fd, int stopFd, std::uint16_t spid, ServerSettings& settings)
      : fd_(fd), stopFd_(stopFd), spid_(spid), settings_(settings), reader_(kMaxMessage) {}

  Ending serve();

 private:
  enum class State { Start, AwaitLogin, LoggedIn };
  // What handling one message leads to.
  enum class Next { Go, End };

  int fd_;
  int stopFd_;
  std::uint16_t spid_;
  ServerSettings& settings_;
  MessageReader reader_;
  State state_ = State::Start;
  std::uint32_t version_ = kTds74;
  std::uint32_t packetSize_ = kInitialPacketSize;
  std::unique_ptr<Session> session_;
  BatchCounter batches_;
  Ending ending_ = Ending::Close;
  std::map<std::int32_t, std::string> prepared_;  // prepared statements by handle
  std::int32_t lastHandle_ = 0;

  Wait wait(int timeoutMs);
  bool readSome();
  bool send(std::string_view bytes);
  // Sends `tokens` as one answer in packets of the agreed size.
  bool answer(const std::string& tokens);
  Next handle(const Message& m);
  Next login(const Message& m);
  Next batch(const Message& m);
  Next call(const Message& m);
  Next run(const std::string& text, const ProcedureEnd* end);
  Next answerProcedure(const ProcedureEnd& end);
  Next refuse(std::string_view request, Token done);
  bool delayed();
  void drain();
  // FIN at once; then the client's rest is read and dropped until it closes.
  void finish();
};

Wait Client::wait(int timeoutMs) {
  pollfd fds[2] = {{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
  for (;;) {
    const int n = ::poll(fds, 2, timeoutMs);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || (fds[1].revents & POLLIN)) return Wait::Stop;
    if (n == 0) return Wait::Timeout;
    return Wait::Readable;
  }
}

bool Client::readSome() {
  char buf[16384];
  for (;;) {
    const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    return reader_.feed(std::string_view(buf, static_cast<std::size_t>(n)));
  }
}

bool Client::send(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool Client::answer(const std::string& tokens) {
  Outbox out([this](std::string_view p) { return send(p); }, packetSize_, spid_);
  out.tokens() = tokens;
  return out.finish();
}

Ending Client::serve() {
  for (;;) {
    while (reader_.hasMessage()) {
      if (handle(reader_.take()) == Next::End) return ending_;
    }
    if (wait(-1) != Wait::Readable || !readSome()) return ending_;
  }
}

Client::Next Client::handle(const Message& m) {
  switch (static_cast<MessageType>(m.type)) {
    case MessageType::Attention: {
      // Before the login there is nothing to cancel.
      if (state_ != State::LoggedIn) return Next::Go;
      std::string tokens;
      writeAttentionAck(tokens, version_);
      return answer(tokens) ? Next::Go : Next::End;
    }
    case MessageType::Prelogin: {
      if (state_ != State::Start || !readPrelogin(m.payload)) return Next::End;
      state_ = State::AwaitLogin;
      return answer(preloginAnswer()) ? Next::Go : Next::End;
    }
    case MessageType::Login7:
      return state_ == State::LoggedIn ? Next::End : login(m);
    case MessageType::SqlBatch:
      return state_ == State::LoggedIn ? batch(m) : Next::End;
    case MessageType::Rpc:
      return state_ == State::LoggedIn ? call(m) : Next::End;
    case MessageType::BulkLoad:
    case MessageType::TransactionManager:
      if (state_ != State::LoggedIn) return Next::End;
      return refuse(static_cast<MessageType>(m.type) == MessageType::BulkLoad ? "bulk load"
                                                                               : "transaction manager request",
                    Token::Done);
    default:
      return Next::End;
  }
}

Client::Next Client::login(const Message& m) {
  const std::optional<Login7> l = readLogin7(m.payload);
  if (!l) return Next::End;
  version_ = agreedVersion(l->tdsVersion);
  ErrorList errors;
  session_ = Session::open(settings_.databasePath, settings_.login, LoginRequest{l->userName, l->password, l->database},
                           errors);
  std::string tokens;
  if (!session_) {
    writeLoginRefusal(tokens, version_, errors);
    answer(tokens);
    return Next::End;
  }
  const std::uint32_t agreed = agreedPacketSize(l->packetSize);
  writeLoginAnswer(tokens, version_, session_->databaseName(), agreed);
  if (!answer(tokens)) return Next::End;
  packetSize_ = agreed;  // from the next message on
  state_ = State::LoggedIn;
  return Next::Go;
}

// Waits the delay, reading what comes meanwhile; false when an attention
// cancelled the batch (or the client left or the server stops).
bool Client::delayed() {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point until = Clock::now() + std::chrono::milliseconds(settings_.delayMs);
  for (;;) {
    if (reader_.attentionWaiting()) return false;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
    if (left <= 0) return true;
    const Wait w = wait(static_cast<int>(left));
    if (w == Wait::Stop) return false;
    if (w == Wait::Readable && !readSome()) return false;
  }
}

void Client::finish() {
  ::shutdown(fd_, SHUT_WR);
  drain();
}

// Reads and drops whatever the client sends until it leaves or the server stops.
void Client::drain() {
  while (wait(-1) == Wait::Readable) {
    char buf[4096];
    const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
    if (n == 0 || (n < 0 && errno != EINTR)) return;
  }
}

Client::Next Client::refuse(std::string_view request, Token done) {
  std::string tokens;
  writeUnsupported(tokens, version_, request, done);
  return answer(tokens) ? Next::Go : Next::End;
}

Client::Next Client::batch(const Message& m) {
  const std::optional<std::string> text = readSqlBatch(m.payload, version_);
  if (!text) return Next::End;
  return run(*text, nullptr);
}

Client::Next Client::answerProcedure(const ProcedureEnd& end) {
  std::string tokens;
  writeProcedureEnd(tokens, version_, end);
  return answer(tokens) ? Next::Go : Next::End;
}

// The procedures of prepared statements, without parameter markers:
// sp_executesql(@stmt [, @params]), sp_prepexec(@handle OUT, @params, @stmt),
// sp_prepare(@handle OUT, @params, @stmt [, @options]), sp_execute(@handle),
// sp_unprepare(@handle).
Client::Next Client::call(const Message& m) {
  const std::optional<RpcCall> c = readRpc(m.payload, version_);
  if (!c) return Next::End;
  const std::vector<RpcParam>& p = c->params;
  auto text = [&](std::size_t i) { return i < p.size() && p[i].isText && !p[i].null; };
  auto noMarkers = [&](std::size_t defs, std::size_t count) {
    return p.size() <= count && (defs >= p.size() || p[defs].null || p[defs].text.empty());
  };
  ProcedureEnd end;
  switch (c->procedure) {
    case Procedure::ExecuteSql:
      if (!text(0) || !noMarkers(1, 2)) break;
      return run(p[0].text, &end);
    case Procedure::PrepExec:
    case Procedure::Prepare: {
      if (!text(2) || !noMarkers(1, c->procedure == Procedure::Prepare ? 4 : 3) || !p[0].output) break;
      end.withHandle = true;
      end.handle = ++lastHandle_;
      end.handleParam = p[0].name;
      prepared_[end.handle] = p[2].text;
      if (c->procedure == Procedure::Prepare) return answerProcedure(end);
      return run(p[2].text, &end);
    }
    case Procedure::Execute: {
      if (p.size() != 1 || p[0].isText || p[0].null) break;
      auto it = prepared_.find(static_cast<std::int32_t>(p[0].integer));
      if (it == prepared_.end()) {
        end.ok = false;
        std::string tokens;
        TokenWriter(tokens, version_).message(serverError(kNotSupported, {"sp_execute of an unknown handle"}));
        writeProcedureEnd(tokens, version_, end);
        return answer(tokens) ? Next::Go : Next::End;
      }
      const std::string statement = it->second;
      return run(statement, &end);
    }
    case Procedure::Unprepare:
      if (p.size() != 1 || p[0].isText || p[0].null) break;
      prepared_.erase(static_cast<std::int32_t>(p[0].integer));
      return answerProcedure(end);
    default:
      break;
  }
  return refuse(c->name.empty() ? "remote procedure call" : "remote procedure call " + c->name, Token::DoneProc);
}

// One statement, of a batch or of a procedure call (`end` set): the network
// faults, the delay, the engine, the answer.
Client::Next Client::run(const std::string& text, const ProcedureEnd* end) {
  batches_.next(text);
  const NetAction fault = settings_.faults.onBatch(batches_);
  switch (fault) {
    case NetAction::CloseAt:
      finish();
      return Next::End;
    case NetAction::ResetAt:
      ending_ = Ending::Reset;
      return Next::End;
    case NetAction::StallAt:
      drain();
      return Next::End;
    default:
      break;
  }
  if (settings_.delayMs > 0 && !delayed()) {
    // Cancelled before it ran: the attention's acknowledgement is the answer.
    return reader_.attentionWaiting() ? Next::Go : Next::End;
  }
  ExecResult result = session_->execute(text, settings_.switches);
  if (fault == NetAction::CloseAfter || fault == NetAction::ResetAfter) {
    result.rows.reset();
    if (fault == NetAction::ResetAfter) {
      ending_ = Ending::Reset;
    } else {
      finish();
    }
    return Next::End;
  }
  Outbox out([this](std::string_view bytes) { return send(bytes); }, packetSize_, spid_);
  bool sent = writeStatementAnswer(out, version_, result, end != nullptr);
  if (sent && end) {
    ProcedureEnd e = *end;
    e.ok = result.ok;
    writeProcedureEnd(out.tokens(), version_, e);
  }
  return sent && out.finish() ? Next::Go : Next::End;
}

}  // namespace

Ending serveClient(int fd, int stopFd, std::uint16_t spid, ServerSettings& settings) {
  Client client(fd, stopFd, spid, settings);
  return client.serve();
}

}  // namespace hvemu::tds
