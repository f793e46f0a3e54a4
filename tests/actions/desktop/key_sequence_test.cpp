#include "actions/desktop/key_sequence.h"

#include <gtest/gtest.h>

namespace plumo {
namespace {

// A US layout's letters and digits, and '{' on Shift+[; nothing else.
int16_t UsLayout(char c) {
  if (c >= 'a' && c <= 'z') return static_cast<int16_t>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return static_cast<int16_t>(0x100 | c);
  if (c >= '0' && c <= '9') return c;
  if (c == '{') return 0x1DB;
  if (c == '@') return 0x632;  // AltGr: not used
  return -1;
}

TEST(ParseKeyAt, TokensAliasesAndCharacters) {
  struct Case {
    const char* text;
    int vk, flags;
    KeyPress press;
    size_t length;
  } cases[] = {
      {"{ENTER}", 13, 0, KeyPress::kTap, 7},         {"{enter}x", 13, 0, KeyPress::kTap, 7},
      {"{F1}", 112, 0, KeyPress::kTap, 4},           {"{F10}", 121, 0, KeyPress::kTap, 5},
      {"{Ctl}", 17, 0, KeyPress::kDown, 13},         {"{Shift}", 16, 0, KeyPress::kDown, 11},
      {"{CtrlUp}", 17, 0, KeyPress::kUp, 11},        {"{WinKey}", 91, 0, KeyPress::kTap, 8},
      {"{WinKeyDown}", 91, 0, KeyPress::kDown, 12},  {"{\\n}", 13, 0, KeyPress::kTap, 7},
      {"{Pg Dn}", 34, 0, KeyPress::kTap, 10},        {"{Volume_Up}", 175, 0, KeyPress::kTap, 10},
      {"a", 'A', 0, KeyPress::kTap, 1},              {"A", 'A', keyflag::kShift, KeyPress::kTap, 1},
      {"{foo}", 0xDB, keyflag::kShift, KeyPress::kTap, 1},  // an unknown token is typed as it is
      {"\xE9", 233, keyflag::kAltCode, KeyPress::kTap, 1},   // always an Alt code
      {"!", '!', keyflag::kAltCode, KeyPress::kTap, 1},      // the layout has no key for it
      {"@", '@', keyflag::kAltCode, KeyPress::kTap, 1},      // AltGr is not used
      {"\xA0", 0, 0, KeyPress::kTap, 1},                     // no key, no entry: skipped
      {"", 0, 0, KeyPress::kTap, 0},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    const KeyEvent ev = ParseKeyAt(text, 0, UsLayout);
    EXPECT_EQ(ev.vk, c.vk) << c.text;
    EXPECT_EQ(ev.flags, c.flags) << c.text;
    EXPECT_EQ(ev.press, c.press) << c.text;
    EXPECT_EQ(ev.length, c.length) << c.text;
  }
}

TEST(ParseKeyAt, DelaysAndInPlaceRewriting) {
  struct Case {
    const char* text;
    int delay;
    size_t length;
  } cases[] = {{"{Delay=250}x", 250, 11}, {"{delay=-5}", -5, 10}, {"{Delay=abc}", 0, 11}, {"{Delay=7", 7, 8}};
  for (const Case& c : cases) {
    std::string text = c.text;
    const KeyEvent ev = ParseKeyAt(text, 0, UsLayout);
    EXPECT_EQ(ev.vk, 0) << c.text;
    EXPECT_EQ(ev.delayMs, c.delay) << c.text;
    EXPECT_EQ(ev.length, c.length) << c.text;
  }
  // Every alias behind the position is rewritten, and the text grows.
  std::string text = "x{Ctl}a{esc}{CTL}";
  ParseKeyAt(text, 1, UsLayout);
  EXPECT_EQ(text, "x{ControlDown}a{Escape}{ControlDown}");
}

TEST(KeyNameToVk, NamesOfWaitsAndChecks) {
  struct Case {
    const char* name;
    int vk;
  } cases[] = {{"{Esc}", 27}, {"a", 'A'}, {"F1", 112}, {"Escape", 27}, {"{A}", 'A'}, {"{NoSuchKey}", 0}, {"", 0}, {" 7 ", '7'}};
  for (const Case& c : cases) EXPECT_EQ(KeyNameToVk(c.name, UsLayout), c.vk) << c.name;
}

TEST(CharacterTable, PunctuationAndEightBitButEight) {
  int count = 0;
  for (int c = 1; c < 256; ++c) count += InCharacterTable(static_cast<unsigned char>(c));
  EXPECT_EQ(count, 32 + 128 - 8);
  for (int c : std::initializer_list<int>{'a', 'Z', '5', ' ', 129, 141, 143, 144, 157, 160, 168, 173}) EXPECT_FALSE(InCharacterTable(c)) << c;
  for (int c : std::initializer_list<int>{'!', '/', ':', '@', '[', '`', '{', '~', 128, 233, 255}) EXPECT_TRUE(InCharacterTable(c)) << c;
}

TEST(KeyInsertionMenu, GroupsSeparatorsAndCommandIds) {
  const std::vector<KeyMenuItem> menu = KeyInsertionMenu();
  std::vector<std::string> top;
  for (const KeyMenuItem& m : menu) top.push_back(m.separator ? "-" : m.text);
  const std::vector<std::string> head = {"{ControlDown}", "{ControlUp}", "{ShiftDown}", "{ShiftUp}", "{AltDown}", "{AltUp}", "-", "{Enter}"};
  EXPECT_EQ(std::vector<std::string>(top.begin(), top.begin() + 8), head);
  const std::vector<std::string> tail = {"{AppKey}", "{Delay=1000}", "-", "Function Keys", "Number Keypad", "Media Commands"};
  EXPECT_EQ(std::vector<std::string>(top.end() - 6, top.end()), tail);
  EXPECT_EQ(menu[0].id, 33668u);
  const KeyMenuItem& functions = menu[menu.size() - 3];
  ASSERT_EQ(functions.entries.size(), 16u);
  EXPECT_EQ(functions.entries[0].id, 33668u + 32);
  const KeyMenuItem& media = menu.back();
  EXPECT_EQ(media.entries.front().text, "{VolumeUp}");
  EXPECT_EQ(media.entries.back().text, "{xbutton2}");
  EXPECT_EQ(media.entries.back().id, 33668u + 83);
  EXPECT_EQ(menu[menu.size() - 2].entries.front().text, "{NumLock}");
  const std::vector<KeyMenuItem> titled = KeyInsertionMenu("Insert Key");
  ASSERT_EQ(titled.size(), 1u);
  EXPECT_EQ(titled[0].entries.size(), menu.size());
}

TEST(KeyDisplayNameOf, NamesAndCodes) {
  struct Case {
    uint32_t vk;
    const char* name;
    uint32_t code;
  } cases[] = {{13, "Return", 13}, {32, "Space", 0}, {34, "Pg Dn", 34}, {97, "Num 1", 97}, {111, "Num /", 111},
               {135, "F24", 135},  {'Q', "Q", 0},    {'7', "7", 0},     {200, "", 0},     {92, "Right WinKey", 92}};
  for (const Case& c : cases) {
    const KeyDisplayName n = KeyDisplayNameOf(c.vk);
    EXPECT_EQ(n.name, c.name) << c.vk;
    EXPECT_EQ(n.vk, c.code) << c.vk;
  }
}

TEST(KeyToCharacter, ShiftCapsLockAndPartners) {
  struct Case {
    uint32_t vk;
    bool shift, caps;
    char layout, out;
  } cases[] = {
      {'A', false, false, 'A', 'a'}, {'A', true, false, 'A', 'A'}, {'A', false, true, 'A', 'A'}, {'A', true, true, 'A', 'a'},
      {'1', false, false, '1', '1'}, {'1', true, false, '1', '!'}, {'1', false, true, '1', '1'}, {0xBA, true, false, ';', ':'},
      {0xDE, true, false, '\'', '"'}, {0xDC, true, false, '\\', '|'}, {0xBE, false, false, '.', '.'}, {0, true, false, 'x', 0},
  };
  for (const Case& c : cases) EXPECT_EQ(KeyToCharacter(c.vk, c.shift, c.caps, c.layout), c.out) << c.vk << c.shift << c.caps;
}

}  // namespace
}  // namespace plumo
