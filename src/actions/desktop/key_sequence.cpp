#include "actions/desktop/key_sequence.h"

#include <array>
#include <cstring>

#include "actions/desktop/key_tokens.h"
#include "base/text.h"

namespace plumo {
namespace {

constexpr std::string_view kDelay = "{Delay=";
constexpr uint8_t kNoShiftState = 0xFF;
constexpr uint8_t kAltGr = keyflag::kControl | keyflag::kAlt;

KeyPress PressOf(std::string_view token) {
  static constexpr std::string_view kDowns[] = {"{ControlDown}", "{ShiftDown}", "{AltDown}", "{WinKeyDown}"};
  static constexpr std::string_view kUps[] = {"{ControlUp}", "{ShiftUp}", "{AltUp}", "{WinKeyUp}"};
  for (std::string_view t : kDowns)
    if (t == token) return KeyPress::kDown;
  for (std::string_view t : kUps)
    if (t == token) return KeyPress::kUp;
  return KeyPress::kTap;
}

// The number of "{Delay=n}": leading non-digits skipped, a '-' right before the digits makes it
// negative. Only the token's own characters are read.
int DelayOf(std::string_view token) {
  size_t at = 0;
  while (at < token.size() && (token[at] < '0' || token[at] > '9')) ++at;
  const bool negative = at > 0 && at < token.size() && token[at - 1] == '-';
  long long value = 0;
  for (; at < token.size() && token[at] >= '0' && token[at] <= '9'; ++at)
    if (value < 100000000) value = value * 10 + (token[at] - '0');
  return static_cast<int>(negative ? -value : value);
}

}  // namespace

bool InCharacterTable(unsigned char c) {
  if (c >= 128) {
    static constexpr unsigned char kMissing[] = {129, 141, 143, 144, 157, 160, 168, 173};
    for (unsigned char m : kMissing)
      if (m == c) return false;
    return true;
  }
  return (c >= 33 && c <= 47) || (c >= 58 && c <= 64) || (c >= 91 && c <= 96) || (c >= 123 && c <= 126);
}

void RewriteKeyAliases(std::string& text, size_t pos) {
  // No alias has a brace inside it and no token holds an alias, so one round leaves none.
  for (const KeyAlias& a : KeyAliases()) ReplaceAllNoCase(text, a.alias, a.token, pos);
}

KeyEvent ParseKeyAt(std::string& text, size_t pos, const KeyLayout& layout, bool rewrite) {
  KeyEvent ev;
  if (pos >= text.size()) return ev;
  if (text[pos] == '{') {
    if (rewrite) RewriteKeyAliases(text, pos);
    std::string_view rest = std::string_view(text).substr(pos);
    if (StartsWithNoCase(rest, kDelay)) {
      const size_t close = rest.find('}');
      ev.length = close == std::string_view::npos ? rest.size() : close + 1;
      ev.delayMs = DelayOf(rest.substr(kDelay.size(), ev.length - kDelay.size()));
      return ev;
    }
    for (const KeyToken& t : KeyTokens()) {
      if (!StartsWithNoCase(rest, t.text)) continue;
      ev.vk = t.vk;
      ev.length = t.text.size();
      ev.press = PressOf(t.text);
      return ev;
    }
  }
  ev.length = 1;
  const unsigned char c = static_cast<unsigned char>(text[pos]);
  if (c >= 1 && c <= 127) {
    const uint16_t scan = static_cast<uint16_t>(layout(static_cast<char>(c)));
    const uint8_t key = scan & 0xFF, state = scan >> 8;
    if (key != 0xFF && state != kNoShiftState && state != kAltGr) {
      ev.vk = key;
      ev.flags = state;
      return ev;
    }
  }
  if (InCharacterTable(c)) {
    ev.vk = c;
    ev.flags = keyflag::kAltCode;
  }
  return ev;
}

uint8_t KeyNameToVk(std::string_view name, const KeyLayout& layout) {
  std::string text(Trim(name));
  if (text.empty()) return 0;
  // A key's name without its braces ("F1", "Escape") names the token, not its first letter.
  if (text.size() > 1 && text.front() != '{') text = "{" + text + "}";
  const KeyEvent ev = ParseKeyAt(text, 0, layout);
  if (text.front() != '{' || text.size() == 1 || ev.length > 1) return ev.vk;
  // "{A}": the letter, as formulas read it.
  return text.size() == 3 ? KeyNameToVk(text.substr(1, 1), layout) : 0;
}

std::vector<KeyMenuItem> KeyInsertionMenu(std::string_view title) {
  std::vector<KeyMenuItem> top;
  KeyMenuItem numbers{"Number Keypad"}, functions{"Function Keys"}, media{"Media Commands"};
  bool inMedia = false;
  const auto tokens = KeyTokens();
  for (size_t i = 0; i < tokens.size(); ++i) {
    const std::string_view t = tokens[i].text;
    const KeyMenuItem item{std::string(t), kFirstKeyMenuCommand + static_cast<uint32_t>(i)};
    if (t == "{Enter}" || t == "{Escape}" || t == "{F1}") top.push_back(KeyMenuItem{{}, 0, true});
    inMedia |= StartsWithNoCase(t, "{V");
    KeyMenuItem* group = inMedia                     ? &media
                         : StartsWithNoCase(t, "{Num") ? &numbers
                         : StartsWithNoCase(t, "{F")   ? &functions
                                                       : nullptr;
    if (!group) {
      top.push_back(item);
      continue;
    }
    // A submenu takes its place where its first entry falls.
    if (group->entries.empty()) top.push_back(KeyMenuItem{group->text});
    group->entries.push_back(item);
  }
  for (KeyMenuItem& entry : top)
    for (KeyMenuItem* group : {&numbers, &functions, &media})
      if (!entry.separator && entry.id == 0 && entry.text == group->text) entry.entries = group->entries;
  if (title.empty()) return top;
  return {KeyMenuItem{std::string(title), 0, false, std::move(top)}};
}

KeyDisplayName KeyDisplayNameOf(uint32_t vk) {
  struct Named {
    uint32_t vk;
    const char* name;
  };
  static constexpr Named kNames[] = {
      {27, "Escape"},   {13, "Return"},  {17, "Control"}, {32, "Space"},      {9, "Tab"},
      {16, "Shift"},    {20, "Caps Lock"}, {33, "Pg Up"}, {34, "Pg Dn"},      {35, "End"},
      {36, "Home"},     {37, "Left"},    {38, "Up"},      {39, "Right"},      {40, "Down"},
      {45, "Insert"},   {8, "Backspace"}, {46, "Delete"}, {106, "Num *"},     {107, "Num +"},
      {109, "Num -"},   {110, "Num ."},  {111, "Num /"},  {144, "NumLock"},   {145, "Scroll"},
      {19, "Pause"},    {18, "Alt"},     {44, "Print Screen"}, {91, "Left WinKey"}, {92, "Right WinKey"},
      {93, "AppKey"},
  };
  for (const Named& n : kNames)
    if (n.vk == vk) return {n.name, vk == 32 ? 0u : vk};
  if (vk >= 96 && vk <= 105) return {"Num " + std::to_string(vk - 96), vk};
  if (vk >= 112 && vk <= 135) return {"F" + std::to_string(vk - 111), vk};
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return {std::string(1, static_cast<char>(vk)), 0};
  return {};
}

char KeyToCharacter(uint32_t vk, bool shift, bool capsLock, char layoutChar) {
  if (vk == 0) return 0;
  const bool letter = vk >= 'A' && vk <= 'Z';
  if (letter && shift == capsLock) return static_cast<char>(vk + 32);
  static constexpr char kUnshifted[] = "`1234567890-=[]\\;',./";
  static constexpr char kShifted[] = "~!@#$%^&*()_+{}|:\"<>?";
  static_assert(sizeof kUnshifted == sizeof kShifted);
  if (shift && layoutChar != 0)
    if (const char* at = std::strchr(kUnshifted, layoutChar)) return kShifted[at - kUnshifted];
  if (letter || (vk >= '0' && vk <= '9')) return static_cast<char>(vk);
  return layoutChar;
}

}  // namespace plumo
