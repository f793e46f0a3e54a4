// The waits on the keyboard, the mouse, idle time and the screen saver.
#pragma once

namespace plumo {

class Session;

void RegisterInputWaits(Session& session);

}  // namespace plumo
