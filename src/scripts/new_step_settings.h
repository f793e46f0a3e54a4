// The new-Step defaults as the settings hold them now.
#pragma once

#include "scripts/script.h"
#include "settings/settings_store.h"

namespace plumo {

NewStepDefaults ReadNewStepDefaults(SettingsStore& store);

}  // namespace plumo
