// The cursor's glide to a window, shared by the mouse and the window actions.
#pragma once

#include <cstdint>

namespace plumo {

class Session;

constexpr int kGlideSteps = 20;
constexpr uint32_t kGlideStepMs = 25;

// To the window's centre (or its top-left corner); with `smooth` in 20 absolute moves 25 ms
// apart, then exactly onto the target.
void SmoothMoveToWindow(Session& session, uint32_t window, bool centre, bool smooth);

}  // namespace plumo
