#include "fakes/fake_clock.h"
#include "platform/port_conformance.h"

namespace plumo {
namespace {

// Day of the week by Sakamoto's method, 0 = Sunday.
int Weekday(int y, int m, int d) {
  static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (m < 3) y -= 1;
  return (y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7;
}

void ExpectValidTime(const SystemTime& t) {
  EXPECT_GE(t.year, 2000);
  EXPECT_TRUE(t.month >= 1 && t.month <= 12);
  EXPECT_TRUE(t.day >= 1 && t.day <= 31);
  EXPECT_LE(t.hour, 23);
  EXPECT_LE(t.minute, 59);
  EXPECT_LE(t.second, 59);
  EXPECT_LE(t.milliseconds, 999);
  EXPECT_EQ(t.dayOfWeek, Weekday(t.year, t.month, t.day));
}

TEST_P(ClockConformance, SleepAdvancesTheTickCount) {
  auto clock = GetParam().make();
  uint32_t before = clock->TickCount();
  clock->Sleep(60);
  uint32_t elapsed = clock->TickCount() - before;
  // Windows ticks in steps of about 16 ms, and Wine's tick count, kept by its server, lags
  // further behind on a busy machine.
  EXPECT_GE(elapsed, 30u);
  EXPECT_LT(elapsed, 5000u);
}

TEST_P(ClockConformance, CalendarTimesAreConsistent) {
  auto clock = GetParam().make();
  SystemTime local = clock->LocalTime(), utc = clock->UtcTime();
  ExpectValidTime(local);
  ExpectValidTime(utc);
  // Zone offsets are whole quarter hours within a day.
  int diff = (local.hour * 60 + local.minute) - (utc.hour * 60 + utc.minute);
  EXPECT_EQ(((diff % 15) + 15) % 15, 0);
}

INSTANTIATE_TEST_SUITE_P(Fake, ClockConformance,
                         testing::Values(PortFactory<Clock>{
                             "Fake", [] { return std::make_unique<FakeClock>(); }}),
                         PortName<Clock>);

}  // namespace
}  // namespace plumo
