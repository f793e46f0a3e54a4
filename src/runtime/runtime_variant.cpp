#include "runtime/runtime_variant.h"

#include "actions/desktop/desktop_actions.h"
#include "actions/desktop/picture_steps.h"
#include "actions/integration/data/data_actions.h"
#include "actions/integration/files/file_actions.h"
#include "actions/integration/integration_actions.h"
#include "actions/integration/prompts/prompt_actions.h"
#include "actions/programs/program_actions.h"
#include "engine/engine_actions.h"
#if PLUMO_RUNTIME_FAMILIES & 4
#include "actions/integration/internet/internet_actions.h"
#endif

#ifndef PLUMO_RUNTIME_IMAGE
#error "each runtime image defines PLUMO_RUNTIME_IMAGE and PLUMO_RUNTIME_FAMILIES"
#endif

namespace plumo {

RuntimeVariant ThisRuntimeVariant() { return {PLUMO_RUNTIME_IMAGE, PLUMO_RUNTIME_FAMILIES}; }

void RegisterVariantActions(Session& session, NativePort& port, IntegrationPort& integration,
                            const std::string& scriptRunner) {
  RegisterEngineActions(session);
  if constexpr ((PLUMO_RUNTIME_FAMILIES & family::kDesktop) != 0) RegisterDesktopActions(session);
  // Files & Folders and Data need no desktop: every image carries them.
  RegisterFileActions(session);
  RegisterDataActions(session);
#if PLUMO_RUNTIME_FAMILIES & 4
  RegisterInternetActions(session, MakeNativeInternetPort());
#endif
  // A family registers here under its bit once its executors exist (docs/RUNTIME.md); until
  // then its Steps fall under the unknown-action rule in every image.
  constexpr uint32_t kFamilies = PLUMO_RUNTIME_FAMILIES;
  constexpr uint32_t kIntegration = ((kFamilies & family::kWorkbooks) ? integration::kWorkbooks : 0) |
                                    ((kFamilies & family::kDatabases) ? integration::kDatabases : 0) |
                                    ((kFamilies & family::kHardware) ? integration::kHardware : 0);
  if constexpr (kIntegration != 0) RegisterIntegrationActions(session, port.files(), integration, kIntegration);
  if constexpr ((kFamilies & family::kDesktop) != 0) {
    RegisterPictureSteps(session);
    RegisterProgramActions(session, port.libraries(), scriptRunner);
  }
  // Message boxes and file choosers are no prompts to the builder's selection, so every image
  // carries the whole User Prompts family.
  RegisterPromptActions(session);
}

}  // namespace plumo
