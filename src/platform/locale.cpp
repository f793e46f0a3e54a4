#include "platform/locale.h"

namespace plumo {

LocaleValues EnglishLocaleValues() {
  LocaleValues v;
  for (size_t i = 0; i < 12; ++i) {
    v.monthNames[i] = kEnglishMonthNames[i];
    v.monthAbbrevs[i] = kEnglishMonthNames[i].substr(0, 3);
  }
  for (size_t i = 0; i < 7; ++i) {
    v.dayNames[i] = kEnglishDayNames[i];
    v.dayAbbrevs[i] = kEnglishDayNames[i].substr(0, 3);
  }
  return v;
}

DateOrder DateOrderOfPicture(std::string_view picture) {
  size_t d = picture.find('d'), m = picture.find('M'), y = picture.find('y');
  if (y < m && y < d) return DateOrder::kYearMonthDay;
  if (d < m) return DateOrder::kDayMonthYear;
  return DateOrder::kMonthDayYear;
}

}  // namespace plumo
