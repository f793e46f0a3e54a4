// The Options dialog: every default setting on its page, each value checked against its range
// before it is kept, the commands' keys, and "reset all".
#pragma once

#include <windows.h>

#include <span>

#include "settings/keyboard_map.h"
#include "settings/settings_defaults.h"
#include "settings/settings_store.h"

namespace plumo {

inline constexpr char kOptionsDialogTitle[] = "Options";
inline constexpr char kInvalidOptionCaption[] = "Invalid Setting";

// Control ids, for tests that drive the dialog.
namespace optionsid {
enum : int { kPages = 200, kRows, kHint, kValue, kFlag, kApply, kResetAll, kKey };
}  // namespace optionsid

// True when a setting was written (OK with changes, or "reset all"). The keyboard page lists the
// commands' keys (the first 64, those the keyboard map holds).
bool RunOptionsDialog(HWND owner, SettingsStore& store, const DefaultsContext& defaults,
                      std::span<const KeyedCommand> commands);

}  // namespace plumo
