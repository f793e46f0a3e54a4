#include "runtime/runtime_variant.h"

#include "engine/engine_actions.h"
#if PLUMO_RUNTIME_FAMILIES & 4
#include "actions/integration/internet/internet_actions.h"
#endif

#ifndef PLUMO_RUNTIME_IMAGE
#error "each runtime image defines PLUMO_RUNTIME_IMAGE and PLUMO_RUNTIME_FAMILIES"
#endif

namespace plumo {

RuntimeVariant ThisRuntimeVariant() { return {PLUMO_RUNTIME_IMAGE, PLUMO_RUNTIME_FAMILIES}; }

void RegisterVariantActions(Session& session) {
  RegisterEngineActions(session);
#if PLUMO_RUNTIME_FAMILIES & 4
  RegisterInternetActions(session, MakeNativeInternetPort());
#endif
  // The other families register here under their bits once their executors exist
  // (docs/RUNTIME.md); until then their Steps fall under the unknown-action rule.
}

}  // namespace plumo
