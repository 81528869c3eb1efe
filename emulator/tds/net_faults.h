// The server's network fault switches, for tests of a client that loses its
// server: close the connection (FIN) or reset it (RST) when a batch arrives,
// or after executing it without answering (a lost answer); stop answering
// (stall) from a batch on. Each fault names a batch position (see
// BatchPosition) and fires once in the server's life, on the first connection
// that reaches it, so that a client can reconnect and go on.
#ifndef HVEMU_TDS_NET_FAULTS_H
#define HVEMU_TDS_NET_FAULTS_H

#include <hvemu/engine.h>

#include <atomic>
#include <deque>
#include <string_view>

namespace hvemu::tds {

enum class NetAction {
  None,
  CloseAt,     // FIN when the batch arrives; it is not executed
  ResetAt,     // RST when it arrives
  CloseAfter,  // executes it, then FIN without answering
  ResetAfter,  // executes it, then RST without answering
  StallAt,     // from this batch on nothing is executed or answered, attention ignored
};

class NetFaults {
 public:
  // Adds one fault per item of a comma list of positions; false when an item
  // is not a position.
  bool add(NetAction action, std::string_view positions);
  bool empty() const { return faults_.empty(); }
  // The fault that fires at the current batch of `batches` (None: none). Asks
  // about every fault, so that every text keeps its count.
  NetAction onBatch(BatchCounter& batches);

 private:
  struct Fault {
    Fault(NetAction a, BatchPosition p) : action(a), position(std::move(p)) {}
    NetAction action;
    BatchPosition position;
    std::atomic<bool> fired{false};
  };
  std::deque<Fault> faults_;  // a deque keeps each fault's place
};

}  // namespace hvemu::tds

#endif
