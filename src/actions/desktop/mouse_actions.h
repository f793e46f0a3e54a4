// The mouse actions (category 6).
#pragma once

#include "platform/desktop.h"

namespace plumo {

class Session;

int MouseExecutor(Session& session, int slot, int index, bool mainThread);
void RegisterMouseActions(Session& session);

// The mouse Step's move and click at a target in screen pixels: the Step's Relative To
// offset added, the glide (or the snap, or none for 9999), then its button or wheel. The
// picture actions call it with the point they found.
int MouseAtPoint(Session& session, int slot, int index, ScreenPoint target);

}  // namespace plumo
