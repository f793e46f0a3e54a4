// The Compile dialog's choices in the settings store (*\Compile\...), shared by the studio's
// dialog and anything else that builds with the user's last choices.
#pragma once

#include "compiler/build_request.h"
#include "settings/settings_store.h"

namespace plumo {

// Fills the fields the dialog keeps; the others stay as given.
void LoadCompileSettings(SettingsStore& store, BuildRequest& request);
void SaveCompileSettings(SettingsStore& store, const BuildRequest& request);

}  // namespace plumo
