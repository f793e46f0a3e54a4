// A desktop of windows a test lays out: titles in Z order from the foreground window, pixels,
// a screen picture, keys held down, and a log of what was done to the windows.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "platform/desktop.h"

namespace plumo {

class FakeDesktop : public Desktop {
 public:
  struct Window {
    uint32_t handle;
    std::string title;
    bool visible = true;
    bool framed = true;  // a dialog frame or a sizing border
    std::vector<Window> children = {};
  };

  uint32_t ForegroundWindow() override { return windows_.empty() ? 0 : windows_.front().handle; }
  bool IsWindow(uint32_t handle) override { return Find(handle) != nullptr; }
  uint32_t FindWindowByTitle(const std::string& title) override {
    ++exactLookups;
    for (const Window& w : windows_)
      if (w.title == title && exactLookupWorks) return w.handle;
    return 0;
  }
  std::vector<TitledWindow> WindowsFromForeground() override {
    std::vector<TitledWindow> out;
    for (const Window& w : windows_)
      if (w.visible && !w.title.empty()) out.push_back({w.handle, w.title.substr(0, 62)});
    return out;
  }
  bool ActivateWindow(uint32_t handle) override {
    activated.push_back(handle);
    return IsWindow(handle);
  }
  bool RequestClose(uint32_t handle) override {
    closed.push_back(handle);
    bool existed = IsWindow(handle);
    std::erase_if(windows_, [&](const Window& w) { return w.handle == handle; });
    return existed;
  }
  uint32_t WalkWindows(uint32_t handle, WindowStep step) override {
    if (step == WindowStep::kTop) return windows_.empty() ? 0 : windows_.front().handle;
    const std::vector<Window>* siblings = nullptr;
    const Window* w = Find(handle, windows_, &siblings);
    if (!w) return 0;
    if (step == WindowStep::kFirstChild) return w->children.empty() ? 0 : w->children.front().handle;
    const size_t at = static_cast<size_t>(w - siblings->data()) + 1;
    return at < siblings->size() ? (*siblings)[at].handle : 0;
  }
  bool IsFramedTopLevel(uint32_t handle) override {
    for (const Window& w : windows_)
      if (w.handle == handle) return w.visible && w.framed;
    return false;
  }
  std::optional<uint32_t> PixelColor(int32_t x, int32_t y) override {
    auto it = pixels.find({x, y});
    if (it == pixels.end()) return std::nullopt;
    return it->second;
  }
  ScreenInfo Screen() override { return screen; }
  bool IsKeyPressed(uint32_t vk) override { return keysDown.count(vk) > 0; }
  bool KeyPressedAsync(uint32_t vk) override { return keysDown.count(vk) > 0; }
  OsError ReleaseKey(uint32_t vk, bool extended) override {
    released.push_back(std::string(extended ? "x" : "") + std::to_string(vk));
    return OsError::Ok();
  }
  OsError PressKey(uint32_t vk, bool) override {
    pressedKeys.push_back(std::to_string(vk));
    return OsError::Ok();
  }
  OsError ReleaseLeftButton() override {
    released.push_back("mouse");
    return OsError::Ok();
  }
  std::optional<WindowFacts> Facts(uint32_t handle) override {
    auto it = facts.find(handle);
    if (it != facts.end()) return it->second;
    const std::vector<Window>* siblings = nullptr;
    if (const Window* w = Find(handle, windows_, &siblings)) {
      WindowFacts f;
      f.title = w->title;
      return f;
    }
    return std::nullopt;
  }
  ScreenPoint CursorPosition() override { return cursor; }
  std::vector<MonitorArea> Monitors() override { return monitors; }
  ScreenRect VirtualScreen() override {
    return {screenPicture.left, screenPicture.top, screenPicture.left + screenPicture.width(),
            screenPicture.top + screenPicture.height()};
  }
  // A copy of the area of `screenPicture`, as the system's capture is a copy.
  std::optional<Picture> CaptureScreen(const ScreenRect& area, bool slow, OsError* error) override {
    captures.push_back(slow ? "slow" : "fast");
    if (beforeCapture) beforeCapture();
    if (!canCapture || (!slow && !fastCaptureWorks)) {
      *error = OsError(slow ? "GetPixel" : "BitBlt", oscode::kNotSupported, "needs a desktop session");
      return std::nullopt;
    }
    const ScreenRect v = VirtualScreen();
    const ScreenRect a{std::max(area.left, v.left), std::max(area.top, v.top), std::min(area.right, v.right),
                       std::min(area.bottom, v.bottom)};
    std::optional<Picture> out = Picture::Allocate(std::max(0, a.Width()), std::max(0, a.Height()));
    for (int32_t y = 0; y < out->height(); ++y)
      for (int32_t x = 0; x < out->width(); ++x) out->Row(y)[x] = screenPicture.At(a.left - v.left + x, a.top - v.top + y);
    out->left = a.left;
    out->top = a.top;
    out->bitsPerPixel = static_cast<uint16_t>(screen.bitsPerPixel);
    return out;
  }
  std::optional<Picture> ReadPictureFile(const std::string& path, OsError* error) override {
    auto it = pictureFiles.find(path);
    if (it != pictureFiles.end()) return it->second;
    *error = OsError("ReadPictureFile", oscode::kFileNotFound, "no such picture");
    return std::nullopt;
  }

  // Windows from the foreground one down.
  void SetWindows(std::vector<Window> windows) { windows_ = std::move(windows); }

  bool exactLookupWorks = true;
  int exactLookups = 0;
  std::vector<uint32_t> activated, closed;
  std::map<std::pair<int32_t, int32_t>, uint32_t> pixels;
  std::set<uint32_t> keysDown;
  std::vector<std::string> released;
  std::vector<std::string> pressedKeys;
  // The screen's pixels; captures name their form.
  Picture screenPicture = *Picture::Allocate(64, 48);
  bool canCapture = true, fastCaptureWorks = true;
  std::vector<std::string> captures;
  std::function<void()> beforeCapture;
  // Files the system's picture service would read.
  std::map<std::string, Picture> pictureFiles;
  ScreenInfo screen{32, 2, 1920, 1080};
  // Details of windows beyond their title.
  std::map<uint32_t, WindowFacts> facts;
  ScreenPoint cursor{640, 480};
  std::vector<MonitorArea> monitors{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};

 private:
  const Window* Find(uint32_t handle) const {
    for (const Window& w : windows_)
      if (w.handle == handle) return &w;
    return nullptr;
  }
  // Top-level windows and their children, depth first; *siblings gets the list it lies in.
  static const Window* Find(uint32_t handle, const std::vector<Window>& in, const std::vector<Window>** siblings) {
    for (const Window& w : in) {
      if (w.handle == handle) {
        *siblings = &in;
        return &w;
      }
      if (const Window* c = Find(handle, w.children, siblings)) return c;
    }
    return nullptr;
  }
  std::vector<Window> windows_;
};

}  // namespace plumo
