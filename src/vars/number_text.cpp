#include "vars/number_text.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "vars/char_class.h"

namespace plumo {
namespace {

// Rewrites the exponent of to_chars' scientific form ("e+07") with three digits at least.
size_t WidenExponent(char* buf, size_t len) {
  char* e = static_cast<char*>(std::memchr(buf, 'e', len));
  if (!e) return len;
  char* digits = e + 2;
  size_t have = static_cast<size_t>(buf + len - digits);
  if (have >= 3) return len;
  size_t pad = 3 - have;
  std::memmove(digits + pad, digits, have);
  std::memset(digits, '0', pad);
  return len + pad;
}

}  // namespace

void NumberToText(double value, int digits, std::string& out) {
  if (value == 0) {
    out.clear();
    out.push_back('0');
    return;
  }
  if (!std::isfinite(value)) {
    out.clear();
    out.append(std::isnan(value) ? "nan" : value < 0 ? "-inf" : "inf");
    return;
  }
  int d = static_cast<int>(std::floor(std::log10(std::fabs(value)))) + 1;
  int c = digits < 2 ? 2 : digits;
  char buf[400];
  size_t len;
  if (c < d) {
    auto r = std::to_chars(buf, buf + sizeof(buf) - 8, value, std::chars_format::scientific, c - 1);
    len = WidenExponent(buf, static_cast<size_t>(r.ptr - buf));
    out.assign(buf, len < 30 ? len : 30);
    return;
  }
  int decimals = c - d > 15 ? 15 : c - d;
  auto r = std::to_chars(buf, buf + sizeof(buf), value, std::chars_format::fixed, decimals);
  len = static_cast<size_t>(r.ptr - buf);
  if (len > 30) len = 30;
  if (std::memchr(buf, '.', len)) {
    while (len > 0 && buf[len - 1] == '0') --len;
    if (len > 0 && buf[len - 1] == '.') --len;
  }
  out.assign(buf, len);
  if (!out.empty() && out[0] == '.') out.insert(out.begin(), '0');
}

std::string NumberToText(double value, int digits) {
  std::string s;
  NumberToText(value, digits, s);
  return s;
}

double LeadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  size_t start = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i;
  }
  double v = 0;
  if (i > start && !(i == start + 1 && text[start] == '.'))
    std::from_chars(text.data() + start, text.data() + i, v, std::chars_format::fixed);
  return negative ? -v : v;
}

int64_t WholePart(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9.2e18) return INT64_C(9200000000000000000);
  if (value <= -9.2e18) return -INT64_C(9200000000000000000);
  return static_cast<int64_t>(value);
}

uint32_t Bits32(double value) { return static_cast<uint32_t>(static_cast<uint64_t>(WholePart(value))); }

std::string LocaleSeparators(std::string_view text, unsigned flags, const LocaleValues& locale) {
  std::string s(text);
  const std::string& dec = locale.decimalSeparator;
  const std::string& thou = locale.thousandsSeparator;
  bool hasSeparator = (!dec.empty() && s.find(dec) != std::string::npos) ||
                      (!thou.empty() && s.find(thou) != std::string::npos);
  if ((flags & kToCanonical) && hasSeparator) {
    std::string out;
    for (size_t i = 0; i < s.size();) {
      if (!thou.empty() && s.compare(i, thou.size(), thou) == 0 && i > 0 && IsDigit(s[i - 1])) {
        size_t after = i + thou.size();
        if (after + 2 < s.size() && IsDigit(s[after]) && IsDigit(s[after + 2])) {
          i = after;
          continue;
        }
      }
      if (!dec.empty() && s.compare(i, dec.size(), dec) == 0) {
        size_t after = i + dec.size();
        if (after == s.size() || IsDigit(s[after]) || s[after] == ')') {
          out.push_back('.');
          i = after;
          continue;
        }
      }
      out.push_back(s[i++]);
    }
    s.swap(out);
  }
  size_t point = std::string::npos;
  if (flags & kToLocaleDecimal) {
    point = s.find('.');
    if (point != std::string::npos) s.replace(point, 1, dec);
  }
  if (flags & kInsertThousands) {
    if (point == std::string::npos) point = s.find('.');
    if (point == std::string::npos && !dec.empty()) point = s.find(dec);
    if (point == std::string::npos) point = s.size();
    size_t begin = point;
    while (begin > 0 && IsDigit(s[begin - 1])) --begin;
    for (size_t at = point; at > begin + 3;) {
      at -= 3;
      s.insert(at, thou);
    }
  }
  return s;
}

}  // namespace plumo
