#include "actions/desktop/key_tokens.h"

#include <gtest/gtest.h>

namespace plumo {
namespace {

TEST(KeyTokens, TableKeepsItsOrderAndCodes) {
  auto t = KeyTokens();
  ASSERT_EQ(t.size(), 84u);
  EXPECT_EQ(t.front().text, "{ControlDown}");
  EXPECT_EQ(t.back().text, "{xbutton2}");
  EXPECT_EQ(t[kLastFormulaKeyToken].text, "{Num/}");
  struct Row {
    size_t index;
    const char* text;
    int vk;
  } rows[] = {
      {6, "{Enter}", 13},        {21, "{CapsLock}", 20},     {23, "{ScrollLock}", 145},
      {25, "{WinKey}", 91},      {30, "{AppKey}", 93},       {31, "{Delay=1000}", 3},
      {32, "{F1}", 112},         {47, "{F16}", 127},         {48, "{NumLock}", 144},
      {49, "{Num0}", 96},        {61, "{Num-}", 109},        {64, "{VolumeUp}", 175},
      {71, "{BrowserBack}", 166}, {77, "{BrowserHome}", 172}, {78, "{LaunchEmail}", 180},
      {79, "{SleepMode}", 95},   {80, "{App1}", 182},        {82, "{xbutton1}", 5},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(t[r.index].text, r.text);
    EXPECT_EQ(t[r.index].vk, r.vk) << r.text;
  }
}

TEST(KeyAliases, PointAtTokensOfTheTable) {
  auto tokens = KeyTokens();
  for (const KeyAlias& a : KeyAliases()) {
    bool found = false;
    for (const KeyToken& t : tokens) found |= t.text == a.token;
    EXPECT_TRUE(found) << a.alias << " -> " << a.token;
  }
  EXPECT_EQ(KeyAliases().front().alias, "{Control}");
  EXPECT_EQ(KeyAliases().back().token, "{VolumeDown}");
}

TEST(SubstituteKeyTokens, ReplacesTokensByTheirCodes) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"ISKEYPRESSED({CapsLock})", "ISKEYPRESSED(20)"},
      {"{ENTER}{enter}", "1313"},
      {"{F1}{F10}", "112121"},
      {"{Delay=1000}", "3"},
      {"{Num/}+{VolumeUp}", "111+{VolumeUp}"},  // media keys are not formula tokens
      {"TRUE()+false()", "1+0"},
      {"{A}{z}", "6590"},
      {"{F{Tab}}", "120"},  // table order: {Tab} first, then {F9}
      {"{foo}", "{foo}"},
      {"no tokens", "no tokens"},
  };
  for (const Case& c : cases) {
    std::string s = c.in;
    SubstituteKeyTokens(s);
    EXPECT_EQ(s, c.out) << c.in;
  }
}

}  // namespace
}  // namespace plumo
