#pragma once

#include "platform/locale.h"

namespace plumo {

// The user's default locale through GetLocaleInfoA and CompareStringA.
class Win32Locale : public Locale {
 public:
  Win32Locale();
  const LocaleValues& Values() override { return values_; }
  int CompareText(std::string_view a, std::string_view b) override;

 private:
  LocaleValues values_;
};

}  // namespace plumo
