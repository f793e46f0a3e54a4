// The executors the run engine itself carries: Wait (7), Loops & Flow (13), IF (14) and
// System (16). Programs call this once for their session.
#pragma once

namespace plumo {

class Session;

void RegisterEngineActions(Session& session);

}  // namespace plumo
