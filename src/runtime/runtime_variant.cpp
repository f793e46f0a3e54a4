#include "runtime/runtime_variant.h"

#include "engine/engine_actions.h"

#ifndef PLUMO_RUNTIME_IMAGE
#error "each runtime image defines PLUMO_RUNTIME_IMAGE and PLUMO_RUNTIME_FAMILIES"
#endif

namespace plumo {

RuntimeVariant ThisRuntimeVariant() { return {PLUMO_RUNTIME_IMAGE, PLUMO_RUNTIME_FAMILIES}; }

void RegisterVariantActions(Session& session) {
  RegisterEngineActions(session);
  // A family registers here under its bit once its executors exist (docs/RUNTIME.md); until
  // then its Steps fall under the unknown-action rule in every image.
}

}  // namespace plumo
