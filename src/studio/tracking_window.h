// The run tracking window: a small always-on-top, see-through window that shows the running
// Step in two lines and hides itself when no new text comes within its time-out. Main thread
// only; the main window hands it what the run thread asks.
#pragma once

#include <windows.h>

#include <string>

#include "settings/settings_store.h"
#include "studio/run_tracking.h"

namespace plumo {

inline constexpr char kTrackingClass[] = "PlumoTracking";
inline constexpr char kTrackingTitle[] = "Run Tracking";

class TrackingWindow {
 public:
  ~TrackingWindow() { Close(); }
  // Closes one that is open, then opens a new one from the settings; false when it cannot.
  bool Open(HINSTANCE instance, SettingsStore& store, HFONT font);
  void Close();
  HWND hwnd() const { return hwnd_; }
  // "first line\nsecond line": shown, and the time-out starts again.
  void SetText(const std::string& twoLines);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void Paint();

  HWND hwnd_ = nullptr;
  HFONT font_ = nullptr;
  HBRUSH fill_ = nullptr;
  TrackingLook look_;
  std::string text_;
};

}  // namespace plumo
