// The pickers of the Properties palette: drag a cross-hair over a window, or over a pixel of
// the screen, and let go.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace plumo {

struct PickedWindow {
  HWND window = nullptr;
  POINT at = {};  // where the button was let go, on the screen
};

// Runs modal over `owner`; nullopt when cancelled (Escape, the close box, or a release over
// the picker itself). The window under the cross-hair is framed while dragging.
std::optional<PickedWindow> PickWindow(HINSTANCE instance, HWND owner, HFONT font);

struct PickedPixel {
  COLORREF colour = 0;
  std::optional<POINT> at;  // none when the colour came from the colour box
};

// The same for a pixel, shown magnified with its colour while dragging; its "Colors..." button
// offers the system's colour box instead, starting at `initial`. `customColours` (16) are the
// colour box's own.
std::optional<PickedPixel> PickPixel(HINSTANCE instance, HWND owner, HFONT font, COLORREF initial,
                                     COLORREF* customColours);

// How the pickers and Track Mouse name a window: "\"title\"\r\nClass: ..." and the ID of a child.
std::string WindowLine(HWND window);

}  // namespace plumo
