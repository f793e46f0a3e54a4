#include "actions/desktop/desktop_actions.h"

#include "actions/desktop/input_waits.h"
#include "actions/desktop/keyboard_actions.h"
#include "actions/desktop/mouse_actions.h"
#include "actions/desktop/window_actions.h"

namespace plumo {

void RegisterDesktopActions(Session& session) {
  RegisterWindowActions(session);
  RegisterKeyboardActions(session);
  RegisterMouseActions(session);
  RegisterInputWaits(session);
}

}  // namespace plumo
