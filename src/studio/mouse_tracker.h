// Track Mouse (Tools, F11): a small window, always on top, that follows the mouse with its
// position on the screen and in the window under it (as a mouse Step "Relative To" a window
// counts), the colour of the pixel there and that window's title and class. F11 ends it from
// any program; the last position is then the studio's to keep.
#pragma once

#include <windows.h>

#include <string>

namespace plumo {

class MouseTracker {
 public:
  // `owner` gets WM_COMMAND `stopCommand` when F11 is pressed in another program.
  MouseTracker(HINSTANCE instance, HWND owner, int stopCommand) : instance_(instance), owner_(owner), stop_(stopCommand) {}
  ~MouseTracker() { Stop(); }
  MouseTracker(const MouseTracker&) = delete;
  MouseTracker& operator=(const MouseTracker&) = delete;

  bool Start(HFONT font);
  // Ends it; the cursor's last position as "x, y".
  std::string Stop();
  bool running() const { return hwnd_ != nullptr; }

  static constexpr char kClass[] = "PlumoMouseTracker";

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void Update();

  HINSTANCE instance_;
  HWND owner_;
  int stop_;
  HWND hwnd_ = nullptr;
  HWND text_ = nullptr;
  bool hotKey_ = false;
  POINT at_ = {};
  std::string shown_;
};

}  // namespace plumo
