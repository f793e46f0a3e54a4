// The window picker of the Properties palette: drag a cross-hair over a window and let go.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace plumo {

struct PickedWindow {
  std::string title;
  std::string className;
  int id = 0;  // the control ID of a child window, 0 for a top-level one
};

// Runs modal over `owner`; nullopt when cancelled (Escape, the close box, or a release over
// the picker itself).
std::optional<PickedWindow> PickWindow(HINSTANCE instance, HWND owner, HFONT font);

}  // namespace plumo
