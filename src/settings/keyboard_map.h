// The studio's keyboard map: one "%d|%d" value (virtual key, modifiers) per command under
// *\Accelerators\, loaded into 64 entries that the message loop scans before anything else.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "settings/settings_store.h"

namespace plumo {

namespace keymod {
constexpr uint8_t kCtrl = 1;
constexpr uint8_t kShift = 2;
constexpr uint8_t kAlt = 4;
}  // namespace keymod

// A command of the studio's command table with its plain name ("Find Next") and the key it
// gets when the map is first written (key 0: none).
struct KeyedCommand {
  uint16_t id;
  const char* name;
  uint8_t defaultKey = 0;
  uint8_t defaultModifiers = 0;
};

// An entry with command 0 or key 0 is empty.
struct KeyboardMapEntry {
  uint16_t command = 0;
  uint8_t modifiers = 0;
  uint8_t key = 0;
};

inline constexpr size_t kKeyboardMapSize = 64;
using KeyboardMap = std::array<KeyboardMapEntry, kKeyboardMapSize>;

inline constexpr uint16_t kStopCommandId = 1032;
inline constexpr uint8_t kPauseKey = 0x13;

// Writes the default keys when the Accelerators key is missing, then reads the value of each
// command (the first 64) into the map in the table's order. *stopKey becomes the Stop
// command's key; without one it keeps its value, or becomes Pause when it has none.
KeyboardMap LoadKeyboardMap(SettingsStore& store, std::span<const KeyedCommand> commands, uint8_t* stopKey);

// One command's stored key ({0, 0, 0} when it has none or the value is not a key), and its
// change ("%d|%d"; key 0 removes the value). The Options dialog's keyboard page edits them.
KeyboardMapEntry ReadCommandKey(SettingsStore& store, const KeyedCommand& command);
void WriteCommandKey(SettingsStore& store, const KeyedCommand& command, uint8_t key, uint8_t modifiers);

// "Ctrl+Shift+F3", "Alt+Up", "Insert"; "" for key 0.
std::string KeyName(uint8_t key, uint8_t modifiers);

// The command of the first entry for this key and these modifiers, 0 when none.
uint16_t MatchKeyboardMap(const KeyboardMap& map, uint8_t modifiers, uint8_t key);

}  // namespace plumo
