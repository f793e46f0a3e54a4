#include "runtime/all_actions.h"

#include "actions/desktop/picture_steps.h"
#include "actions/integration/integration_actions.h"
#include "actions/integration/internet/internet_actions.h"
#include "engine/engine_actions.h"
#include "platform/native_port.h"

namespace plumo {

void RegisterAllActions(Session& session, NativePort& port, IntegrationPort& integration) {
  RegisterEngineActions(session);
  RegisterInternetActions(session, MakeNativeInternetPort());
  RegisterIntegrationActions(session, port.files(), integration);
  RegisterPictureSteps(session);
}

}  // namespace plumo
