#include "settings/keyboard_map.h"

#include <cstdio>
#include <string>
#include <utility>

namespace plumo {
namespace {

constexpr const char kAcceleratorsKey[] = "SOFTWARE\\Plumo\\Accelerators\\";
constexpr const char kAcceleratorValue[] = "*\\Accelerators\\%s";
constexpr size_t kValueCapacity = 64;

struct NamedKey {
  uint8_t key;
  const char* name;
};
constexpr NamedKey kNamedKeys[] = {
    {0x08, "Backspace"}, {0x09, "Tab"},      {0x0D, "Enter"},     {0x13, "Pause"},     {0x1B, "Esc"},
    {0x20, "Space"},     {0x21, "Page Up"},  {0x22, "Page Down"}, {0x23, "End"},       {0x24, "Home"},
    {0x25, "Left"},      {0x26, "Up"},       {0x27, "Right"},     {0x28, "Down"},      {0x2D, "Insert"},
    {0x2E, "Delete"},    {0x6A, "Num *"},    {0x6B, "Num +"},     {0x6D, "Num -"},     {0x6E, "Num ."},
    {0x6F, "Num /"},     {0xBA, ";"},        {0xBB, "="},         {0xBC, ","},         {0xBD, "-"},
    {0xBE, "."},         {0xBF, "/"},        {0xC0, "`"},         {0xDB, "["},         {0xDC, "\\"},
    {0xDD, "]"},         {0xDE, "'"},
};
constexpr std::pair<uint8_t, const char*> kModifierNames[] = {
    {keymod::kCtrl, "Ctrl+"}, {keymod::kShift, "Shift+"}, {keymod::kAlt, "Alt+"}};

}  // namespace

KeyboardMapEntry ReadCommandKey(SettingsStore& store, const KeyedCommand& command) {
  std::string text = store.ReadText(kAcceleratorValue, kValueCapacity, {command.name});
  int key = 0, modifiers = 0;
  if (text.empty() || std::sscanf(text.c_str(), "%d|%d", &key, &modifiers) < 1) return {};
  // Out-of-range numbers are no key at all rather than some other key.
  if (key <= 0 || key > 0xFF || modifiers < 0 || modifiers > 7) return {};
  return {command.id, static_cast<uint8_t>(modifiers), static_cast<uint8_t>(key)};
}

void WriteCommandKey(SettingsStore& store, const KeyedCommand& command, uint8_t key, uint8_t modifiers) {
  if (key == 0) {
    store.Delete(kAcceleratorValue, {command.name});
    return;
  }
  char text[32];
  std::snprintf(text, sizeof(text), "%d|%d", key, modifiers);
  store.WriteText(kAcceleratorValue, text, {command.name});
}

std::string KeyName(uint8_t key, uint8_t modifiers) {
  if (key == 0) return "";
  std::string name;
  for (const auto& [bit, word] : kModifierNames)
    if (modifiers & bit) name += word;
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return name + static_cast<char>(key);
  if (key >= 0x70 && key <= 0x87) return name + "F" + std::to_string(key - 0x6F);
  if (key >= 0x60 && key <= 0x69) return name + "Num " + std::to_string(key - 0x60);
  for (const NamedKey& k : kNamedKeys)
    if (k.key == key) return name + k.name;
  char code[16];
  std::snprintf(code, sizeof(code), "Key 0x%02X", key);
  return name + code;
}

KeyboardMap LoadKeyboardMap(SettingsStore& store, std::span<const KeyedCommand> commands, uint8_t* stopKey) {
  if (store.Probe(kAcceleratorsKey) == 0) {
    store.Delete(kAcceleratorsKey);
    for (const auto& c : commands)
      if (c.defaultKey != 0) WriteCommandKey(store, c, c.defaultKey, c.defaultModifiers);
  }
  KeyboardMap map{};
  size_t used = 0;
  for (size_t i = 0; i < commands.size() && i < kKeyboardMapSize; ++i) {
    const KeyboardMapEntry entry = ReadCommandKey(store, commands[i]);
    if (entry.key != 0) map[used++] = entry;
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
