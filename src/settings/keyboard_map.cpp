#include "settings/keyboard_map.h"

#include <cstdio>
#include <string>

namespace plumo {
namespace {

constexpr const char kAcceleratorsKey[] = "SOFTWARE\\Plumo\\Accelerators\\";
constexpr const char kAcceleratorValue[] = "*\\Accelerators\\%s";
constexpr size_t kValueCapacity = 64;

}  // namespace

KeyboardMap LoadKeyboardMap(SettingsStore& store, std::span<const KeyedCommand> commands, uint8_t* stopKey) {
  if (store.Probe(kAcceleratorsKey) == 0) {
    store.Delete(kAcceleratorsKey);
    for (const auto& c : commands) {
      if (c.defaultKey == 0) continue;
      char text[32];
      std::snprintf(text, sizeof(text), "%d|%d", c.defaultKey, c.defaultModifiers);
      store.WriteText(kAcceleratorValue, text, {c.name});
    }
  }
  KeyboardMap map{};
  size_t used = 0;
  for (size_t i = 0; i < commands.size() && i < kKeyboardMapSize; ++i) {
    std::string text = store.ReadText(kAcceleratorValue, kValueCapacity, {commands[i].name});
    if (text.empty()) continue;
    int key = 0, modifiers = 0;
    if (std::sscanf(text.c_str(), "%d|%d", &key, &modifiers) < 1) continue;
    // Out-of-range numbers are no key at all rather than some other key.
    if (key <= 0 || key > 0xFF || modifiers < 0 || modifiers > 7) continue;
    map[used++] = {commands[i].id, static_cast<uint8_t>(modifiers), static_cast<uint8_t>(key)};
  }
  uint8_t stop = 0;
  for (const auto& e : map)
    if (e.command == kStopCommandId && e.key != 0) {
      stop = e.key;
      break;
    }
  if (stop != 0)
    *stopKey = stop;
  else if (*stopKey == 0)
    *stopKey = kPauseKey;
  return map;
}

uint16_t MatchKeyboardMap(const KeyboardMap& map, uint8_t modifiers, uint8_t key) {
  for (const auto& e : map)
    if (e.command != 0 && e.key != 0 && e.modifiers == modifiers && e.key == key) return e.command;
  return 0;
}

}  // namespace plumo
