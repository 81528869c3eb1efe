// The engine's session: the login check in front of the store, and the
// switches every batch passes through (trace, injected failures, old
// truncation) before the store executes it.
#include "fault_switches.h"
#include "store.h"
#include "text_rules.h"

namespace hvemu {

std::unique_ptr<Session> Session::open(const std::string& path, const Login& expected, const LoginRequest& request,
                                       ErrorList& errors) {
  if (!expected.user.empty() &&
      (!equalsNoCase(expected.user, request.user) || expected.password != request.password)) {
    errors.push_back(serverError(kLoginFailed, {request.user}));
    return nullptr;
  }
  std::unique_ptr<Store> store = Store::open(path, errors);
  if (!store) return nullptr;
  if (!request.database.empty() && !equalsNoCase(request.database, store->databaseName())) {
    errors.push_back(serverError(kCannotOpenDb, {request.database}));
    errors.push_back(serverError(kLoginFailed, {request.user}));
    return nullptr;
  }
  allocationPoint();
  return std::unique_ptr<Session>(new Session(std::move(store)));
}

Session::Session(std::unique_ptr<Store> store) : store_(std::move(store)) {}

Session::~Session() = default;

ExecResult Session::execute(std::string_view batch, const SessionSwitches& switches) {
  appendTrace(switches.trace, batch);
  batches_.next(batch);
  if (!switches.failExec.empty()) {
    if (std::optional<InjectedFailure> f = injectedFailure(switches.failExec, batches_)) {
      ExecResult r;
      if (f->withRecord) r.records.push_back(f->record);
      return r;
    }
  }
  ExecOptions options;
  options.oldTruncation = switches.oldTruncation;
  return store_->execute(batch, options);
}

const std::string& Session::databaseName() const { return store_->databaseName(); }
void Session::setAutocommit(bool on) { store_->setAutocommit(on); }
bool Session::autocommit() const { return store_->autocommit(); }
bool Session::endTransaction(bool commit) { return store_->endTransaction(commit); }

}  // namespace hvemu
