#include "platform/locale.h"

namespace plumo {

LocaleValues EnglishLocaleValues() {
  LocaleValues v;
  v.monthNames = {"January", "February", "March",     "April",   "May",      "June",
                  "July",    "August",   "September", "October", "November", "December"};
  v.monthAbbrevs = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  v.dayNames = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  v.dayAbbrevs = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  return v;
}

DateOrder DateOrderOfPicture(std::string_view picture) {
  size_t d = picture.find('d'), m = picture.find('M'), y = picture.find('y');
  if (y < m && y < d) return DateOrder::kYearMonthDay;
  if (d < m) return DateOrder::kDayMonthYear;
  return DateOrder::kMonthDayYear;
}

}  // namespace plumo
