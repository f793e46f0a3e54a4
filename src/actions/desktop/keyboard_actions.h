// The keyboard actions (category 4).
#pragma once

namespace plumo {

class Session;

int KeyboardExecutor(Session& session, int slot, int index, bool mainThread);
void RegisterKeyboardActions(Session& session);

}  // namespace plumo
