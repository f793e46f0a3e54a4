// The actions of the full programs (Plumo.exe, the Linux runner): the run engine's own and
// every action family, each over its native port.
#pragma once

namespace plumo {

class Session;

void RegisterAllActions(Session& session);

}  // namespace plumo
