#include "actions/desktop/key_input.h"

#include "actions/desktop/key_sequence.h"

namespace plumo {
namespace {

constexpr uint32_t kControlPauseMs = 10;
constexpr uint8_t kNumpad0 = 96;
constexpr int kAltCodeDigits = 4;

// Held-modifier bits by key: Control 1, Shift 2, Alt 4.
uint32_t HeldBit(uint8_t vk) {
  switch (vk) {
    case vk::kControl: return 1;
    case vk::kShift: return 2;
    case vk::kMenu: return 4;
    default: return 0;
  }
}

uint32_t ExtendedFlag(uint32_t vk) { return IsExtendedKey(vk) ? keyevent::kExtendedKey : 0; }

void Event(Desktop& d, uint32_t vk, bool up) {
  (void)d.KeyboardEvent(vk, d.ScanCodeOf(vk), (up ? keyevent::kKeyUp : 0) | ExtendedFlag(vk));
}

// Alt held while the code's four decimal digits are pressed on the numeric keypad.
void SendAltCode(Desktop& d, unsigned code) {
  (void)d.KeyboardEvent(vk::kMenu, 0, 0);
  char digits[kAltCodeDigits];
  for (int i = kAltCodeDigits - 1; i >= 0; --i, code /= 10) digits[i] = static_cast<char>('0' + code % 10);
  for (char digit : digits) {
    Event(d, kNumpad0 + (digit - '0'), false);
    Event(d, kNumpad0 + (digit - '0'), true);
  }
  (void)d.KeyboardEvent(vk::kMenu, 0, keyevent::kKeyUp);
}

void SendSimulated(Desktop& d, const KeyEvent& ev, std::atomic<uint32_t>* held) {
  if (ev.flags & keyflag::kAltCode) {
    SendAltCode(d, ev.vk);
    return;
  }
  const bool shift = ev.flags & keyflag::kShift;
  if (shift) Event(d, vk::kShift, false);
  if (ev.press != KeyPress::kUp) Event(d, ev.vk, false);
  if (ev.press != KeyPress::kDown) Event(d, ev.vk, true);
  if (shift) Event(d, vk::kShift, true);
  if (const uint32_t bit = HeldBit(ev.vk); bit && held) {
    if (ev.press == KeyPress::kDown) held->fetch_or(bit);
    else held->fetch_and(~bit);
  }
}

void SendRecords(Desktop& d, const KeyEvent& ev) {
  const bool shift = ev.flags & keyflag::kShift;
  if (shift) Event(d, vk::kShift, false);
  const uint32_t scan = d.ScanCodeOf(ev.vk), ext = ExtendedFlag(ev.vk);
  (void)d.SendKeyInput(ev.vk, scan, ext);
  (void)d.SendKeyInput(ev.vk, scan, ext | keyevent::kKeyUp);
  if (shift) Event(d, vk::kShift, true);
}

}  // namespace

bool IsExtendedKey(uint32_t vk) { return (vk >= 33 && vk <= 46) || vk == vk::kControl || (vk >= 91 && vk <= 93); }

OsError SendKey(Desktop& desktop, uint32_t vk, bool up) {
  const uint32_t flags = (up ? keyevent::kKeyUp : 0) | ExtendedFlag(vk);
  return desktop.SendKeyInput(vk, desktop.ScanCodeOf(vk), flags);
}

OsError TapKey(Desktop& desktop, uint32_t vk) {
  OsError e = SendKey(desktop, vk, false);
  OsError up = SendKey(desktop, vk, true);
  return e ? up : e;
}

bool SendKeyText(Desktop& desktop, std::string text, const KeySending& how) {
  const KeyLayout layout = [&desktop](char c) { return desktop.KeyForChar(c); };
  // Rewriting the aliases once from the first brace leaves what rewriting at every brace would.
  if (const size_t brace = text.find('{'); brace != std::string::npos) RewriteKeyAliases(text, brace);
  for (size_t pos = 0; pos < text.size();) {
    KeyEvent ev = ParseKeyAt(text, pos, layout, false);
    pos += ev.length;
    if (ev.delayMs > 0 && how.pause && !how.pause(static_cast<uint32_t>(ev.delayMs))) return false;
    if (ev.vk == 0) continue;
    // Explicitly held modifiers rule: no Shift of its own, no Alt code.
    if (how.heldMask && how.heldMask->load() != 0) ev.flags = 0;
    if (how.method == KeyMethod::kSimulated) SendSimulated(desktop, ev, how.heldMask);
    else SendRecords(desktop, ev);
    if (how.keystrokes) *how.keystrokes += (ev.flags & keyflag::kAltCode) ? 4 : 1;
    const uint32_t after = ev.vk == vk::kControl ? kControlPauseMs : how.delayMs;
    if (after > 0 && how.pause && !how.pause(after)) return false;
  }
  return true;
}

}  // namespace plumo
