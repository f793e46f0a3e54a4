// A priority class that only remembers what it was set to.
#pragma once

#include <vector>

#include "platform/processes.h"

namespace plumo {

class FakeProcesses : public Processes {
 public:
  uint32_t PriorityClass() override { return cls; }
  OsError SetPriorityClass(uint32_t c) override {
    cls = c;
    return OsError::Ok();
  }
  uint32_t cls = priority::kNormal;
};

}  // namespace plumo
