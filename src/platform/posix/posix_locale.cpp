#include "platform/posix/posix_locale.h"

#include <langinfo.h>
#include <locale.h>

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

// ISO 639 codes and the Windows primary language numbers they stand for.
struct Language {
  const char* code;
  uint16_t id;
};
constexpr Language kLanguages[] = {
    {"ar", 1},  {"zh", 4},  {"cs", 5},  {"da", 6},  {"de", 7},  {"el", 8},  {"en", 9},  {"es", 10},
    {"fi", 11}, {"fr", 12}, {"it", 16}, {"ja", 17}, {"ko", 18}, {"nl", 19}, {"no", 20}, {"nb", 20},
    {"nn", 20}, {"pl", 21}, {"pt", 22}, {"ro", 24}, {"ru", 25}, {"hr", 26}, {"sv", 29}, {"th", 30},
    {"tr", 31}, {"uk", 34}, {"sl", 36}, {"lv", 38}, {"lt", 39}, {"fa", 41}, {"hi", 57}, {"pa", 70},
};

}  // namespace

uint16_t LanguageOfLocaleName(const char* name) {
  if (!name) return 9;
  std::string_view n(name);
  std::string_view code = n.substr(0, n.find_first_of("_.@"));
  for (const Language& l : kLanguages)
    if (code == l.code) return l.id;
  return 9;
}

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
  v.primaryLanguage = LanguageOfLocaleName(setlocale(LC_MESSAGES, nullptr));
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
