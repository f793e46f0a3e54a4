// Date serials in the spreadsheet convention: days since 1899-12-30 from 1900-03-01 on, since
// 1899-12-31 before it, and 60 for the 1900-02-29 that never was. Time is the day's fraction.
#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace plumo {

struct CivilDate {
  int64_t year = 0;
  int month = 0;  // 1-12
  int day = 0;    // 1-31
};

// DATE: years below 1900 count from 1900; months and days out of range carry; 0 when the
// result would be 0 or below.
double DateSerial(double year, double month, double day);
// The date of the serial's whole part; all zero for a serial below 1.
CivilDate DateOfSerial(double serial);
// 1 = Sunday ... 7 = Saturday.
int WeekdayOfSerial(double serial);
int DayOfYear(double serial);
int DaysInYear(double serial);
int DaysInMonth(double serial);
bool IsLeapYear(int64_t year);

// TIME: the seconds taken modulo a day, as a fraction of it.
double TimeFraction(double hours, double minutes, double seconds);
// Seconds of the time of day, rounded: whole part of (fraction x 86400 + 0.5).
int64_t SecondsOfDay(double serial);

// The serial of a calendar day, and of a calendar time with its time of day.
double SerialOfDay(const SystemTime& t);
double SerialOfTime(const SystemTime& t);

}  // namespace plumo
