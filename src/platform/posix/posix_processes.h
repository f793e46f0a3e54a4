#pragma once

#include "platform/processes.h"

namespace plumo {

// The priority class maps to the calling thread's scheduling policy (idle or normal), which
// an ordinary user may switch both ways.
class PosixProcesses : public Processes {
 public:
  uint32_t PriorityClass() override;
  OsError SetPriorityClass(uint32_t cls) override;
};

}  // namespace plumo
