#include "vars/dates.h"

#include <gtest/gtest.h>

namespace plumo {
namespace {

TEST(DateSerial, FollowsTheSpreadsheetConvention) {
  struct Case {
    double y, m, d, serial;
  } cases[] = {
      {2009, 8, 22, 40047},  {1900, 1, 1, 1},     {1900, 2, 28, 59},    {1900, 2, 29, 60},
      {1900, 3, 1, 61},      {1900, 1, 0, 0},     {1900, 0, 1, 0},      // results below 1 give 0
      {109, 8, 22, 40047},   // years below 1900 count from 1900
      {2009, 13, 1, 40179},  {2009, 0, 1, 39783}, {2009, -11, 1, 39448},  // months carry years
      {2009, 1, 0, 39813},   {2009, 3, 0, 39872}, {2009, 2, 29, 39873},  // days carry months
      {1900, 2, 30, 61},     {2009, 1, 365, 40178}, {2009, 1, -30, 39783},
      {2000, 2, 29, 36585},  {9999, 12, 31, 2958465},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DateSerial(c.y, c.m, c.d), c.serial) << c.y << "-" << c.m << "-" << c.d;
}

TEST(DateSerial, SurvivesAbsurdArguments) {
  EXPECT_GE(DateSerial(1e300, 1e300, 1e300), 0);
  EXPECT_EQ(DateSerial(-1e300, 1, 1), 0);
  EXPECT_GE(DateSerial(2009, 1, 1e15), 0);
}

TEST(DateOfSerial, IsTheInverseWithTheMissingLeapDay) {
  struct Case {
    double serial;
    int64_t y;
    int m, d;
  } cases[] = {
      {1, 1900, 1, 1},   {59, 1900, 2, 28},   {60, 1900, 2, 29},   {61, 1900, 3, 1},
      {40047, 2009, 8, 22}, {40047.75, 2009, 8, 22}, {36585, 2000, 2, 29}, {0.5, 0, 0, 0},
      {-3, 0, 0, 0},
  };
  for (const Case& c : cases) {
    CivilDate d = DateOfSerial(c.serial);
    EXPECT_EQ(d.year, c.y) << c.serial;
    EXPECT_EQ(d.month, c.m) << c.serial;
    EXPECT_EQ(d.day, c.d) << c.serial;
  }
  for (double s = 1; s < 80000; s += 97) {
    CivilDate d = DateOfSerial(s);
    EXPECT_EQ(DateSerial(static_cast<double>(d.year), d.month, d.day), s);
  }
}

TEST(DateParts, WeekdaysAndLengths) {
  EXPECT_EQ(WeekdayOfSerial(40047), 7);  // Saturday 22 August 2009
  EXPECT_EQ(WeekdayOfSerial(40048), 1);
  EXPECT_EQ(WeekdayOfSerial(61), 5);     // Thursday 1 March 1900
  EXPECT_EQ(DaysInMonth(DateSerial(2009, 2, 1)), 28);
  EXPECT_EQ(DaysInMonth(DateSerial(2008, 2, 1)), 29);
  EXPECT_EQ(DaysInMonth(DateSerial(1900, 2, 1)), 29);
  EXPECT_EQ(DaysInMonth(DateSerial(2009, 12, 5)), 31);
  EXPECT_EQ(DaysInMonth(0.5), 0);
  EXPECT_EQ(DaysInYear(DateSerial(2008, 6, 1)), 366);
  EXPECT_EQ(DaysInYear(DateSerial(2100, 6, 1)), 365);
  EXPECT_EQ(DayOfYear(DateSerial(2009, 3, 1)), 60);
  EXPECT_EQ(DayOfYear(DateSerial(2008, 12, 31)), 366);
  EXPECT_EQ(DayOfYear(DateSerial(1900, 3, 1)), 61);
}

TEST(TimeFraction, WrapsAtMidnight) {
  EXPECT_DOUBLE_EQ(TimeFraction(23, 30 - 10, 59 + 1), (23 * 3600 + 21 * 60) / 86400.0);
  EXPECT_DOUBLE_EQ(TimeFraction(24, 0, 0), 0);
  EXPECT_DOUBLE_EQ(TimeFraction(-1, 0, 0), 23 / 24.0);
  EXPECT_DOUBLE_EQ(TimeFraction(12, 0, 0), 0.5);
  EXPECT_EQ(SecondsOfDay(40047 + TimeFraction(13, 5, 9)), 13 * 3600 + 5 * 60 + 9);
  EXPECT_EQ(SecondsOfDay(0.99999999), 86400);  // rounds up to the next midnight
}

TEST(SerialOfTime, UsesTheCalendarTime) {
  SystemTime t{2009, 8, 6, 22, 18, 0, 0, 0};
  EXPECT_DOUBLE_EQ(SerialOfDay(t), 40047);
  EXPECT_DOUBLE_EQ(SerialOfTime(t), 40047.75);
}

}  // namespace
}  // namespace plumo
