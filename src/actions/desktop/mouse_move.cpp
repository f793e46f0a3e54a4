#include "actions/desktop/mouse_move.h"

#include <algorithm>
#include <cstdlib>

#include "engine/session.h"

namespace plumo {
namespace {

constexpr int64_t kAbsoluteRange = 65535;

// `steps` absolute moves from the cursor toward (x, y), each 1/steps of the way, then the
// cursor exactly there. `lastPixel` scales by the screen's last pixel instead of its size.
void Glide(Session& session, int32_t x, int32_t y, int steps, bool lastPixel) {
  Desktop& d = session.desktop();
  if (steps > 0) {
    const ScreenPoint from = d.CursorPosition();
    const ScreenInfo screen = d.Screen();
    const int64_t spare = lastPixel ? 1 : 0;
    const int64_t width = std::max<int64_t>(screen.width - spare, 1), height = std::max<int64_t>(screen.height - spare, 1);
    const int32_t stepX = (x - from.x) / steps, stepY = (y - from.y) / steps;
    // The glide is for the eye only: the cursor is put in place below whatever arrived.
    for (int i = 1; i <= steps; ++i) {
      const int64_t px = from.x + static_cast<int64_t>(stepX) * i, py = from.y + static_cast<int64_t>(stepY) * i;
      (void)d.SendMouseInput(mouseevent::kMove | mouseevent::kAbsolute, static_cast<int32_t>(px * kAbsoluteRange / width),
                             static_cast<int32_t>(py * kAbsoluteRange / height), 0);
      session.clock().Sleep(kGlideStepMs);
    }
  }
  d.SetCursorPos(x, y);
}

}  // namespace

void SmoothMoveToWindow(Session& session, uint32_t window, bool centre, bool smooth) {
  std::optional<WindowRect> r = session.desktop().GetWindowRect(window);
  if (!r) return;
  const int32_t x = centre ? r->left + (r->right - r->left) / 2 : r->left;
  const int32_t y = centre ? r->top + (r->bottom - r->top) / 2 : r->top;
  Glide(session, x, y, smooth ? kGlideSteps : 0, false);
}

int GlideSteps(int32_t dx, int32_t dy) {
  const int64_t ax = std::llabs(dx), ay = std::llabs(dy);
  if (ax < 10 && ay < 10) return 0;
  if (ax < 20 && ay < 20) return kShortGlideSteps;
  return kGlideSteps;
}

void GlideTo(Session& session, ScreenPoint target) {
  const ScreenPoint from = session.desktop().CursorPosition();
  Glide(session, target.x, target.y, GlideSteps(target.x - from.x, target.y - from.y), true);
}

}  // namespace plumo
