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

  // Main thread only. Lines come in batches and are kept; Show hands them to the list.
  void Append(std::vector<std::string> lines);
  void Clear();
  // Tells the list of the lines it does not show yet, scrolled to the last one when asked. The
  // list repaints its scroll bars for each new count, which under Wine costs 20 to 30 ms, so
  // it is told at most once per kCostShare times what the last telling cost, and at least
  // 100 ms apart on a system where that is next to nothing; `force` tells it now. False when
  // it was too soon: the caller asks again later.
  bool Show(bool scrollToEnd, bool force);
  bool Empty() const { return lines_.empty(); }

  static constexpr double kCostShare = 20;

 private:
  LRESULT DrawLine(NMLVCUSTOMDRAW* draw);

  HWND list_ = nullptr;
  HFONT font_ = nullptr;
  int textHeight_ = 0;
  int margin_ = 0;  // before a line's text, as the list's own drawing left
  std::deque<std::string> lines_;
  size_t listed_ = 0;      // the count the list has
  bool shifted_ = false;   // the oldest lines went since then: every row moved up
  double nextShow_ = 0;    // in ms of the performance counter
};

}  // namespace plumo
