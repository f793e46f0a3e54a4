#include "vars/text_format.h"

#include <gtest/gtest.h>

#include "fakes/fake_clock.h"
#include "fakes/fake_locale.h"

namespace plumo {
namespace {

class TextFormat : public testing::Test {
 protected:
  std::string Format(double value, std::string_view format) {
    std::string out = "stale";
    FormatValue(value, format, locale_.Values(), clock_, out);
    return out;
  }
  FakeLocale locale_;
  FakeClock clock_;  // Monday 7 December 2026
};

TEST_F(TextFormat, NumberFormats) {
  struct Case {
    double value;
    const char* format;
    const char* text;
  } cases[] = {
      {1234.567, "#,##0.00", "1,234.57"},
      {123.456, "0.00", "123.46"},
      {-5, "(0.00)", "(5.00)"},
      {0.5, ".00", ".50"},
      {-0.5, ".00", "-.50"},
      {1234, "$#,##0", "$1,234"},
      {-1234.5, "$#,##0.0", "$-1,234.5"},
      {7, "000", "007"},
      {-7, "000", "-007"},
      {5, "#00.0", "05.0"},
      {2.5, "0", "3"},
      {2.5, "#", "3"},
      {1234567.891, "#,##0", "1,234,568"},
      {999.999, "#,##0.00", "1,000.00"},
      {12, "0.", "12."},
      {3, "", "3"},
  };
  for (const Case& c : cases) EXPECT_EQ(Format(c.value, c.format), c.text) << c.value << " " << c.format;
  EXPECT_EQ(Format(1e300, "0").size(), 301u);
  EXPECT_EQ(Format(1e300, "#,##0.00").size(), 301u + 100u + 3u);
}

TEST_F(TextFormat, AtSignGivesNothing) { EXPECT_EQ(Format(5, "@0.00"), ""); }

TEST_F(TextFormat, DateAndTimeFormats) {
  double aug22 = DateSerial(2009, 8, 22);  // a Saturday
  double t1305 = aug22 + TimeFraction(13, 5, 9);
  struct Case {
    double value;
    const char* format;
    const char* text;
  } cases[] = {
      {aug22, "yyyy-mm-dd", "2009-08-22"},
      {aug22, "d/m/yy", "22/8/09"},
      {aug22, "dddd, mmmm d, yyyy", "Saturday, August 22, 2009"},
      {aug22, "ddd mmm", "Sat Aug"},
      {aug22, "MMMM", "August"},
      {DateSerial(2009, 12, 1), "mmmm dd", "December 01"},  // names are not read as codes
      {DateSerial(2009, 3, 1), "dddd mmmm", "Sunday March"},
      {t1305, "h:mm AM/PM", "1:05 PM"},
      {t1305, "hh:mm:ss", "13:05:09"},
      {t1305, "HH:MM:SS", "13:05:09"},
      {aug22 + TimeFraction(9, 7, 3), "h:m:s am/pm", "9:7:3 AM"},
      {aug22 + TimeFraction(12, 0, 0), "h AM/PM", "12 PM"},
      {aug22 + TimeFraction(0, 30, 0), "h:mm AM/PM", "0:30 AM"},
      {t1305, "mm.ss", "05.09"},       // minutes before seconds
      {t1305, "yyyy mm", "2009 05"},   // without a day, mm is minutes
      {t1305, "yyyy-mm-dd hh:mm", "2009-08-22 13:05"},
      {aug22, "y", "2009"},
      {60, "yyyy-mm-dd", "1900-02-29"},
  };
  for (const Case& c : cases) EXPECT_EQ(Format(c.value, c.format), c.text) << c.format;
}

TEST_F(TextFormat, ASerialWithoutADateTakesToday) {
  EXPECT_EQ(Format(TimeFraction(8, 0, 0), "yyyy-mm-dd dddd hh"), "2026-12-07 Monday 08");
}

TEST_F(TextFormat, NamesComeFromTheLocale) {
  locale_.values() = GermanLocaleValues();
  EXPECT_EQ(Format(DateSerial(2009, 3, 22), "dddd, d. mmmm yyyy"), "Sonntag, 22. März 2009");
}

TEST(ParseDate, ReadsTheCommonShapes) {
  FakeClock clock;
  FakeLocale en;
  FakeLocale de(GermanLocaleValues());
  struct Case {
    FakeLocale* locale;
    const char* text;
    double serial;  // 0: no date
  } cases[] = {
      {&en, "8/22/2009", 40047},
      {&de, "22/8/2009", 40047},
      {&de, "22.8.2009", 0},  // '.' separates nothing
      {&en, "2009-08-22", 40047},
      {&de, "2009-08-22 10:00:00", 40047},
      {&en, "August 22, 2009", 40047},
      {&en, "22 Aug 2009", 40047},
      {&en, "  aug 22 2009", 40047},
      {&de, "22 März 2009", 39894},
      {&en, "8/22/09", 40047},
      {&en, "8/22/99", 36394},
      {&en, "8/22", DateSerial(2026, 8, 22)},  // the current year
      {&en, "8/", 0},
      {&en, "hello world", 0},
      {&en, "", 0},
  };
  for (const Case& c : cases) {
    std::optional<CivilDate> d = ParseDate(c.text, c.locale->Values(), clock);
    double serial = d ? DateSerial(static_cast<double>(d->year), d->month, d->day) : 0;
    EXPECT_EQ(serial, c.serial) << c.text;
  }
}

TEST(ParseTime, ReadsClockTimes) {
  struct Case {
    const char* text;
    int64_t h, m, s;
  } cases[] = {
      {"11:30 PM", 23, 30, 0},   {"11:30 pm", 23, 30, 0}, {"12:15 PM", 12, 15, 0},
      {"12:15 AM", 12, 15, 0},   {"9:05:07", 9, 5, 7},    {"2009-08-22 10:05:00", 10, 5, 0},
      {"10.20.30", 10, 20, 30},  {"7:08:09 extra", 7, 8, 9}, {"", 0, 0, 0},
  };
  for (const Case& c : cases) {
    ClockTime t = ParseTime(c.text);
    EXPECT_EQ(t.hours, c.h) << c.text;
    EXPECT_EQ(t.minutes, c.m) << c.text;
    EXPECT_EQ(t.seconds, c.s) << c.text;
  }
}

TEST(NumberToWords, SpellsNumbers) {
  struct Case {
    const char* text;
    bool cheque;
    const char* words;
  } cases[] = {
      {"123", false, "One Hundred Twenty Three"},
      {"2000000001", false, "(Out of Range)"},
      {"2000000000", false, "Two Billion"},
      {"0", false, "Zero"},
      {"10", false, "Ten"},
      {"11", false, "Eleven"},
      {"40", false, "Forty"},
      {"1,001,010", false, "One Million One Thousand Ten"},
      {"$1,250,000.00", false, "One Million Two Hundred Fifty Thousand"},
      {"1.25", false, "One point Two Five"},
      {"0.5", false, "Zero point Five"},
      {"3.10", false, "Three point One"},
      {"150.5", true, "One Hundred Fifty and 50/100"},
      {"150", true, "One Hundred Fifty and no/100"},
      {"7.256", true, "Seven and 25/100"},
      {"-3", false, "Minus Three"},
  };
  for (const Case& c : cases) EXPECT_EQ(NumberToWords(c.text, c.cheque), c.words) << c.text;
}

TEST(DurationText, WordsElapsedTime) {
  struct Case {
    uint32_t ms;
    const char* text;
  } cases[] = {
      {0, "less than 1 second"},   {999, "less than 1 second"}, {1000, "1 second"},
      {59999, "59 seconds"},       {61000, "1:01"},             {3599000, "59:59"},
      {3600000, "1:00:00"},        {86400000, "24:00:00"},      {90061000, "1 Day + 1:01:01"},
      {172800000, "2 Days + 0:00:00"}, {4294967295u, "49 Days + 17:02:47"},
  };
  for (const Case& c : cases) EXPECT_EQ(DurationText(c.ms), c.text) << c.ms;
}

}  // namespace
}  // namespace plumo
