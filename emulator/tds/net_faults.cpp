#include "net_faults.h"

namespace hvemu::tds {

bool NetFaults::add(NetAction action, std::string_view positions) {
  std::size_t start = 0;
  while (start <= positions.size()) {
    std::size_t end = positions.find(',', start);
    if (end == std::string_view::npos) end = positions.size();
    BatchPosition p;
    if (!BatchPosition::parse(positions.substr(start, end - start), p)) return false;
    faults_.emplace_back(action, std::move(p));
    start = end + 1;
  }
  return true;
}

NetAction NetFaults::onBatch(BatchCounter& batches) {
  NetAction fires = NetAction::None;
  for (Fault& f : faults_) {
    if (batches.at(f.position) && fires == NetAction::None && !f.fired.exchange(true)) fires = f.action;
  }
  return fires;
}

}  // namespace hvemu::tds
