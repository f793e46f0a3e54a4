// A locale with the English values unless a test sets others, and a sorting comparison in
// the manner of Windows: letters alphabetically first, lower case before upper case on a tie.
#pragma once

#include "base/text.h"
#include "platform/locale.h"

namespace plumo {

class FakeLocale : public Locale {
 public:
  FakeLocale() : values_(EnglishLocaleValues()) {}
  explicit FakeLocale(LocaleValues values) : values_(std::move(values)) {}

  const LocaleValues& Values() override { return values_; }
  int CompareText(std::string_view a, std::string_view b) override {
    if (int c = CompareNoCase(a, b)) return c;
    for (size_t i = 0; i < a.size(); ++i) {
      if (a[i] == b[i]) continue;
      return a[i] == ToLowerAnsi(a[i]) ? -1 : 1;
    }
    return 0;
  }

  LocaleValues& values() { return values_; }

 private:
  LocaleValues values_;
};

// German-style values: comma decimals, point thousands, day-month-year.
inline LocaleValues GermanLocaleValues() {
  LocaleValues v = EnglishLocaleValues();
  v.decimalSeparator.assign(1, ',');
  v.thousandsSeparator.assign(1, '.');
  v.monthNames = {"Januar", "Februar", "März",     "April",   "Mai",      "Juni",
                  "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
  v.monthAbbrevs = {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
  v.dayNames = {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};
  v.dayAbbrevs = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
  v.shortDateFormat = "dd.MM.yyyy";
  v.timeFormat = "HH:mm:ss";
  v.dateOrder = DateOrder::kDayMonthYear;
  return v;
}

}  // namespace plumo
