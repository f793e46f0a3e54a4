#pragma once

#include <time.h>

#include "platform/clock.h"

namespace plumo {

// A broken-down time and its microseconds as a SystemTime.
SystemTime FromTm(const struct tm& t, long micros);

class PosixClock : public Clock {
 public:
  uint32_t TickCount() override;
  void Sleep(uint32_t ms) override;
  SystemTime LocalTime() override;
  SystemTime UtcTime() override;
};

}  // namespace plumo
