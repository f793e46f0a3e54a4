#include "actions/desktop/key_input.h"

namespace plumo {

bool IsExtendedKey(uint32_t vk) { return (vk >= 33 && vk <= 46) || vk == vk::kControl || (vk >= 91 && vk <= 93); }

OsError SendKey(Desktop& desktop, uint32_t vk, bool up) {
  const uint32_t flags = (up ? keyevent::kKeyUp : 0) | (IsExtendedKey(vk) ? keyevent::kExtendedKey : 0);
  return desktop.SendKeyInput(vk, desktop.ScanCodeOf(vk), flags);
}

OsError TapKey(Desktop& desktop, uint32_t vk) {
  OsError e = SendKey(desktop, vk, false);
  OsError up = SendKey(desktop, vk, true);
  return e ? up : e;
}

}  // namespace plumo
