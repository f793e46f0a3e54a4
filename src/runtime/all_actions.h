// The actions of the full programs (Plumo.exe, the Linux runner): the run engine's own and
// every action family, each over its native port. The runtime images choose their own
// (runtime_variant.h) and link none of this.
#pragma once

namespace plumo {

class IntegrationPort;
class NativePort;
class Session;

void RegisterAllActions(Session& session, NativePort& port, IntegrationPort& integration);

}  // namespace plumo
