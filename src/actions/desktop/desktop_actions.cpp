#include "actions/desktop/desktop_actions.h"

#include "actions/desktop/window_actions.h"

namespace plumo {

void RegisterDesktopActions(Session& session) { RegisterWindowActions(session); }

}  // namespace plumo
