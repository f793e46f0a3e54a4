// Clock port: tick counts for timing, sleeping, and the calendar time in two zones.
#pragma once

#include <cstdint>

namespace plumo {

// Calendar time in the layout of Win32's SYSTEMTIME; dayOfWeek 0 is Sunday.
struct SystemTime {
  uint16_t year = 1601;
  uint16_t month = 1;
  uint16_t dayOfWeek = 1;
  uint16_t day = 1;
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t milliseconds = 0;

  bool operator==(const SystemTime&) const = default;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start, wrapping at 2^32 like GetTickCount.
  virtual uint32_t TickCount() = 0;
  virtual void Sleep(uint32_t ms) = 0;
  virtual SystemTime LocalTime() = 0;
  virtual SystemTime UtcTime() = 0;
};

}  // namespace plumo
