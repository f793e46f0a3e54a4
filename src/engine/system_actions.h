// The executor of "System" (16): variables, step delay, run settings, Output and log text,
// clipboard, logoff, restart and shutdown.
#pragma once

namespace plumo {

class Session;

int SystemExecutor(Session& session, int slot, int index, bool mainThread);
void RegisterSystemActions(Session& session);

}  // namespace plumo
