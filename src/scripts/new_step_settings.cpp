#include "scripts/new_step_settings.h"

namespace plumo {

NewStepDefaults ReadNewStepDefaults(SettingsStore& store) {
  NewStepDefaults d;
  d.indentNewColumns = store.ReadNumber("*\\Palettes\\MainList\\IndentNewColumns") != 0;
  d.outputTo = store.ReadText("*\\DefaultOutputTo", 64);
  d.outputToOption = store.ReadText("*\\DefaultOutputTo_Option", 260);
  d.failureMode = store.ReadText("*\\DefaultFailureMode", 64);
  d.failureModeOption = store.ReadText("*\\DefaultFailureMode_Option", 260);
  return d;
}

}  // namespace plumo
