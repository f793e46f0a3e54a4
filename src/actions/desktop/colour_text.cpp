#include "actions/desktop/colour_text.h"

#include <cstdio>

#include "base/text.h"

namespace plumo {
namespace {

struct NamedColour {
  const char* name;
  uint32_t color;
};
constexpr NamedColour kColourNames[] = {
    {"BLACK", 0x000000},     {"GRAY", 0x808080},    {"LIGHT GRAY", 0xC0C0C0}, {"LT GRAY", 0xC0C0C0},
    {"DARK GRAY", 0x404040}, {"DK GRAY", 0x404040}, {"WHITE", 0xFFFFFF},      {"RED", 0x0000FF},
    {"GREEN", 0x00FF00},     {"BLUE", 0xFF0000},    {"YELLOW", 0x00FFFF},     {"BROWN", 0x008080},
    {"CYAN", 0xFFFF00},      {"TEAL", 0x808000},    {"PINK", 0xFF00FF},       {"PURPLE", 0x800080},
};

}  // namespace

uint32_t ColorFromText(std::string_view text) {
  for (const NamedColour& named : kColourNames)
    if (EqualsNoCase(text, named.name)) return named.color;
  std::string_view t = Trim(text);
  t = t.substr(0, t.find(','));
  std::string digits;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '"' || t[i] == ' ' || t[i] == '\t') continue;
    if (t[i] == '0' && i + 1 < t.size() && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
      ++i;
      continue;
    }
    digits += t[i];
  }
  if (!digits.empty() && digits[0] == '#') digits.erase(0, 1);
  if (digits.size() != 6) return 0;
  uint32_t rgb = 0;
  for (char c : digits) {
    const int d = HexDigitValue(c);
    if (d < 0) return 0;
    rgb = rgb << 4 | static_cast<uint32_t>(d);
  }
  return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

std::string ColorText(uint32_t color) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
  return buf;
}

}  // namespace plumo
