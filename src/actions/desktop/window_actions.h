// The window actions (category 3), the menu actions (category 5), and the window pieces of
// IF, Wait and Run: "IF Window Exists", "Wait for Window", "Send Command".
#pragma once

#include <cstdint>
#include <string>

namespace plumo {

class Session;

int WindowExecutor(Session& session, int slot, int index, bool mainThread);
int MenuExecutor(Session& session, int slot, int index, bool mainThread);

// Registers the executors above, the condition, the wait and the Run action.
void RegisterWindowActions(Session& session);

// A combo box or list box gets the ";"-separated entries as items, any other window the text.
void SetWindowTextOrItems(Session& session, uint32_t window, const std::string& text);

// Presses the control with the mouse (an edit control gets the focus and its text selected).
void ClickControl(Session& session, uint32_t control);

// What a Step fails with where there is no desktop.
int NeedsDesktop(Session& session, int slot, int index);
// Its message: "\"Action\" needs a desktop session".
std::string NeedsDesktopText(Session& session, int slot, int index);

}  // namespace plumo
