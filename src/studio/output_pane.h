// The Output palette, for now as a pane under the Step list: the lines of the run log, in the
// Output font of the settings, the newest kept in view.
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
  // The height it asks for at this DPI, caption included.
  int Height() const;
  void Place(int left, int top, int width, int height);
  void Show(bool shown);

  // Main thread only. Lines come in batches: one repaint for many lines.
  void Append(const std::vector<std::string>& lines);
  void Clear();
  void ScrollToEnd();
  bool Empty() const;

 private:
  HWND caption_ = nullptr;
  HWND list_ = nullptr;
  HFONT font_ = nullptr;
  int dpi_ = 96;
  int captionHeight_ = 0;
};

}  // namespace plumo
