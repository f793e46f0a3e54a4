#pragma once

#include <cstdint>

#include "platform/locale.h"

namespace plumo {

// The process locale (as set with setlocale) through nl_langinfo and strcoll. The C locale
// gives the English names and the month-day-year order.
class PosixLocale : public Locale {
 public:
  PosixLocale();
  const LocaleValues& Values() override { return values_; }
  int CompareText(std::string_view a, std::string_view b) override;

 private:
  LocaleValues values_;
};

// The Windows primary language number of a locale name ("de_DE.UTF-8" gives 7); English (9)
// for the C locale and languages the table does not know.
uint16_t LanguageOfLocaleName(const char* name);

// A strftime picture ("%d.%m.%Y") in the Windows notation ("dd.MM.yyyy").
std::string WindowsPictureOf(std::string_view strftimePicture);

}  // namespace plumo
