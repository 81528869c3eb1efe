// The engine's side of the fault switches: the injected execution failures
// and the statement trace, which every session applies before it executes a
// batch. The parts the fronts use (positions, count lists, allocation points)
// are in the public header.
#ifndef HVEMU_FAULT_SWITCHES_H
#define HVEMU_FAULT_SWITCHES_H

#include <optional>
#include <string>
#include <string_view>

#include "server_errors.h"

namespace hvemu {

// What a failExec setting asks for the current batch of `batches`.
struct InjectedFailure {
  bool withRecord = true;
  ServerError record;
};
std::optional<InjectedFailure> injectedFailure(std::string_view setting, BatchCounter& batches);

// Appends `text` and one "\n" to the trace file; the line is on disk on return.
void appendTrace(const std::string& path, std::string_view text);

}  // namespace hvemu

#endif
