#include "platform/win32/win32_locale.h"

#include <windows.h>

namespace plumo {
namespace {

// The value, or the fallback when the locale has none.
std::string Info(LCTYPE type, const std::string& fallback) {
  char buf[128];
  int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, sizeof(buf));
  if (n <= 1) return fallback;
  return std::string(buf, static_cast<size_t>(n - 1));
}

}  // namespace

Win32Locale::Win32Locale() : values_(EnglishLocaleValues()) {
  LocaleValues& v = values_;
  v.decimalSeparator = Info(LOCALE_SDECIMAL, v.decimalSeparator);
  v.thousandsSeparator = Info(LOCALE_STHOUSAND, v.thousandsSeparator);
  for (int i = 0; i < 12; ++i) {
    v.monthNames[i] = Info(LOCALE_SMONTHNAME1 + i, v.monthNames[i]);
    v.monthAbbrevs[i] = Info(LOCALE_SABBREVMONTHNAME1 + i, v.monthAbbrevs[i]);
  }
  // Windows counts the days from Monday; the port from Sunday.
  for (int i = 0; i < 7; ++i) {
    int day = (i + 6) % 7;
    v.dayNames[i] = Info(LOCALE_SDAYNAME1 + day, v.dayNames[i]);
    v.dayAbbrevs[i] = Info(LOCALE_SABBREVDAYNAME1 + day, v.dayAbbrevs[i]);
  }
  v.shortDateFormat = Info(LOCALE_SSHORTDATE, v.shortDateFormat);
  v.timeFormat = Info(LOCALE_STIMEFORMAT, v.timeFormat);
  std::string order = Info(LOCALE_IDATE, "0");
  v.dateOrder = order == "1"   ? DateOrder::kDayMonthYear
                : order == "2" ? DateOrder::kYearMonthDay
                               : DateOrder::kMonthDayYear;
  v.primaryLanguage = PRIMARYLANGID(GetUserDefaultLangID());
}

int Win32Locale::CompareText(std::string_view a, std::string_view b) {
  int r = CompareStringA(LOCALE_USER_DEFAULT, 0, a.data(), static_cast<int>(a.size()), b.data(),
                         static_cast<int>(b.size()));
  return r == 0 ? a.compare(b) : r - CSTR_EQUAL;
}

}  // namespace plumo
