// Key events as the desktop actions send them: each with the layout's scan code, and the
// extended flag for the keys that carry it; and the sending of whole key texts.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/desktop.h"

namespace plumo {

// Page Up to Delete (33-46), Control and the Windows and menu keys (91-93).
bool IsExtendedKey(uint32_t vk);

OsError SendKey(Desktop& desktop, uint32_t vk, bool up);

// Down and up.
OsError TapKey(Desktop& desktop, uint32_t vk);

// Simulated Keypress: key events, held keys and Alt codes. SendKeys: input records, every key a
// tap.
enum class KeyMethod { kSimulated, kSendKeys };

struct KeySending {
  KeyMethod method = KeyMethod::kSimulated;
  uint32_t delayMs = 0;  // after each key but Control, which always gets 10 ms
  // Modifiers that down tokens left held (bits of `held` in engine/session.h).
  std::atomic<uint32_t>* heldMask = nullptr;
  // Sleeps; false when the run is to stop, which ends the sending.
  std::function<bool(uint32_t ms)> pause;
  uint32_t* keystrokes = nullptr;  // grows by 1 per key, 4 per Alt-code character
};

// The whole text, "{...}" tokens and all; false when a stop cut it short.
bool SendKeyText(Desktop& desktop, std::string text, const KeySending& how);

}  // namespace plumo
