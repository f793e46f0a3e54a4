#include "vars/text_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/text.h"
#include "vars/char_class.h"
#include "vars/number_text.h"

namespace plumo {
namespace {

bool HasAnyOf(std::string_view s, std::string_view set) { return s.find_first_of(set) != std::string_view::npos; }

// Places of the time and date codes while the format is rewritten; each stands for a text
// inserted only at the end, so that no later step reads letters of a name as codes.
constexpr char kAm = '\x15', kPm = '\x16';
constexpr char kMonthName = '\x11', kMonthAbbrev = '\x12', kDayName = '\x13', kDayAbbrev = '\x14';
constexpr std::string_view kMarkMMMM = "\x17\x17\x17\x17", kMarkMMM = "\x18\x18\x18";

// The decimal digits of v (at least minDigits of them), with an optional text before and after;
// formats run for every TEXT call, so this avoids printf.
std::string_view Digits(char (&buf)[32], int64_t v, int minDigits, std::string_view before = {},
                        std::string_view after = {}) {
  char tmp[24];
  int n = 0;
  bool negative = v < 0;
  uint64_t u = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  do {
    tmp[n++] = static_cast<char>('0' + u % 10);
    u /= 10;
  } while (u);
  while (n < minDigits) tmp[n++] = '0';
  size_t len = 0;
  for (char c : before) buf[len++] = c;
  if (negative) buf[len++] = '-';
  while (n > 0) buf[len++] = tmp[--n];
  for (char c : after) buf[len++] = c;
  return std::string_view(buf, len);
}

void ReplaceNumber(std::string& out, std::string_view code, int64_t value, bool twoDigits,
                   std::string_view before = {}, std::string_view after = {}) {
  char buf[32];
  if (FindNoCase(out, code) != std::string::npos)
    ReplaceAllNoCase(out, code, Digits(buf, value, twoDigits ? 2 : 1, before, after));
}

// Minutes written before seconds ("mm.ss", "m:ss" after the colon rules): a run of 'm', one
// character, blanks, then an 's'.
void ReplaceMinutesBeforeSeconds(std::string& out, int64_t minutes) {
  char buf[32];
  std::string_view mm = Digits(buf, minutes, 2);
  for (size_t i = 0; i < out.size();) {
    if (out[i] != 'm' && out[i] != 'M') {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < out.size() && (out[end] == 'm' || out[end] == 'M')) ++end;
    size_t k = end + 1;
    while (k < out.size() && IsBlank(out[k])) ++k;
    if (end < out.size() && k < out.size() && (out[k] == 's' || out[k] == 'S')) {
      out.replace(i, end - i, mm);
      i += mm.size();
    } else {
      i = end;
    }
  }
}

void FormatDateTime(double serial, std::string_view format, const LocaleValues& locale, Clock& clock,
                    std::string& out) {
  out.assign(format.substr(0, 1022));
  CivilDate date = DateOfSerial(serial);
  int weekday = WeekdayOfSerial(serial) - 1;
  if (date.year == 0) {
    SystemTime today = clock.LocalTime();
    date = CivilDate{today.year, today.month, today.day};
    weekday = today.dayOfWeek % 7;
  }
  int64_t secs = SecondsOfDay(serial);
  int64_t hour = secs / 3600, minute = (secs % 3600) / 60, second = secs % 60;

  bool ampm = ReplaceAllNoCase(out, "AM/PM", std::string_view(hour < 12 ? &kAm : &kPm, 1)) > 0;
  ReplaceAllNoCase(out, "MMMM", kMarkMMMM);
  ReplaceAllNoCase(out, "MMM", kMarkMMM);

  if (HasAnyOf(out, "hH")) {
    int64_t h = ampm && hour > 12 ? hour - 12 : hour;
    ReplaceNumber(out, "hh", h, true);
    ReplaceNumber(out, "h", h, false);
  }

  if (out.find(':') != std::string::npos) {
    ReplaceNumber(out, ":mm", minute, true, ":");
    ReplaceNumber(out, "mm:", minute, true, {}, ":");
    ReplaceNumber(out, ":m", minute, false, ":");
    ReplaceNumber(out, "m:", minute, false, {}, ":");
  }
  ReplaceMinutesBeforeSeconds(out, minute);
  if (!HasAnyOf(out, "dD")) {
    ReplaceNumber(out, "mm", minute, true);
    ReplaceNumber(out, "m", minute, false);
  }

  if (HasAnyOf(out, "sS")) {
    ReplaceNumber(out, "ss", second, true);
    ReplaceNumber(out, "s", second, false);
  }

  if (HasAnyOf(out, "yY")) {
    char buf[32];
    std::string_view year = Digits(buf, date.year, 4);
    ReplaceAllNoCase(out, "yyyy", year);
    ReplaceAllNoCase(out, "yyy", year);
    ReplaceNumber(out, "yy", date.year % 100, true);
    ReplaceNumber(out, "y", date.year, false);
  }

  if (HasAnyOf(out, "mM\x17\x18")) {
    ReplaceAllNoCase(out, "mmmm", std::string_view(&kMonthName, 1));
    ReplaceAllNoCase(out, kMarkMMMM, std::string_view(&kMonthName, 1));
    ReplaceAllNoCase(out, "mmm", std::string_view(&kMonthAbbrev, 1));
    ReplaceAllNoCase(out, kMarkMMM, std::string_view(&kMonthAbbrev, 1));
    ReplaceNumber(out, "mm", date.month, true);
    ReplaceNumber(out, "m", date.month, false);
  }

  if (HasAnyOf(out, "dD")) {
    ReplaceAllNoCase(out, "dddd", std::string_view(&kDayName, 1));
    ReplaceAllNoCase(out, "ddd", std::string_view(&kDayAbbrev, 1));
    ReplaceNumber(out, "dd", date.day, true);
    ReplaceNumber(out, "d", date.day, false);
  }

  if (HasAnyOf(out, "\x11\x12\x13\x14\x15\x16")) {
    ReplaceAllNoCase(out, std::string_view(&kAm, 1), "AM");
    ReplaceAllNoCase(out, std::string_view(&kPm, 1), "PM");
    ReplaceAllNoCase(out, std::string_view(&kMonthName, 1), locale.monthNames[date.month - 1]);
    ReplaceAllNoCase(out, std::string_view(&kMonthAbbrev, 1), locale.monthAbbrevs[date.month - 1]);
    ReplaceAllNoCase(out, std::string_view(&kDayName, 1), locale.dayNames[weekday]);
    ReplaceAllNoCase(out, std::string_view(&kDayAbbrev, 1), locale.dayAbbrevs[weekday]);
  }
}

void InsertThousands(char* buf, size_t& len) {
  char* point = static_cast<char*>(std::memchr(buf, '.', len));
  size_t end = point ? static_cast<size_t>(point - buf) : len;
  size_t begin = end;
  while (begin > 0 && IsDigit(buf[begin - 1])) --begin;
  for (size_t at = end; at > begin + 3;) {
    at -= 3;
    std::memmove(buf + at + 1, buf + at, len - at);
    buf[at] = ',';
    ++len;
  }
}

void FormatNumber(double value, std::string_view format, std::string& out) {
  bool thousands = format.find(',') != std::string_view::npos;
  bool dollar = format.find('$') != std::string_view::npos;
  bool parens = format.find('(') != std::string_view::npos && format.find(')') != std::string_view::npos;
  char f[64];
  size_t flen = 0;
  bool point = false;
  int decimals = 0, zeros = 0;
  for (char c : format) {
    if (c == ',' || c == '$' || c == '(' || c == ')' || c == '_' || IsBlank(c)) continue;
    if (flen < sizeof(f)) f[flen++] = c;
    if (c == '.' && !point) {
      point = true;
    } else if (point) {
      ++decimals;
    } else if (c == '0') {
      ++zeros;
    }
  }
  if (decimals > 60) decimals = 60;
  bool negative = value < 0;
  bool zeroPad = flen > 0 && f[0] == '0';
  size_t width = static_cast<size_t>(decimals + zeros + (point ? 1 : 0) + (negative ? 1 : 0));

  // Room for the digits of any double, the padding and the separators.
  char buf[800];
  char* p = buf + 1;  // one byte in front for the '$'
  auto r = std::to_chars(p, p + 400, value + 0.0000000001, std::chars_format::fixed, decimals);
  size_t len = static_cast<size_t>(r.ptr - p);
  if (len < width) {
    size_t pad = width - len;
    size_t at = zeroPad && p[0] == '-' ? 1 : 0;
    std::memmove(p + at + pad, p + at, len - at);
    std::memset(p + at, zeroPad ? '0' : ' ', pad);
    len = width;
  }
  if (point && !std::memchr(p, '.', len)) p[len++] = '.';
  bool zeroBeforePoint = false;
  for (size_t i = 0; i < flen && f[i] != '.'; ++i) zeroBeforePoint |= f[i] == '0';
  if (point && !zeroBeforePoint) {
    size_t at = p[0] == '-' ? 1 : 0;
    if (len >= at + 2 && p[at] == '0' && p[at + 1] == '.') {
      std::memmove(p + at, p + at + 1, len - at - 1);
      --len;
    }
  }
  if (std::memchr(p, '.', len))
    for (size_t i = 0; i < len && p[i] == ' '; ++i) p[i] = '0';
  if (thousands && std::fabs(LeadingNumber(std::string_view(p, len))) >= 1000) InsertThousands(p, len);
  if (dollar) {
    *--p = '$';
    ++len;
  }
  out.assign(p, len);
  if (parens && negative) {
    size_t minus = out.find('-');
    if (minus != std::string::npos) out.erase(minus, 1);
    out.insert(out.begin(), '(');
    out.push_back(')');
  }
}

int64_t LeadingInteger(std::string_view s) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  int64_t v = 0;
  for (; i < s.size() && IsDigit(s[i]); ++i)
    if (v < 100000000000LL) v = v * 10 + (s[i] - '0');
  return negative ? -v : v;
}

int MonthOfName(std::string_view field, const LocaleValues& locale) {
  for (int m = 0; m < 12; ++m) {
    const std::string& full = locale.monthNames[m];
    const std::string& abbrev = locale.monthAbbrevs[m];
    if (EqualsNoCase(field, full) || EqualsNoCase(field, abbrev) ||
        (!abbrev.empty() && StartsWithNoCase(field, abbrev) && StartsWithNoCase(full, field)))
      return m + 1;
  }
  return 0;
}

const char* const kDigitWords[] = {"Zero", "One", "Two",   "Three", "Four",
                                   "Five", "Six", "Seven", "Eight", "Nine"};
const char* const kTeenWords[] = {"Eleven",  "Twelve",    "Thirteen", "Fourteen", "Fifteen",
                                  "Sixteen", "Seventeen", "Eighteen", "Nineteen"};
const char* const kTensWords[] = {"Twenty", "Thirty", "Forty", "Fifty", "Sixty", "Seventy", "Eighty", "Ninety"};

void AppendWord(std::string& out, std::string_view word) {
  out.append(word);
  out.push_back(' ');
}

void AppendGroup(std::string& out, int n, const char* scale) {
  if (n == 0) return;
  if (n >= 100) {
    AppendWord(out, kDigitWords[n / 100]);
    AppendWord(out, "Hundred");
  }
  int r = n % 100;
  if (r == 10) {
    AppendWord(out, "Ten");
  } else if (r >= 20) {
    AppendWord(out, kTensWords[r / 10 - 2]);
    if (r % 10) AppendWord(out, kDigitWords[r % 10]);
  } else if (r >= 11) {
    AppendWord(out, kTeenWords[r - 11]);
  } else if (r >= 1) {
    AppendWord(out, kDigitWords[r]);
  }
  if (scale) AppendWord(out, scale);
}

}  // namespace

void FormatValue(double value, std::string_view format, const LocaleValues& locale, Clock& clock,
                 std::string& out) {
  if (!format.empty() && format[0] == '@') {
    out.clear();
  } else if (HasAnyOf(format, "YyMmDdHhSs")) {
    FormatDateTime(value, format, locale, clock, out);
  } else {
    FormatNumber(value, format, out);
  }
}

std::optional<CivilDate> ParseDate(std::string_view text, const LocaleValues& locale, Clock& clock) {
  size_t start = 0;
  while (start < text.size() && IsBlank(text[start])) ++start;
  std::string_view s = text.substr(start);
  if (s.size() < 3) return std::nullopt;
  char sep = s.find('-') != std::string_view::npos ? '-' : s.find('/') != std::string_view::npos ? '/' : ' ';

  int month = 0;
  int64_t year = -1;
  int64_t shorts[3];
  int shortCount = 0;
  bool yearFirst = false;
  size_t pos = 0;
  for (int field = 0; field < 3 && pos < s.size(); ++field) {
    while (pos < s.size() && s[pos] == ' ') ++pos;
    size_t end = field < 2 ? s.find(sep, pos) : s.find_first_of(" \t/\r\n", pos);
    if (end == std::string_view::npos) end = s.size();
    std::string_view raw = s.substr(pos, end - pos).substr(0, 31);
    pos = end + 1;
    char clean[32];
    size_t n = 0;
    for (char c : raw)
      if (c != ',' && c != '-') clean[n++] = c;
    std::string_view f = Trim(std::string_view(clean, n));
    if (f.empty()) continue;
    bool numeric = f.find_first_not_of("0123456789") == std::string_view::npos;
    if (!numeric) {
      if (int m = MonthOfName(f, locale)) month = m;
    } else if (f.size() == 4) {
      year = LeadingInteger(f);
      yearFirst = shortCount == 0 && month == 0;
    } else {
      shorts[shortCount++] = LeadingInteger(f);
    }
  }

  int64_t day = -1;
  if (month != 0) {
    if (shortCount > 0) day = shorts[0];
    if (year < 0 && shortCount > 1) year = shorts[1];
  } else if (shortCount >= 2) {
    DateOrder order = locale.dateOrder;
    if (year >= 0 && yearFirst) order = DateOrder::kYearMonthDay;
    if (year < 0 && shortCount == 3) {
      int64_t a = shorts[0], b = shorts[1], c = shorts[2];
      if (order == DateOrder::kMonthDayYear) month = static_cast<int>(a), day = b, year = c;
      else if (order == DateOrder::kDayMonthYear) day = a, month = static_cast<int>(b), year = c;
      else year = a, month = static_cast<int>(b), day = c;
    } else if (order == DateOrder::kDayMonthYear) {
      day = shorts[0], month = static_cast<int>(shorts[1]);
    } else {
      month = static_cast<int>(shorts[0]), day = shorts[1];
    }
  }
  if (month == 0 || day < 0) return std::nullopt;
  if (year < 0) year = clock.LocalTime().year;
  if (year >= 1 && year <= 29) year += 2000;
  else if (year >= 30 && year <= 999) year += 1900;
  return CivilDate{year, month, static_cast<int>(day)};
}

ClockTime ParseTime(std::string_view text) {
  std::string s(text);
  ReplaceAllNoCase(s, " AM", "");
  bool pm = ReplaceAllNoCase(s, " PM", "") > 0;
  char sep = s.find(':') != std::string::npos ? ':' : '.';
  int64_t parts[3] = {0, 0, 0};
  size_t pos = 0;
  for (int i = 0; i < 3 && pos <= s.size(); ++i) {
    size_t end = s.find(sep, pos);
    if (end == std::string::npos) end = s.size();
    std::string_view f = Trim(std::string_view(s).substr(pos, end - pos).substr(0, 31));
    pos = end + 1;
    if (i == 0) {
      size_t blank = f.find_last_of(" \t");
      if (blank != std::string_view::npos) f = f.substr(blank + 1);
    } else if (i == 2) {
      f = f.substr(0, f.find_first_of(" \t"));
    }
    parts[i] = LeadingInteger(f);
  }
  if (pm && parts[0] <= 11) parts[0] += 12;
  return ClockTime{parts[0], parts[1], parts[2]};
}

std::string NumberToWords(std::string_view numberText, bool cheque) {
  std::string clean;
  for (char c : numberText)
    if (c != ',' && c != '$') clean.push_back(c);
  double x = LeadingNumber(clean);
  if (x > 2000000000.0 || x < -2000000000.0) return "(Out of Range)";
  if (x == 0) return "Zero";
  std::string out;
  if (x < 0) {
    AppendWord(out, "Minus");
    x = -x;
  }
  char buf[64];
  std::snprintf(buf, sizeof(buf), "%.10f", x);
  const char* point = std::strchr(buf, '.');
  uint64_t whole = 0;
  for (const char* p = buf; p < point; ++p) whole = whole * 10 + static_cast<uint64_t>(*p - '0');
  std::string fraction(point + 1);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();

  if (whole == 0) AppendWord(out, "Zero");
  AppendGroup(out, static_cast<int>(whole / 1000000000), "Billion");
  AppendGroup(out, static_cast<int>(whole / 1000000 % 1000), "Million");
  AppendGroup(out, static_cast<int>(whole / 1000 % 1000), "Thousand");
  AppendGroup(out, static_cast<int>(whole % 1000), nullptr);
  if (cheque) {
    AppendWord(out, "and");
    if (point[1] == '0' && point[2] == '0') out += "no";
    else out.append(point + 1, 2);
    out += "/100";
  } else if (!fraction.empty()) {
    AppendWord(out, "point");
    for (char c : fraction) AppendWord(out, kDigitWords[c - '0']);
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string DurationText(uint32_t milliseconds) {
  if (milliseconds == 0) milliseconds = 1;
  if (milliseconds < 1000) return "less than 1 second";
  uint32_t s = milliseconds / 1000;
  char buf[64];
  if (s < 60) {
    std::snprintf(buf, sizeof(buf), "%u second%s", s, s == 1 ? "" : "s");
  } else if (s < 3600) {
    std::snprintf(buf, sizeof(buf), "%u:%02u", s / 60, s % 60);
  } else if (s > 86400) {
    uint32_t days = s / 86400, rest = s % 86400;
    std::snprintf(buf, sizeof(buf), "%u Day%s + %u:%02u:%02u", days, days >= 2 ? "s" : "", rest / 3600,
                  rest % 3600 / 60, rest % 60);
  } else {
    std::snprintf(buf, sizeof(buf), "%u:%02u:%02u", s / 3600, s % 3600 / 60, s % 60);
  }
  return buf;
}

}  // namespace plumo
