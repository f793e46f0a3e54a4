// The studio's command table: every command a key can be assigned to, in the order of the
// keyboard page of the Options dialog, with its identifier in the main menu and its default key.
#pragma once

#include <cstdint>
#include <span>

#include "settings/keyboard_map.h"

namespace plumo {

namespace command {
constexpr uint16_t kSelectAll = 1025;
constexpr uint16_t kCopy = 1021;
constexpr uint16_t kPaste = 1022;
constexpr uint16_t kPasteToEnd = 1440;
constexpr uint16_t kDelete = 1023;
constexpr uint16_t kCut = 1020;
constexpr uint16_t kRedo = 1061;
constexpr uint16_t kUndo = 1024;
constexpr uint16_t kRun = 1029;
constexpr uint16_t kStop = kStopCommandId;
// Internal: open the files handed over by another instance.
constexpr uint16_t kOpenHandedOverFiles = 32981;
}  // namespace command

std::span<const KeyedCommand> StudioCommands();

}  // namespace plumo
