#include "platform/posix/posix_locale.h"

#include <langinfo.h>

#include <cstring>
#include <string>

namespace plumo {
namespace {

std::string Info(nl_item item, const std::string& fallback) {
  const char* s = nl_langinfo(item);
  return (s && *s) ? std::string(s) : fallback;
}

// strftime conversions and their Windows pictures.
struct Conversion {
  char letter;
  const char* picture;
};
constexpr Conversion kConversions[] = {
    {'d', "dd"},     {'e', "d"},        {'m', "MM"},        {'y', "yy"},       {'Y', "yyyy"},
    {'b', "MMM"},    {'h', "MMM"},      {'B', "MMMM"},      {'a', "ddd"},      {'A', "dddd"},
    {'H', "HH"},     {'k', "H"},        {'I', "hh"},        {'l', "h"},        {'M', "mm"},
    {'S', "ss"},     {'p', "tt"},       {'D', "MM/dd/yy"},  {'F', "yyyy-MM-dd"}, {'T', "HH:mm:ss"},
    {'R', "HH:mm"},  {'r', "hh:mm:ss tt"}, {'%', "%"},
};

}  // namespace

std::string WindowsPictureOf(std::string_view in) {
  std::string out;
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '%' || i + 1 >= in.size()) {
      out.push_back(in[i]);
      continue;
    }
    char c = in[++i];
    // Modifiers of the conversion (%Ey, %Od, %-d) do not change its field.
    while ((c == 'E' || c == 'O' || c == '-' || c == '_' || c == '0' || c == '^' || c == '#') &&
           i + 1 < in.size())
      c = in[++i];
    for (const Conversion& conv : kConversions) {
      if (conv.letter == c) {
        out += conv.picture;
        break;
      }
    }
  }
  return out;
}

PosixLocale::PosixLocale() : values_(EnglishLocaleValues()) {
  LocaleValues& v = values_;
  v.decimalSeparator = Info(RADIXCHAR, v.decimalSeparator);
  v.thousandsSeparator = Info(THOUSEP, v.thousandsSeparator);
  for (int i = 0; i < 12; ++i) {
    v.monthNames[i] = Info(static_cast<nl_item>(MON_1 + i), v.monthNames[i]);
    v.monthAbbrevs[i] = Info(static_cast<nl_item>(ABMON_1 + i), v.monthAbbrevs[i]);
  }
  for (int i = 0; i < 7; ++i) {
    v.dayNames[i] = Info(static_cast<nl_item>(DAY_1 + i), v.dayNames[i]);
    v.dayAbbrevs[i] = Info(static_cast<nl_item>(ABDAY_1 + i), v.dayAbbrevs[i]);
  }
  std::string date = WindowsPictureOf(Info(D_FMT, "%m/%d/%y"));
  std::string time = WindowsPictureOf(Info(T_FMT, "%H:%M:%S"));
  if (!date.empty()) v.shortDateFormat = date;
  if (!time.empty()) v.timeFormat = time;
  v.dateOrder = DateOrderOfPicture(v.shortDateFormat);
}

int PosixLocale::CompareText(std::string_view a, std::string_view b) {
  // strcoll wants terminated texts; short ones are copied on the stack.
  char sa[256], sb[256];
  if (a.size() < sizeof(sa) && b.size() < sizeof(sb) && a.find('\0') == std::string_view::npos &&
      b.find('\0') == std::string_view::npos) {
    std::memcpy(sa, a.data(), a.size());
    sa[a.size()] = '\0';
    std::memcpy(sb, b.data(), b.size());
    sb[b.size()] = '\0';
    return strcoll(sa, sb);
  }
  return strcoll(std::string(a).c_str(), std::string(b).c_str());
}

}  // namespace plumo
