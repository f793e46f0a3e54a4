// The Compile dialog's choices in the settings store (*\Compile\...), shared by the studio's
// dialog and anything else that builds with the user's last choices.
#pragma once

#include <string_view>

#include "compiler/build_request.h"
#include "settings/settings_store.h"

namespace plumo {

// Fills the fields the dialog keeps; the others stay as given.
void LoadCompileSettings(SettingsStore& store, BuildRequest& request);
void SaveCompileSettings(SettingsStore& store, const BuildRequest& request);

// The dialog's three icons: none (the runtime's standard application icon), the studio's own
// (its program file, named by path) or another file.
enum class IconChoice { kStandard, kStudio, kFile };
IconChoice IconChoiceOf(std::string_view iconFile, std::string_view studioPath);

}  // namespace plumo
