// Locale port: the user's number separators, month and weekday names, date and time pictures,
// and the locale-aware text comparison used for sorting.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace plumo {

// Order of day, month and year in the short date.
enum class DateOrder { kMonthDayYear, kDayMonthYear, kYearMonthDay };

struct LocaleValues {
  std::string decimalSeparator = ".";
  std::string thousandsSeparator = ",";
  std::array<std::string, 12> monthNames;    // January first
  std::array<std::string, 12> monthAbbrevs;
  std::array<std::string, 7> dayNames;       // Sunday first
  std::array<std::string, 7> dayAbbrevs;
  // Pictures in the Windows notation ("M/d/yyyy", "h:mm:ss tt").
  std::string shortDateFormat = "M/d/yyyy";
  std::string timeFormat = "h:mm:ss tt";
  DateOrder dateOrder = DateOrder::kMonthDayYear;
  // The primary language of the user's locale by its Windows number (9 English, 7 German).
  uint16_t primaryLanguage = 9;
};

// The English month and weekday names: the C locale's, and the run log's whatever the locale.
inline constexpr std::array<std::string_view, 12> kEnglishMonthNames = {
    "January", "February", "March", "April", "May", "June", "July", "August", "September", "October", "November", "December"};
inline constexpr std::array<std::string_view, 7> kEnglishDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                                     "Thursday", "Friday", "Saturday"};

// The values of the C locale: English names, month-day-year order.
LocaleValues EnglishLocaleValues();

// The order of d, M and y in a Windows date picture; month-day-year when it names none.
DateOrder DateOrderOfPicture(std::string_view picture);

class Locale {
 public:
  virtual ~Locale() = default;
  // Read once; the same object for the life of the port.
  virtual const LocaleValues& Values() = 0;
  // <0, 0, >0; with case, by the locale's sorting rules.
  virtual int CompareText(std::string_view a, std::string_view b) = 0;
};

}  // namespace plumo
