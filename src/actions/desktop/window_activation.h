// Bringing a window to the front with its fall-backs, the windows a Step names by position,
// focus or Z order, and the target window of the window, keyboard and mouse actions.
#pragma once

#include <cstdint>
#include <string_view>

#include "actions/desktop/control_types.h"

namespace plumo {

class Session;

// Activates the window (force: through the foreground thread's input); logs its way at log
// levels 1 and 2 during a run.
void ActivateWindow(Session& session, uint32_t window, bool force);

// The control with the keyboard focus in the foreground window; 0 when none.
uint32_t FocusedControl(Session& session);
// From the foreground window down the Z order; the desktop window when none holds the point.
uint32_t TopLevelWindowAt(Session& session, int32_t x, int32_t y);
// The smallest visible control at the point.
uint32_t ChildControlAt(Session& session, int32_t x, int32_t y);
// The first framed, visible window from the foreground window down, not our own message window.
uint32_t TopWindow(Session& session);

// The target of an action by the Step's "Which Window" options and its window text (the
// Step's `data`, expanded here); 0 with the reason in the error text.
uint32_t ResolveWindow(Session& session, int slot, int index, std::string_view windowText);

// A handle written in decimal, or in hexadecimal when it holds "x", "h" or "#".
uint32_t HandleFromText(std::string_view text);

ControlType ControlTypeOfWindow(Session& session, uint32_t window);
// A static control hands what is meant for it to the next control of its dialog that is not
// static (at most 1024 tab stops on); any other control is itself.
uint32_t NextInputControl(Session& session, uint32_t control);

}  // namespace plumo
