#include "runtime/all_actions.h"

#include "actions/integration/internet/internet_actions.h"
#include "engine/engine_actions.h"

namespace plumo {

void RegisterAllActions(Session& session) {
  RegisterEngineActions(session);
  RegisterInternetActions(session, MakeNativeInternetPort());
}

}  // namespace plumo
