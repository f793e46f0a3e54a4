#include "actions/desktop/close_window.h"

#include <algorithm>

#include "actions/desktop/key_input.h"
#include "actions/desktop/window_activation.h"
#include "engine/session.h"

namespace plumo {

bool CloseProgramWindow(Session& session, uint32_t window, uint32_t timeoutMs) {
  Desktop& desktop = session.desktop();
  Clock& clock = session.clock();
  // A window that does not handle the request in time (hung, or asking a question) ends
  // with its process.
  if (!desktop.Send(window, wm::kClose, 0, 0, std::max(timeoutMs, kCloseGraceMs))) {
    uint32_t process = 0;
    desktop.GetWindowThreadProcessId(window, &process);
    if (process && process != session.processes().CurrentProcessId())
      (void)session.processes().Terminate(process, 0);  // whether the window went is looked at below
  }
  clock.Sleep(kCloseGraceMs);
  if (!desktop.IsWindow(window)) return true;
  desktop.Post(window, wm::kClose, 0, 0);
  clock.Sleep(kCloseGraceMs);
  if (!desktop.IsWindow(window)) return true;
  desktop.DestroyWindow(window);
  clock.Sleep(kCloseGraceMs);
  if (!desktop.IsWindow(window)) return true;
  ActivateWindow(session, window, false);
  // The last try: keys that do not arrive change nothing, and Alt is let go whatever happened.
  (void)SendKey(desktop, vk::kMenu, false);
  (void)TapKey(desktop, vk::kF4);
  (void)SendKey(desktop, vk::kMenu, true);
  return true;
}

}  // namespace plumo
