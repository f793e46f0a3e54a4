// The Output palette: the lines of the run log, in the Output font of the settings, the newest
// kept in view. Its dock gives it a caption and a place. The lines live here and the list only
// asks for the ones it shows, so a batch of lines costs one message, not one per line.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <deque>
#include <string>
#include <vector>

#include "settings/settings_store.h"

namespace plumo {

class OutputPane {
 public:
  // Most lines kept; the oldest go first.
  static constexpr size_t kMaxLines = 100000;

  ~OutputPane();
  // dpi: the screen's, as the window lays itself out.
  bool Create(HINSTANCE instance, HWND parent, int id, SettingsStore& store, int dpi);
  HWND hwnd() const { return list_; }
  // The list's notifications, which reach the main window through the dock.
  LRESULT Notify(NMHDR* header);

  // Main thread only. Lines come in batches: one repaint for many lines.
  void Append(std::vector<std::string> lines);
  void Clear();
  void ScrollToEnd();
  bool Empty() const { return lines_.empty(); }

 private:
  LRESULT DrawLine(NMLVCUSTOMDRAW* draw);

  HWND list_ = nullptr;
  HFONT font_ = nullptr;
  int textHeight_ = 0;
  int margin_ = 0;  // before a line's text, as the list's own drawing left
  std::deque<std::string> lines_;
};

}  // namespace plumo
