// Processes port: the priority class of this process, which the run lowers while a Wait Step
// polls.
#pragma once

#include <cstdint>

#include "platform/os_error.h"

namespace plumo {

namespace priority {
constexpr uint32_t kIdle = 0x40;
constexpr uint32_t kNormal = 0x20;
}  // namespace priority

class Processes {
 public:
  virtual ~Processes() = default;

  // Win32 priority class numbers. Callers set and restore on the same thread (the run thread).
  virtual uint32_t PriorityClass() = 0;
  virtual OsError SetPriorityClass(uint32_t cls) = 0;
};

}  // namespace plumo
