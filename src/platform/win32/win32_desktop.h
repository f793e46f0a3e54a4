#pragma once

#include "platform/desktop.h"

namespace plumo {

class Win32Desktop : public Desktop {
 public:
  uint32_t ForegroundWindow() override;
  bool IsWindow(uint32_t handle) override;
  uint32_t WalkWindows(uint32_t handle, WindowStep step) override;
  bool IsFramedTopLevel(uint32_t handle) override;
  uint32_t FindWindowByTitle(const std::string& title) override;
  std::vector<TitledWindow> WindowsFromForeground() override;
  bool ActivateWindow(uint32_t handle) override;
  bool RequestClose(uint32_t handle) override;
  std::optional<uint32_t> PixelColor(int32_t x, int32_t y) override;
  ScreenInfo Screen() override;
  bool IsKeyPressed(uint32_t vk) override;
  bool KeyPressedAsync(uint32_t vk) override;
  OsError ReleaseKey(uint32_t vk, bool extended) override;
  OsError PressKey(uint32_t vk, bool extended) override;
  OsError ReleaseLeftButton() override;
  std::optional<WindowFacts> Facts(uint32_t handle) override;
  ScreenPoint CursorPosition() override;
  std::vector<MonitorArea> Monitors() override;
  ScreenRect VirtualScreen() override;
  std::optional<Picture> CaptureScreen(const ScreenRect& area, bool slow, OsError* error) override;
  // win32_pictures.cpp
  std::optional<Picture> ReadPictureFile(const std::string& path, OsError* error) override;
  bool HasDesktop() override { return true; }
  uint32_t FindWindowByClass(const std::string& className) override;
  std::vector<uint32_t> EnumWindows() override;
  uint32_t DesktopWindow() override;
  std::vector<uint32_t> EnumChildWindows(uint32_t parent) override;
  std::string ClassName(uint32_t handle) override;
  std::string WindowText(uint32_t handle, size_t maxChars) override;
  int64_t WindowLong(uint32_t handle, int index) override;
  bool ChangeWindowLong(uint32_t handle, int index, int64_t value) override;
  std::optional<WindowRect> GetWindowRect(uint32_t handle) override;
  bool IsWindowVisible(uint32_t handle) override;
  bool IsIconic(uint32_t handle) override;
  bool IsZoomed(uint32_t handle) override;
  bool IsWindowEnabled(uint32_t handle) override;
  uint32_t WindowFromPoint(int32_t x, int32_t y) override;
  uint32_t GetWindowThreadProcessId(uint32_t handle, uint32_t* processId) override;
  uint32_t GetCurrentThreadId() override;
  bool AttachThreadInput(uint32_t thread, uint32_t toThread, bool attach) override;
  uint32_t GetFocus() override;
  uint32_t GetNextDlgTabItem(uint32_t dialog, uint32_t control) override;
  bool SetForegroundWindow(uint32_t handle) override;
  bool BringWindowToTop(uint32_t handle) override;
  uint32_t SetActiveWindow(uint32_t handle) override;
  uint32_t SetFocus(uint32_t handle) override;
  bool ShowWindow(uint32_t handle, int command) override;
  bool SetWindowPos(uint32_t handle, uint32_t insertAfter, int32_t x, int32_t y, int32_t cx, int32_t cy,
                    uint32_t flags) override;
  bool EnableWindow(uint32_t handle, bool enable) override;
  bool RedrawWindow(uint32_t handle) override;
  bool DestroyWindow(uint32_t handle) override;
  std::optional<int64_t> Send(uint32_t handle, uint32_t msg, uint64_t wParam, int64_t lParam,
                              uint32_t timeoutMs) override;
  bool Post(uint32_t handle, uint32_t msg, uint64_t wParam, int64_t lParam) override;
  std::optional<int64_t> SendTextMessage(uint32_t handle, uint32_t msg, uint64_t wParam,
                                         const std::string& text) override;
  std::optional<std::string> SendBufferMessage(uint32_t handle, uint32_t msg, uint64_t wParam, size_t maxChars,
                                               uint32_t timeoutMs) override;
  int64_t SendToDlgItem(uint32_t dialog, int32_t id, uint32_t msg, uint64_t wParam, int64_t lParam) override;
  std::optional<std::string> ListViewItemText(uint32_t handle, int item, size_t maxChars) override;
  std::optional<std::string> TreeViewItemText(uint32_t handle, int64_t item, size_t maxChars) override;
  uint32_t GetMenu(uint32_t window) override;
  int GetMenuItemCount(uint32_t menu) override;
  std::optional<MenuEntry> GetMenuItem(uint32_t menu, int position) override;
  std::optional<size_t> TrackPopupMenu(const std::vector<MenuEntry>& entries, int32_t x, int32_t y) override;
  OsError SendKeyInput(uint32_t vk, uint32_t scanCode, uint32_t flags) override;
  uint32_t ScanCodeOf(uint32_t vk) override;
  int16_t KeyForChar(char c) override;
  OsError SendMouseInput(uint32_t flags, int32_t dx, int32_t dy, int32_t data) override;
  OsError SendMouseButton(uint32_t flags, ScreenPoint at, int32_t data) override;
  bool SetCursorPos(int32_t x, int32_t y) override;
  void ShowCursor() override;
  OsError KeyboardEvent(uint32_t vk, uint32_t scanCode, uint32_t flags) override;
  char CharOfKey(uint32_t vk) override;
  bool KeyDown(uint32_t vk) override;
  std::optional<uint32_t> LastInputTick() override;
  uint32_t DoubleClickTime() override;
  bool ScreenSaverRunning() override;
  OsError BlockInput(bool block) override;
};

}  // namespace plumo
