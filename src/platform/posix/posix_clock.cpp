#include "platform/posix/posix_clock.h"

#include <sys/time.h>
#include <time.h>

#include <chrono>
#include <thread>

namespace plumo {

SystemTime FromTm(const struct tm& t, long micros) {
  SystemTime s;
  s.year = static_cast<uint16_t>(t.tm_year + 1900);
  s.month = static_cast<uint16_t>(t.tm_mon + 1);
  s.dayOfWeek = static_cast<uint16_t>(t.tm_wday);
  s.day = static_cast<uint16_t>(t.tm_mday);
  s.hour = static_cast<uint16_t>(t.tm_hour);
  s.minute = static_cast<uint16_t>(t.tm_min);
  s.second = static_cast<uint16_t>(t.tm_sec > 59 ? 59 : t.tm_sec);
  s.milliseconds = static_cast<uint16_t>(micros / 1000);
  return s;
}

uint32_t PosixClock::TickCount() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

void PosixClock::Sleep(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

SystemTime PosixClock::LocalTime() {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  struct tm t;
  localtime_r(&tv.tv_sec, &t);
  return FromTm(t, tv.tv_usec);
}

SystemTime PosixClock::UtcTime() {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  struct tm t;
  gmtime_r(&tv.tv_sec, &t);
  return FromTm(t, tv.tv_usec);
}

}  // namespace plumo
