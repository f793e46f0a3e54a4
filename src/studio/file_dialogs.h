// The File menu's small dialogs: the current Script's Properties, and the custom XML of the
// selected Step.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace plumo {

inline constexpr char kPropertiesDialogTitle[] = "Properties";
inline constexpr char kCustomTagsDialogTitle[] = "Custom XML Tags";
inline constexpr size_t kCustomTagsWidth = 259;

namespace filedlgid {
enum : int { kFirstValue = 700, kCustom = 750 };
}  // namespace filedlgid

void RunPropertiesDialog(HWND owner, const std::vector<std::pair<std::string, std::string>>& rows);

// The Step's custom XML as edited; nullopt when cancelled.
std::optional<std::string> RunCustomTagsDialog(HWND owner, size_t stepNumber, const std::string& custom);

}  // namespace plumo
