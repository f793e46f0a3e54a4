#include "actions/desktop/mouse_move.h"

#include <algorithm>

#include "engine/session.h"

namespace plumo {

void SmoothMoveToWindow(Session& session, uint32_t window, bool centre, bool smooth) {
  Desktop& d = session.desktop();
  std::optional<WindowRect> r = d.GetWindowRect(window);
  if (!r) return;
  const int32_t x = centre ? r->left + (r->right - r->left) / 2 : r->left;
  const int32_t y = centre ? r->top + (r->bottom - r->top) / 2 : r->top;
  if (smooth) {
    const ScreenPoint from = d.CursorPosition();
    const ScreenInfo screen = d.Screen();
    const int64_t width = std::max<int64_t>(screen.width, 1), height = std::max<int64_t>(screen.height, 1);
    const int32_t stepX = (x - from.x) / kGlideSteps, stepY = (y - from.y) / kGlideSteps;
    // The glide is for the eye only: the cursor is put in place below whatever arrived.
    for (int i = 1; i <= kGlideSteps; ++i) {
      const int64_t px = from.x + stepX * i, py = from.y + stepY * i;
      (void)d.SendMouseInput(mouseevent::kMove | mouseevent::kAbsolute, static_cast<int32_t>(px * 65535 / width),
                             static_cast<int32_t>(py * 65535 / height), 0);
      session.clock().Sleep(kGlideStepMs);
    }
  }
  d.SetCursorPos(x, y);
}

}  // namespace plumo
