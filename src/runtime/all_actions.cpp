#include "runtime/all_actions.h"

#include "actions/desktop/desktop_actions.h"
#include "actions/desktop/picture_steps.h"
#include "actions/integration/data/data_actions.h"
#include "actions/integration/files/file_actions.h"
#include "actions/integration/integration_actions.h"
#include "actions/integration/internet/internet_actions.h"
#include "actions/integration/prompts/prompt_actions.h"
#include "actions/integration/recording/recording_actions.h"
#include "actions/programs/program_actions.h"
#include "engine/engine_actions.h"
#include "platform/native_port.h"

namespace plumo {

void RegisterAllActions(Session& session, NativePort& port, IntegrationPort& integration) {
  RegisterEngineActions(session);
  RegisterDesktopActions(session);
  RegisterFileActions(session);
  RegisterDataActions(session);
  RegisterInternetActions(session, MakeNativeInternetPort());
  RegisterIntegrationActions(session, port.files(), integration);
  RegisterPictureSteps(session);
  RegisterProgramActions(session, port.libraries());
  RegisterPromptActions(session);
  RegisterRecordingActions(session);
}

}  // namespace plumo
