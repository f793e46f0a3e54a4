// The studio's main window "Plumo Studio" of class "PlumoClass": geometry from the settings,
// the status line, the hand-over command from another instance, and the message loop with the
// keyboard map. Its contents (tabs, step list, palettes, menus) come with the studio.
#pragma once

#include <windows.h>

#include <string>

#include "settings/keyboard_map.h"
#include "settings/settings_store.h"

namespace plumo {

inline constexpr char kMainWindowClass[] = "PlumoClass";
inline constexpr char kMainWindowTitle[] = "Plumo Studio";
inline constexpr int kAcceleratorTable = 1428;
inline constexpr int kProgramIcon = 1000;

class MainWindow {
 public:
  MainWindow(HINSTANCE instance, SettingsStore& store);
  ~MainWindow();

  // Registers the class and creates the window, hidden or shown; false when it cannot.
  bool Create(bool hidden, int showCommand);
  HWND hwnd() const { return hwnd_; }
  void SetStatus(const std::string& text);

  // Runs until the window is gone.
  void RunMessageLoop(const KeyboardMap& keys);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void TakeHandedOverFile();

  HINSTANCE instance_;
  SettingsStore& store_;
  HWND hwnd_ = nullptr;
  HWND status_ = nullptr;
};

}  // namespace plumo
