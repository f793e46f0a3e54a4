#include "engine/engine_actions.h"

#include "engine/flow_control.h"
#include "engine/system_actions.h"
#include "engine/waits.h"

namespace plumo {

void RegisterEngineActions(Session& session) {
  RegisterFlowControl(session);
  RegisterWaits(session);
  RegisterSystemActions(session);
}

}  // namespace plumo
