// Find and Replace in one dialog (Replace shows the replacement row and its buttons). It stays
// open while the Step list behind it follows each search.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "editor/find.h"
#include "settings/settings_store.h"

namespace plumo {

inline constexpr char kFindDialogTitle[] = "Find";
inline constexpr char kReplaceDialogTitle[] = "Replace";

namespace findid {
enum : int { kWhat = 300, kWith, kMatchCase, kWholeWord, kUp, kDown, kFindNext, kReplace, kReplaceAll, kOutcome };
}  // namespace findid

// What the dialog asks of the Script; each returns the outcome to show under the buttons.
struct FindActions {
  std::function<std::string(const FindOptions&)> findNext;
  std::function<std::string(const FindOptions&, const std::string&)> replace;
  std::function<std::string(const FindOptions&, const std::string&)> replaceAll;
};

void RunFindDialog(HWND owner, SettingsStore& store, bool replace, const FindActions& actions);

}  // namespace plumo
