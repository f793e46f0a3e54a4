#include "base/ansi_unicode.h"

namespace plumo {
namespace {

// Bytes 0x80 to 0x9F; the rest of 1252 is Latin-1.
constexpr uint16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

uint32_t AnsiToCodePoint(unsigned char c) { return c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c; }

char CodePointToAnsi(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == cp) return static_cast<char>(0x80 + i);
  return '?';
}

void AppendAnsiAsUtf8(std::string& out, std::string_view ansi) {
  for (char ch : ansi) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) out.push_back(ch);
    else AppendUtf8(out, AnsiToCodePoint(c));
  }
}

std::string AnsiToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size());
  AppendAnsiAsUtf8(out, ansi);
  return out;
}

std::string Utf8ToAnsi(std::string_view s) {
  std::string out;
  AppendUtf8AsAnsi(out, s);
  return out;
}

void AppendUtf8AsAnsi(std::string& out, std::string_view s) {
  constexpr uint32_t kLeast[4] = {0, 0x80, 0x800, 0x10000};
  out.reserve(out.size() + s.size());
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    const size_t extra = c >= 0xF0 && c < 0xF8 ? 3 : c >= 0xE0 && c < 0xF0 ? 2 : c >= 0xC0 && c < 0xE0 ? 1 : 0;
    uint32_t cp = c & (0x3F >> extra);
    bool good = extra > 0 && i + extra < s.size();
    for (size_t k = 1; good && k <= extra; ++k) {
      const auto n = static_cast<unsigned char>(s[i + k]);
      good = (n & 0xC0) == 0x80;
      cp = (cp << 6) | (n & 0x3F);
    }
    if (!good || cp < kLeast[extra]) {
      out.push_back('?');
      ++i;
      continue;
    }
    out.push_back(CodePointToAnsi(cp));
    i += extra + 1;
  }
}

std::string Utf16ToAnsi(const uint16_t* units, size_t count) {
  std::string out;
  AppendUtf16AsAnsi(out, units, count);
  return out;
}

void AppendUtf16AsAnsi(std::string& out, const uint16_t* units, size_t count) {
  out.reserve(out.size() + count);
  for (size_t i = 0; i < count; ++i) {
    const uint16_t u = units[i];
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) ++i;
    out.push_back(u < 0x80 ? static_cast<char>(u) : CodePointToAnsi(u >= 0xD800 && u < 0xE000 ? 0xFFFD : u));
  }
}

std::u16string AnsiToUtf16(std::string_view ansi) {
  std::u16string out;
  out.reserve(ansi.size());
  for (char ch : ansi) out.push_back(static_cast<char16_t>(AnsiToCodePoint(static_cast<unsigned char>(ch))));
  return out;
}

}  // namespace plumo
