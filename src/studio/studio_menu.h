// The main menu as one table: every command's place, label and status-bar help. The window
// builds its menu bar, toolbars and the help line from it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace plumo {

inline constexpr const char* kMenuTitles[] = {"&File", "&Edit", "&View", "&Step", "&Run", "&Tools", "&Window", "&Help"};
inline constexpr int kMenuCount = 8;

// Where a group of dynamic entries goes.
enum class MenuSlot : uint8_t { kNone, kRecentFiles, kOpenWindows, kSubmenuStart, kSubmenuEnd };

struct MenuItem {
  uint8_t menu;           // index into kMenuTitles
  uint16_t id;            // 0: a separator, or a slot
  const char* label;      // with its mnemonic
  const char* help;       // status bar while the item is highlighted
  MenuSlot slot = MenuSlot::kNone;
};

std::span<const MenuItem> MainMenuItems();
// The item of a command, or null.
const MenuItem* FindMenuItem(uint16_t id);

namespace command {
constexpr uint16_t kRecentFileFirst = 1103, kRecentFileLast = 1134;
constexpr uint16_t kWindowFirst = 1004, kWindowLast = 1011;
}  // namespace command

}  // namespace plumo
