// Help menu dialogs: About with the version, and Startup Options with the command-line help.
#pragma once

#include <windows.h>

namespace plumo {

inline constexpr char kAboutDialogTitle[] = "About Plumo Studio";
inline constexpr char kStartupOptionsTitle[] = "Startup Options";

namespace aboutid {
enum : int { kIcon = 600, kVersion, kText };
}  // namespace aboutid

void RunAboutDialog(HWND owner, int iconResource);
void RunStartupOptionsDialog(HWND owner);

}  // namespace plumo
