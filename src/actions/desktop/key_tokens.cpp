#include "actions/desktop/key_tokens.h"

#include <array>

#include "base/text.h"

namespace plumo {
namespace {

constexpr KeyToken kTokens[] = {
    {"{ControlDown}", 17}, {"{ControlUp}", 17},  {"{ShiftDown}", 16},   {"{ShiftUp}", 16},
    {"{AltDown}", 18},     {"{AltUp}", 18},      {"{Enter}", 13},       {"{Space}", 32},
    {"{Tab}", 9},          {"{Left}", 37},       {"{Right}", 39},       {"{Up}", 38},
    {"{Down}", 40},        {"{PageUp}", 33},     {"{PageDown}", 34},    {"{Home}", 36},
    {"{End}", 35},         {"{Escape}", 27},     {"{Insert}", 45},      {"{Delete}", 46},
    {"{Backspace}", 8},    {"{CapsLock}", 20},   {"{PrintScreen}", 44}, {"{ScrollLock}", 145},
    {"{Pause}", 19},       {"{WinKey}", 91},     {"{WinKeyDown}", 91},  {"{WinKeyUp}", 91},
    {"{LeftWinkey}", 91},  {"{RightWinkey}", 92}, {"{AppKey}", 93},     {"{Delay=1000}", 3},
    {"{F1}", 112},         {"{F2}", 113},        {"{F3}", 114},         {"{F4}", 115},
    {"{F5}", 116},         {"{F6}", 117},        {"{F7}", 118},         {"{F8}", 119},
    {"{F9}", 120},         {"{F10}", 121},       {"{F11}", 122},        {"{F12}", 123},
    {"{F13}", 124},        {"{F14}", 125},       {"{F15}", 126},        {"{F16}", 127},
    {"{NumLock}", 144},    {"{Num0}", 96},       {"{Num1}", 97},        {"{Num2}", 98},
    {"{Num3}", 99},        {"{Num4}", 100},      {"{Num5}", 101},       {"{Num6}", 102},
    {"{Num7}", 103},       {"{Num8}", 104},      {"{Num9}", 105},       {"{Num*}", 106},
    {"{Num+}", 107},       {"{Num-}", 109},      {"{Num.}", 110},       {"{Num/}", 111},
    {"{VolumeUp}", 175},   {"{VolumeDown}", 174}, {"{VolumeMute}", 173}, {"{NextTrack}", 176},
    {"{PreviousTrack}", 177}, {"{MediaStop}", 178}, {"{MediaPause}", 179}, {"{BrowserBack}", 166},
    {"{BrowserForward}", 167}, {"{BrowserRefresh}", 168}, {"{BrowserStop}", 169},
    {"{BrowserSearch}", 170}, {"{BrowserFavorites}", 171}, {"{BrowserHome}", 172},
    {"{LaunchEmail}", 180}, {"{SleepMode}", 95},  {"{App1}", 182},       {"{App2}", 183},
    {"{xbutton1}", 5},     {"{xbutton2}", 6},
};
static_assert(std::size(kTokens) == 84);

constexpr KeyAlias kAliases[] = {
    {"{Control}", "{ControlDown}"}, {"{Ctrl}", "{ControlDown}"},   {"{Ctl}", "{ControlDown}"},
    {"{CtrlDown}", "{ControlDown}"}, {"{CtrlUp}", "{ControlUp}"},  {"{Shift}", "{ShiftDown}"},
    {"{Alt}", "{AltDown}"},          {"{newline}", "{Enter}"},     {"{return}", "{Enter}"},
    {"{\\n}", "{Enter}"},            {"{n}", "{Enter}"},           {"{\\r}", "{Enter}"},
    {"{r}", "{Enter}"},              {"{\\t}", "{Tab}"},           {"{t}", "{Tab}"},
    {"{esc}", "{Escape}"},           {"{Page Up}", "{PageUp}"},    {"{Pg Up}", "{PageUp}"},
    {"{PgUp}", "{PageUp}"},          {"{Page Down}", "{PageDown}"}, {"{Pg Dn}", "{PageDown}"},
    {"{PgDn}", "{PageDown}"},        {"{Ins}", "{Insert}"},        {"{Del}", "{Delete}"},
    {"{Print}", "{PrintScreen}"},    {"{Prt}", "{PrintScreen}"},   {"{PrtScrn}", "{PrintScreen}"},
    {"{Caps}", "{CapsLock}"},        {"{Volume Up}", "{VolumeUp}"}, {"{Volume_Up}", "{VolumeUp}"},
    {"{Volume Down}", "{VolumeDown}"}, {"{Volume_Down}", "{VolumeDown}"},
};
static_assert(std::size(kAliases) == 32);

}  // namespace

std::span<const KeyToken> KeyTokens() { return kTokens; }
std::span<const KeyAlias> KeyAliases() { return kAliases; }

void SubstituteKeyTokens(std::string& text) {
  bool braces = text.find('{') != std::string::npos;
  if (braces) {
    for (size_t i = 0; i <= kLastFormulaKeyToken; ++i)
      ReplaceAllNoCase(text, kTokens[i].text, std::to_string(kTokens[i].vk));
  }
  if (FindNoCase(text, "E()") != std::string::npos) {
    ReplaceAllNoCase(text, "TRUE()", "1");
    ReplaceAllNoCase(text, "FALSE()", "0");
  }
  if (braces) {
    char token[] = "{A}";
    for (char c = 'A'; c <= 'Z'; ++c) {
      token[1] = c;
      ReplaceAllNoCase(text, token, std::to_string(static_cast<int>(c)));
    }
  }
}

}  // namespace plumo
