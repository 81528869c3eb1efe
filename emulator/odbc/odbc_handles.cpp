#include "odbc_handles.h"

#include <cstring>
#include <mutex>

namespace hvemu {

namespace {

template <typename T>
T* checked(SQLHANDLE h, HandleKind kind) noexcept {
  if (!h) return nullptr;
  auto* base = static_cast<HandleBase*>(h);
  return base->kind == kind ? static_cast<T*>(base) : nullptr;
}

// The environments of the process; the driver manager may allocate them on
// several threads at once.
struct EnvRegistry {
  std::mutex lock;
  std::map<const Env*, std::unique_ptr<Env>> envs;
};

EnvRegistry& registry() {
  static EnvRegistry r;
  return r;
}

// Creates a T owned by `owner` (keyed by its address); allocation points.
template <typename T, typename Owner, typename Arg>
T* adopt(Owner& owner, Arg arg) {
  allocationPoint();
  auto made = std::make_unique<T>(arg);
  T* raw = made.get();
  allocationPoint();
  owner.emplace(raw, std::move(made));
  return raw;
}

template <typename Len>
bool copyTextImpl(std::string_view value, std::string_view more, SQLPOINTER buffer, SQLLEN size,
                  Len* lengthOut) noexcept {
  const size_t total = value.size() + more.size();
  if (lengthOut) *lengthOut = static_cast<Len>(total);
  if (!buffer || size <= 0) return total != 0;
  const size_t room = static_cast<size_t>(size) - 1;
  char* out = static_cast<char*>(buffer);
  const size_t first = value.size() < room ? value.size() : room;
  if (first) std::memcpy(out, value.data(), first);  // an empty view may have no data at all
  const size_t second = more.size() < room - first ? more.size() : room - first;
  if (second) std::memcpy(out + first, more.data(), second);
  out[first + second] = '\0';
  return first + second < total;
}

}  // namespace

void HandleBase::add(ServerError e) {
  allocationPoint();
  diags.push_back(std::move(e));
}

DiagView HandleBase::diagAt(size_t index) const noexcept {
  if (index < diags.size()) {
    const ServerError& e = diags[index];
    return DiagView{e.sqlstate, e.native, messagePrefix(e.fromServer), e.text};
  }
  const DriverText& t =
      driverText(fallback == Fallback::Memory ? DriverRecord::MemoryAllocation : DriverRecord::Internal);
  return DiagView{t.sqlstate, 0, messagePrefix(false), t.text};
}

Env* asEnv(SQLHANDLE h) noexcept { return checked<Env>(h, HandleKind::Env); }
Dbc* asDbc(SQLHANDLE h) noexcept { return checked<Dbc>(h, HandleKind::Dbc); }
Stmt* asStmt(SQLHANDLE h) noexcept { return checked<Stmt>(h, HandleKind::Stmt); }

const DsnSwitches* switchesOf(const HandleBase& h) noexcept {
  switch (h.kind) {
    case HandleKind::Dbc: return &static_cast<const Dbc&>(h).switches;
    case HandleKind::Stmt: return &static_cast<const Stmt&>(h).dbc->switches;
    default: return nullptr;
  }
}

Env* newEnv() {
  allocationPoint();
  auto made = std::make_unique<Env>();
  Env* raw = made.get();
  EnvRegistry& r = registry();
  const std::lock_guard<std::mutex> hold(r.lock);
  allocationPoint();
  r.envs.emplace(raw, std::move(made));
  return raw;
}

void freeEnv(Env& env) noexcept {
  EnvRegistry& r = registry();
  std::unique_ptr<Env> gone;  // destroyed outside the lock
  const std::lock_guard<std::mutex> hold(r.lock);
  auto it = r.envs.find(&env);
  if (it == r.envs.end()) return;
  gone = std::move(it->second);
  r.envs.erase(it);
}

Dbc* newDbc(Env& env) { return adopt<Dbc>(env.connections, &env); }
void freeDbc(Dbc& dbc) noexcept { dbc.env->connections.erase(&dbc); }
Stmt* newStmt(Dbc& dbc) { return adopt<Stmt>(dbc.statements, &dbc); }
void freeStmt(Stmt& stmt) noexcept { stmt.dbc->statements.erase(&stmt); }

std::string textArgument(const SQLCHAR* text, SQLLEN length) {
  allocationPoint();
  if (!text) return std::string();
  const char* p = reinterpret_cast<const char*>(text);
  return length == SQL_NTS ? std::string(p) : std::string(p, static_cast<size_t>(length < 0 ? 0 : length));
}

bool copyText(std::string_view value, SQLPOINTER buffer, SQLLEN size, SQLSMALLINT* lengthOut,
              std::string_view more) noexcept {
  return copyTextImpl(value, more, buffer, size, lengthOut);
}
bool copyText(std::string_view value, SQLPOINTER buffer, SQLLEN size, SQLINTEGER* lengthOut,
              std::string_view more) noexcept {
  return copyTextImpl(value, more, buffer, size, lengthOut);
}

SQLRETURN successResult(const HandleBase& h) noexcept { return h.hasDiags() ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS; }

}  // namespace hvemu
