// The desktop family of actions: what the programs that carry it register.
#pragma once

namespace plumo {

class Session;

void RegisterDesktopActions(Session& session);

}  // namespace plumo
