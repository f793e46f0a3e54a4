#include "platform/win32/win32_clock.h"

#include <windows.h>

namespace plumo {
namespace {

SystemTime FromSystemTime(const SYSTEMTIME& t) {
  return SystemTime{t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond,
                    t.wMilliseconds};
}

}  // namespace

uint32_t Win32Clock::TickCount() { return GetTickCount(); }
void Win32Clock::Sleep(uint32_t ms) { ::Sleep(ms); }

SystemTime Win32Clock::LocalTime() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return FromSystemTime(t);
}

SystemTime Win32Clock::UtcTime() {
  SYSTEMTIME t;
  GetSystemTime(&t);
  return FromSystemTime(t);
}

}  // namespace plumo
