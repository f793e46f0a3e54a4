// A clock that only moves when told to (or when something sleeps on it).
#pragma once

#include <atomic>

#include "platform/clock.h"

namespace plumo {

class FakeClock : public Clock {
 public:
  uint32_t TickCount() override { return ticks_; }
  void Sleep(uint32_t ms) override { Advance(ms); }
  SystemTime LocalTime() override { return local_; }
  SystemTime UtcTime() override { return utc_; }

  void Advance(uint32_t ms) { ticks_ += ms; }
  void SetTimes(const SystemTime& local, const SystemTime& utc) {
    local_ = local;
    utc_ = utc;
  }

 private:
  std::atomic<uint32_t> ticks_{1000};
  // Monday 7 December 2026, one hour ahead of UTC.
  SystemTime local_{2026, 12, 1, 7, 10, 30, 15, 250};
  SystemTime utc_{2026, 12, 1, 7, 9, 30, 15, 250};
};

}  // namespace plumo
