// Desktop port: top-level windows, screen pixels and metrics, and key states. Window handles
// are 32-bit numbers; colours are Windows colour values (red in the low byte). Without a
// desktop session every query answers 0, false or nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/os_error.h"
#include "platform/picture.h"

namespace plumo {

namespace vk {
constexpr uint8_t kShift = 0x10;
constexpr uint8_t kControl = 0x11;
constexpr uint8_t kMenu = 0x12;  // Alt
constexpr uint8_t kPause = 0x13;
}  // namespace vk

struct TitledWindow {
  uint32_t handle = 0;
  std::string title;
};

// Steps of a walk through the windows: the desktop's top window, the next window below one in
// Z order (its next sibling), a window's first child.
enum class WindowStep { kTop, kNext, kFirstChild };

struct ScreenInfo {
  uint32_t bitsPerPixel = 0;
  uint32_t monitors = 0;
  uint32_t width = 0;
  uint32_t height = 0;
};

// What the system variables tell of one window.
struct WindowFacts {
  std::string title;  // at most 511 characters
  std::string className;
  uint32_t controlId = 0;
  uint64_t userData = 0;  // the user data word: pointer-sized, 64 bits on x64
  int32_t left = 0, top = 0, width = 0, height = 0;
};

struct ScreenPoint {
  int32_t x = 0;
  int32_t y = 0;
};

struct MonitorArea {
  int32_t left = 0, top = 0, width = 0, height = 0;
};

class Desktop {
 public:
  virtual ~Desktop() = default;

  virtual uint32_t ForegroundWindow() = 0;
  virtual bool IsWindow(uint32_t handle) = 0;
  // The system's own lookup of a top-level window by its exact title; 0 when none.
  virtual uint32_t FindWindowByTitle(const std::string& title) = 0;
  // Visible top-level windows with a non-empty title (at most 62 characters of it), from the
  // foreground window down the Z order. A window that does not answer within 50 ms is passed over.
  virtual std::vector<TitledWindow> WindowsFromForeground() = 0;
  // Restores, shows, raises and focuses the window; false when the handle is no window.
  virtual bool ActivateWindow(uint32_t handle) = 0;
  // Posts the close request, then destroys the window if it still exists; the post's result.
  virtual bool RequestClose(uint32_t handle) = 0;
  // The window one step away (handle is ignored for kTop); 0 when there is none.
  virtual uint32_t WalkWindows(uint32_t handle, WindowStep step) = 0;
  // Visible, without a parent, with a dialog frame or a sizing border: a window a user sees
  // as an application's window.
  virtual bool IsFramedTopLevel(uint32_t handle) = 0;

  virtual std::optional<uint32_t> PixelColor(int32_t x, int32_t y) = 0;
  virtual ScreenInfo Screen() = 0;
  // Caps Lock, Num Lock and Scroll Lock by their toggle state, mouse buttons by their
  // asynchronous state, other keys by the key state.
  virtual bool IsKeyPressed(uint32_t vk) = 0;
  // Down now, or pressed since the previous call for it (GetAsyncKeyState), whichever thread
  // asks; one early call forgets an old press.
  virtual bool KeyPressedAsync(uint32_t vk) = 0;

  // What a run may leave held: a key (extended for the right-hand Control) and the left button.
  virtual OsError ReleaseKey(uint32_t vk, bool extended) = 0;
  // Sends the key going down (the System actions' paste presses Control and V itself).
  virtual OsError PressKey(uint32_t vk, bool extended) = 0;
  virtual OsError ReleaseLeftButton() = 0;

  // nullopt when the handle is no window.
  virtual std::optional<WindowFacts> Facts(uint32_t handle) = 0;
  virtual ScreenPoint CursorPosition() = 0;
  // In the system's enumeration order.
  virtual std::vector<MonitorArea> Monitors() = 0;

  // ---- Pictures of the screen ----
  // All monitors as one rectangle (the primary screen when there is one monitor).
  virtual ScreenRect VirtualScreen() = 0;
  // The screen inside `area`, cut to the virtual screen, as one 32-bit picture that knows its
  // place and the screen's colour depth: one BitBlt into a DIB section (the system converts
  // 16- and 24-bit screens), or with `slow` GetPixel for each pixel. nullopt with the reason
  // in *error.
  virtual std::optional<Picture> CaptureScreen(const ScreenRect& area, bool slow, OsError* error) = 0;
  // A picture file in a format of the system's picture service (JPEG, GIF, PNG, ...), at its
  // natural size.
  virtual std::optional<Picture> ReadPictureFile(const std::string& path, OsError* error) = 0;
};

// The desktop of a session without one (the Linux runner for now).
class HeadlessDesktop : public Desktop {
 public:
  uint32_t ForegroundWindow() override { return 0; }
  bool IsWindow(uint32_t) override { return false; }
  uint32_t FindWindowByTitle(const std::string&) override { return 0; }
  std::vector<TitledWindow> WindowsFromForeground() override { return {}; }
  bool ActivateWindow(uint32_t) override { return false; }
  bool RequestClose(uint32_t) override { return false; }
  uint32_t WalkWindows(uint32_t, WindowStep) override { return 0; }
  bool IsFramedTopLevel(uint32_t) override { return false; }
  std::optional<uint32_t> PixelColor(int32_t, int32_t) override { return std::nullopt; }
  ScreenInfo Screen() override { return {}; }
  bool IsKeyPressed(uint32_t) override { return false; }
  bool KeyPressedAsync(uint32_t) override { return false; }
  OsError ReleaseKey(uint32_t, bool) override { return NoSession("SendInput"); }
  OsError PressKey(uint32_t, bool) override { return NoSession("SendInput"); }
  OsError ReleaseLeftButton() override { return NoSession("SendInput"); }
  ScreenRect VirtualScreen() override { return {}; }
  std::optional<Picture> CaptureScreen(const ScreenRect&, bool, OsError* error) override {
    *error = NoSession("BitBlt");
    return std::nullopt;
  }
  std::optional<Picture> ReadPictureFile(const std::string&, OsError* error) override {
    *error = OsError("ReadPictureFile", oscode::kNotSupported, "JPEG, GIF and PNG files need the Windows picture service");
    return std::nullopt;
  }

 private:
  static OsError NoSession(const char* call) {
    return OsError(call, oscode::kNotSupported, "needs a desktop session");
  }
  std::optional<WindowFacts> Facts(uint32_t) override { return std::nullopt; }
  ScreenPoint CursorPosition() override { return {}; }
  std::vector<MonitorArea> Monitors() override { return {}; }
};

}  // namespace plumo
