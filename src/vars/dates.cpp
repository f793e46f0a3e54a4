#include "vars/dates.h"

#include <cmath>

#include "vars/number_text.h"

namespace plumo {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm), valid for
// any 64-bit year the callers can produce.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(int64_t z) {
  z += 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  CivilDate c;
  c.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  c.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  c.year = yoe + era * 400 + (c.month <= 2);
  return c;
}

const int64_t kDay18991230 = DaysFromCivil(1899, 12, 30);
const int64_t kDay18991231 = DaysFromCivil(1899, 12, 31);
constexpr int64_t kFakeLeapDay = 60;

// Serial of a real calendar day; days before 1900-03-01 count from 1899-12-31.
int64_t SerialOfCivil(int64_t y, int m, int d) {
  int64_t days = DaysFromCivil(y, m, d);
  int64_t serial = days - kDay18991230;
  return serial >= 61 ? serial : days - kDay18991231;
}

// Day number of a serial on the real calendar (serial 60 falls on 1900-02-28's number).
int64_t DaysOfSerial(int64_t serial) {
  return serial >= 61 ? serial + kDay18991230 : serial + kDay18991231;
}

// Years, months and days are whole numbers well inside what the calendar can carry.
int64_t Clamp(double v, int64_t limit) {
  int64_t w = WholePart(v);
  return w > limit ? limit : w < -limit ? -limit : w;
}

}  // namespace

bool IsLeapYear(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

double DateSerial(double year, double month, double day) {
  int64_t y = Clamp(year, 100000000), m = Clamp(month, 1200000000), d = Clamp(day, 4000000000000);
  if (y < 1900) y += 1900;
  // Months carry whole years; month 0 is December of the year before.
  int64_t m0 = m - 1;
  y += (m0 >= 0 ? m0 : m0 - 11) / 12;
  m0 -= ((m0 >= 0 ? m0 : m0 - 11) / 12) * 12;
  // Days carry through the serial line itself, so the 1900 leap day counts like any other.
  int64_t serial = SerialOfCivil(y, static_cast<int>(m0 + 1), 1) + d - 1;
  return serial <= 0 ? 0 : static_cast<double>(serial);
}

CivilDate DateOfSerial(double serial) {
  if (!(serial >= 1)) return CivilDate{};
  int64_t s = WholePart(serial);
  if (s == kFakeLeapDay) return CivilDate{1900, 2, 29};
  return CivilFromDays(DaysOfSerial(s));
}

int WeekdayOfSerial(double serial) {
  int64_t days = DaysOfSerial(WholePart(std::floor(serial)));
  // 1970-01-01 was a Thursday (5 in the 1 = Sunday count).
  int64_t w = (days + 4) % 7;
  if (w < 0) w += 7;
  return static_cast<int>(w) + 1;
}

int DayOfYear(double serial) {
  CivilDate c = DateOfSerial(serial);
  if (c.year == 0) return 0;
  return static_cast<int>(WholePart(serial) - SerialOfCivil(c.year, 1, 1) + 1);
}

int DaysInYear(double serial) {
  CivilDate c = DateOfSerial(serial);
  if (c.year == 0) return 0;
  return IsLeapYear(c.year) || c.year == 1900 ? 366 : 365;
}

int DaysInMonth(double serial) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  CivilDate c = DateOfSerial(serial);
  if (c.year == 0) return 0;
  if (c.month == 2 && (IsLeapYear(c.year) || c.year == 1900)) return 29;
  return kDays[c.month - 1];
}

double TimeFraction(double hours, double minutes, double seconds) {
  double total = std::fmod(hours * 3600 + minutes * 60 + seconds, 86400.0);
  if (total < 0) total += 86400;
  if (!std::isfinite(total)) return 0;
  return total / 86400;
}

int64_t SecondsOfDay(double serial) {
  if (!std::isfinite(serial)) return 0;
  return WholePart((serial - std::floor(serial)) * 86400 + 0.5);
}

double SerialOfDay(const SystemTime& t) { return DateSerial(t.year, t.month, t.day); }

double SerialOfTime(const SystemTime& t) {
  return SerialOfDay(t) + (t.hour * 3600.0 + t.minute * 60.0 + t.second) / 86400.0;
}

}  // namespace plumo
