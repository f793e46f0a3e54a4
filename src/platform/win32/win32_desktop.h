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
};

}  // namespace plumo
