// The Output palette: the lines of the run log, in the Output font of the settings, the newest
// kept in view. Its dock gives it a caption and a place.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "settings/settings_store.h"

namespace plumo {

class OutputPane {
 public:
  // Most lines kept; the oldest go first.
  static constexpr int kMaxLines = 10000;

  ~OutputPane();
  // dpi: the screen's, as the window lays itself out.
  bool Create(HINSTANCE instance, HWND parent, int id, SettingsStore& store, int dpi);
  HWND hwnd() const { return list_; }

  // Main thread only. Lines come in batches: one repaint for many lines.
  void Append(const std::vector<std::string>& lines);
  void Clear();
  void ScrollToEnd();
  bool Empty() const;

 private:
  HWND list_ = nullptr;
  HFONT font_ = nullptr;
};

}  // namespace plumo
