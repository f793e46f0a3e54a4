// The key sequence language: what one position of a key text stands for, the keys of the
// key-insertion menu, the display names of keys, and a key's character under Shift and Caps
// Lock. Portable: the keyboard layout comes in as a query.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace plumo {

// VkKeyScan: the key in the low byte, the shift state (Shift 1, Control 2, Alt 4) in the high
// byte; -1 when the layout has no key for the character.
using KeyLayout = std::function<int16_t(char)>;

namespace keyflag {
constexpr uint8_t kShift = 1;
constexpr uint8_t kControl = 2;
constexpr uint8_t kAlt = 4;
constexpr uint8_t kAltCode = 4;  // typed as Alt + the code on the numeric keypad
}  // namespace keyflag

enum class KeyPress : uint8_t { kDown = 0, kUp = 1, kTap = 2 };

struct KeyEvent {
  uint8_t vk = 0;  // 0: nothing to press
  uint8_t flags = 0;
  KeyPress press = KeyPress::kTap;
  size_t length = 0;  // characters consumed
  int delayMs = 0;    // "{Delay=n}": the pause it asks for (negative: none)
};

// Rewrites every alias from `pos` on to its token (case-insensitive, the whole rest of the text
// in table order); the text grows in place.
void RewriteKeyAliases(std::string& text, size_t pos);

// One position of the text. When `rewrite` is set and the position holds "{", the aliases of the
// rest of the text are rewritten first; a sender that rewrote the whole text once passes false.
KeyEvent ParseKeyAt(std::string& text, size_t pos, const KeyLayout& layout, bool rewrite = true);

// A key named as the waits and IF name one: "A", "{Escape}", "{Esc}"; 0 when it names none.
uint8_t KeyNameToVk(std::string_view name, const KeyLayout& layout);

// The characters that are typed as Alt codes whatever the layout (and those the layout cannot
// produce): punctuation and the 8-bit characters but eight.
bool InCharacterTable(unsigned char c);

// One entry of the key-insertion menu: a command (id 33668 + the token's index), a separator,
// or a submenu with its entries.
struct KeyMenuItem {
  std::string text;
  uint32_t id = 0;
  bool separator = false;
  std::vector<KeyMenuItem> entries = {};
};
constexpr uint32_t kFirstKeyMenuCommand = 33668;
// With a title the whole menu hangs under one submenu of that title.
std::vector<KeyMenuItem> KeyInsertionMenu(std::string_view title = {});

// The hotkey fields' name of a key, and the code it returns: the VK for a named key, 0 for
// Space, letters, digits and unnamed keys (letters and digits name themselves).
struct KeyDisplayName {
  std::string name;
  uint32_t vk = 0;
};
KeyDisplayName KeyDisplayNameOf(uint32_t vk);

// The character a key gives with Shift and Caps Lock as they are; `layoutChar` is the
// layout's unshifted character for the key (MapVirtualKey). 0 for VK 0.
char KeyToCharacter(uint32_t vk, bool shift, bool capsLock, char layoutChar);

}  // namespace plumo
