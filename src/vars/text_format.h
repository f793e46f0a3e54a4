// The TEXT format language, date and time parsing, numbers in words and elapsed times.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/locale.h"
#include "vars/dates.h"

namespace plumo {

// TEXT(value, format): a number format ("#,##0.00", "$0", "(0.00)") or, when the format holds
// one of the letters YyMmDdHhSs, a date/time format ("yyyy-mm-dd", "h:mm AM/PM", "dddd").
// The clock gives today's date where the serial has none. out is replaced.
void FormatValue(double value, std::string_view format, const LocaleValues& locale, Clock& clock,
                 std::string& out);

// DATEVALUE's reading of a date text; nullopt when it names no date.
std::optional<CivilDate> ParseDate(std::string_view text, const LocaleValues& locale, Clock& clock);

struct ClockTime {
  int64_t hours = 0;
  int64_t minutes = 0;
  int64_t seconds = 0;
};
// TIMEVALUE's reading of a time text ("11:30 PM", "2009-08-22 10:05:00").
ClockTime ParseTime(std::string_view text);

// NUM2WORDS: "One Hundred Twenty Three", "One point Two Five"; in cheque mode
// "One Hundred Fifty and 50/100".
std::string NumberToWords(std::string_view numberText, bool cheque);

// Elapsed time for the run log: "less than 1 second", "5 seconds", "1:01", "1:01:01",
// "2 Days + 0:00:00".
std::string DurationText(uint32_t milliseconds);

}  // namespace plumo
