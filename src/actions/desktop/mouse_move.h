// The cursor's moves: the glide to a window, shared by the mouse and the window actions, and
// the glide of the mouse actions to a point.
#pragma once

#include <cstdint>

#include "platform/desktop.h"

namespace plumo {

class Session;

constexpr int kGlideSteps = 20;
constexpr int kShortGlideSteps = 8;
constexpr uint32_t kGlideStepMs = 25;
// A coordinate with this value means: do not move.
constexpr int32_t kStayCoordinate = 9999;

// To the window's centre (or its top-left corner); with `smooth` in 20 absolute moves 25 ms
// apart, then exactly onto the target.
void SmoothMoveToWindow(Session& session, uint32_t window, bool centre, bool smooth);

// Steps of the glide over a distance: none below 10 pixels both ways, 8 below 20, else 20.
int GlideSteps(int32_t dx, int32_t dy);

// From the cursor to the target in GlideSteps absolute moves 25 ms apart, scaled to the
// screen's last pixel, then exactly onto the target.
void GlideTo(Session& session, ScreenPoint target);

}  // namespace plumo
