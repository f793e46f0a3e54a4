#pragma once

#include "platform/clock.h"

namespace plumo {

class PosixClock : public Clock {
 public:
  uint32_t TickCount() override;
  void Sleep(uint32_t ms) override;
  SystemTime LocalTime() override;
  SystemTime UtcTime() override;
};

}  // namespace plumo
