// Desktop port: windows of every program, screen pixels and metrics, key states and
// synthetic input, in Win32's own vocabulary. Window and menu handles are 32-bit numbers (x64
// sign-extends them); styles, messages, show commands and input flags are Win32's numbers.
// Without a desktop session every query answers 0, false or nothing.
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
constexpr uint8_t kSpace = 0x20;
constexpr uint8_t kF4 = 0x73;
}  // namespace vk

// Window styles.
namespace ws {
constexpr uint32_t kChild = 0x40000000;
constexpr uint32_t kMinimize = 0x20000000;
constexpr uint32_t kVisible = 0x10000000;
constexpr uint32_t kDisabled = 0x08000000;
constexpr uint32_t kMaximize = 0x01000000;
constexpr uint32_t kCaption = 0x00C00000;
constexpr uint32_t kDlgFrame = 0x00400000;
constexpr uint32_t kThickFrame = 0x00040000;
constexpr uint32_t kMinimizeBox = 0x00020000;
constexpr uint32_t kMaximizeBox = 0x00010000;
constexpr uint32_t kTabStop = 0x00010000;
}  // namespace ws

// Indexes of GetWindowLongPtr.
namespace gwl {
constexpr int kStyle = -16;
constexpr int kExStyle = -20;
constexpr int kId = -12;
constexpr int kUserData = -21;
}  // namespace gwl

// Messages.
namespace wm {
constexpr uint32_t kSetFocus = 0x0007;
constexpr uint32_t kSetText = 0x000C;
constexpr uint32_t kGetText = 0x000D;
constexpr uint32_t kGetTextLength = 0x000E;
constexpr uint32_t kPaint = 0x000F;
constexpr uint32_t kClose = 0x0010;
constexpr uint32_t kNcPaint = 0x0085;
constexpr uint32_t kCommand = 0x0111;
constexpr uint32_t kSysCommand = 0x0112;
constexpr uint32_t kEmGetSel = 0x00B0;
constexpr uint32_t kEmSetSel = 0x00B1;
constexpr uint32_t kBmGetCheck = 0x00F0;
constexpr uint32_t kBmSetCheck = 0x00F1;
constexpr uint32_t kCbAddString = 0x0143;
constexpr uint32_t kCbGetCount = 0x0146;
constexpr uint32_t kCbGetCurSel = 0x0147;
constexpr uint32_t kCbGetLbText = 0x0148;
constexpr uint32_t kCbGetLbTextLen = 0x0149;
constexpr uint32_t kLbAddString = 0x0180;
constexpr uint32_t kLbGetCurSel = 0x0188;
constexpr uint32_t kLbGetText = 0x0189;
constexpr uint32_t kLbGetTextLen = 0x018A;
constexpr uint32_t kLbGetCount = 0x018B;
constexpr uint32_t kLvmGetItemCount = 0x1004;
constexpr uint32_t kLvmGetNextItem = 0x100C;
constexpr uint32_t kLvmGetSelectedCount = 0x1032;
constexpr uint32_t kTvmGetNextItem = 0x110A;
}  // namespace wm

// Parameters of the messages above.
constexpr int64_t kLvniSelected = 0x0002;
constexpr uint32_t kTvgnCaret = 0x0009;
constexpr int64_t kLbErr = -1;

// WM_SYSCOMMAND commands.
namespace sc {
constexpr uint32_t kSize = 0xF000;
constexpr uint32_t kMove = 0xF010;
constexpr uint32_t kMinimize = 0xF020;
constexpr uint32_t kMaximize = 0xF030;
constexpr uint32_t kClose = 0xF060;
constexpr uint32_t kRestore = 0xF120;
constexpr uint32_t kHotKey = 0xF150;
}  // namespace sc

// ShowWindow commands.
namespace sw {
constexpr int kHide = 0;
constexpr int kMaximize = 3;
constexpr int kShow = 5;
constexpr int kMinimize = 6;
constexpr int kRestore = 9;
}  // namespace sw

// SetWindowPos: the special places in the Z order and the flags.
namespace swp {
constexpr uint32_t kTopMost = 0xFFFFFFFF;    // HWND_TOPMOST (-1)
constexpr uint32_t kNoTopMost = 0xFFFFFFFE;  // HWND_NOTOPMOST (-2)
constexpr uint32_t kNoSize = 0x0001;
constexpr uint32_t kNoMove = 0x0002;
constexpr uint32_t kNoZOrder = 0x0004;
constexpr uint32_t kNoActivate = 0x0010;
constexpr uint32_t kFrameChanged = 0x0020;
}  // namespace swp

// SendInput flags.
namespace keyevent {
constexpr uint32_t kExtendedKey = 0x0001;
constexpr uint32_t kKeyUp = 0x0002;
}  // namespace keyevent
namespace mouseevent {
constexpr uint32_t kMove = 0x0001;
constexpr uint32_t kLeftDown = 0x0002;
constexpr uint32_t kLeftUp = 0x0004;
constexpr uint32_t kRightDown = 0x0008;
constexpr uint32_t kRightUp = 0x0010;
constexpr uint32_t kMiddleDown = 0x0020;
constexpr uint32_t kMiddleUp = 0x0040;
constexpr uint32_t kWheel = 0x0800;
constexpr uint32_t kAbsolute = 0x8000;
constexpr int32_t kWheelDelta = 120;
}  // namespace mouseevent

struct TitledWindow {
  uint32_t handle = 0;
  std::string title;
};

// Steps of a walk through the windows: the desktop's top window, the next window below one in
// Z order (its next sibling), a window's first child, its parent (GetParent: the owner of an
// owned pop-up) and its owner.
enum class WindowStep { kTop, kNext, kFirstChild, kParent, kOwner };

struct WindowRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const WindowRect&) const = default;
};

// One entry of a menu, read by its position.
struct MenuEntry {
  uint32_t id = 0;       // the command; 0 for a separator or a submenu
  std::string text;      // with its "&" and tab as the menu holds them
  uint32_t submenu = 0;  // the popup menu the entry opens, 0 for a command
  bool separator = false;
};

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
  // The same by class name (FindWindowA with a class).
  virtual uint32_t FindWindowByClass(const std::string& className) = 0;
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
  // False without a desktop session: the window actions then fail and say so.
  virtual bool HasDesktop() = 0;

  // ---- Windows of every program ----
  // EnumWindows: the top-level windows in Z order, the top one first.
  virtual std::vector<uint32_t> EnumWindows() = 0;
  // GetDesktopWindow.
  virtual uint32_t DesktopWindow() = 0;
  // EnumChildWindows: every descendant, each child followed by its own descendants.
  virtual std::vector<uint32_t> EnumChildWindows(uint32_t parent) = 0;
  // GetClassNameA, at most 255 characters.
  virtual std::string ClassName(uint32_t handle) = 0;
  // GetWindowTextA, at most maxChars characters.
  virtual std::string WindowText(uint32_t handle, size_t maxChars) = 0;
  // GetWindowLongPtrA with a gwl index, sign-extended; 0 for no window.
  virtual int64_t WindowLong(uint32_t handle, int index) = 0;
  virtual bool ChangeWindowLong(uint32_t handle, int index, int64_t value) = 0;
  virtual std::optional<WindowRect> GetWindowRect(uint32_t handle) = 0;
  virtual bool IsWindowVisible(uint32_t handle) = 0;
  virtual bool IsIconic(uint32_t handle) = 0;
  virtual bool IsZoomed(uint32_t handle) = 0;
  virtual bool IsWindowEnabled(uint32_t handle) = 0;
  virtual uint32_t WindowFromPoint(int32_t x, int32_t y) = 0;
  // The thread that made the window, and its process in *processId when given; 0 for none.
  virtual uint32_t GetWindowThreadProcessId(uint32_t handle, uint32_t* processId) = 0;
  virtual uint32_t GetCurrentThreadId() = 0;
  virtual bool AttachThreadInput(uint32_t thread, uint32_t toThread, bool attach) = 0;
  // The focus of this thread's input state (another thread's once attached to it).
  virtual uint32_t GetFocus() = 0;
  virtual uint32_t GetNextDlgTabItem(uint32_t dialog, uint32_t control) = 0;

  virtual bool SetForegroundWindow(uint32_t handle) = 0;
  virtual bool BringWindowToTop(uint32_t handle) = 0;
  virtual uint32_t SetActiveWindow(uint32_t handle) = 0;
  virtual uint32_t SetFocus(uint32_t handle) = 0;
  virtual bool ShowWindow(uint32_t handle, int command) = 0;
  virtual bool SetWindowPos(uint32_t handle, uint32_t insertAfter, int32_t x, int32_t y, int32_t cx, int32_t cy,
                            uint32_t flags) = 0;
  virtual bool EnableWindow(uint32_t handle, bool enable) = 0;
  // Invalidates the whole window and updates it at once.
  virtual bool RedrawWindow(uint32_t handle) = 0;
  // Only a window of the calling thread can be destroyed; false otherwise.
  virtual bool DestroyWindow(uint32_t handle) = 0;

  // ---- Messages ----
  // SendMessageTimeout (abort if hung) with numbers for parameters; timeoutMs 0 waits as long
  // as the window takes (SendMessage). nullopt when it timed out or failed.
  virtual std::optional<int64_t> Send(uint32_t handle, uint32_t msg, uint64_t wParam, int64_t lParam,
                                     uint32_t timeoutMs) = 0;
  // PostMessage.
  virtual bool Post(uint32_t handle, uint32_t msg, uint64_t wParam, int64_t lParam) = 0;
  // A message whose lParam points at a text the window reads (WM_SETTEXT, LB_ADDSTRING, ...).
  virtual std::optional<int64_t> SendTextMessage(uint32_t handle, uint32_t msg, uint64_t wParam,
                                                 const std::string& text) = 0;
  // A message whose lParam points at a buffer of maxChars + 1 that the window fills (WM_GETTEXT
  // with wParam = maxChars + 1, LB_GETTEXT, CB_GETLBTEXT); the text up to the count it answers.
  virtual std::optional<std::string> SendBufferMessage(uint32_t handle, uint32_t msg, uint64_t wParam, size_t maxChars,
                                                       uint32_t timeoutMs) = 0;
  // SendDlgItemMessage.
  virtual int64_t SendToDlgItem(uint32_t dialog, int32_t id, uint32_t msg, uint64_t wParam, int64_t lParam) = 0;
  // An item of a list view or tree view of another program, read through a buffer in that
  // program's memory as the messages there require. nullopt when it cannot be read.
  virtual std::optional<std::string> ListViewItemText(uint32_t handle, int item, size_t maxChars) = 0;
  virtual std::optional<std::string> TreeViewItemText(uint32_t handle, int64_t item, size_t maxChars) = 0;

  // ---- Menus ----
  virtual uint32_t GetMenu(uint32_t window) = 0;
  virtual int GetMenuItemCount(uint32_t menu) = 0;  // -1 for no menu
  virtual std::optional<MenuEntry> GetMenuItem(uint32_t menu, int position) = 0;
  // A popup menu at the point, owned by a hidden window of this thread; the position of the
  // chosen entry, nullopt when none was chosen.
  virtual std::optional<size_t> TrackPopupMenu(const std::vector<MenuEntry>& entries, int32_t x, int32_t y) = 0;

  // ---- Synthetic input ----
  virtual OsError SendKeyInput(uint32_t vk, uint32_t scanCode, uint32_t flags) = 0;
  // MapVirtualKey from a virtual key to its scan code.
  virtual uint32_t ScanCodeOf(uint32_t vk) = 0;
  // VkKeyScan: the key in the low byte, Shift (1), Control (2), Alt (4) in the high byte; -1 none.
  virtual int16_t KeyForChar(char c) = 0;
  virtual OsError SendMouseInput(uint32_t flags, int32_t dx, int32_t dy, int32_t data) = 0;
  // A button or wheel event that carries its screen point, so that a cursor move reaching the
  // system late (another program's stale motion under Wine) cannot shift the press.
  virtual OsError SendMouseButton(uint32_t flags, ScreenPoint at, int32_t data) = 0;
  virtual bool SetCursorPos(int32_t x, int32_t y) = 0;
  // Makes the cursor shown for this program (a display count below zero hides it), without
  // raising the count past zero.
  virtual void ShowCursor() = 0;
  // keybd_event: the key-event call that typing by simulated key presses uses.
  virtual OsError KeyboardEvent(uint32_t vk, uint32_t scanCode, uint32_t flags) = 0;
  // MapVirtualKey to a character: the layout's unshifted character of the key; 0 for none.
  virtual char CharOfKey(uint32_t vk) = 0;
  // Down now, whichever program pressed it (GetAsyncKeyState's down bit).
  virtual bool KeyDown(uint32_t vk) = 0;
  // The tick count of the last keyboard or mouse input of the session, whichever program got
  // it (GetLastInputInfo); nullopt when the system cannot tell.
  virtual std::optional<uint32_t> LastInputTick() = 0;
  virtual uint32_t DoubleClickTime() = 0;
  virtual bool ScreenSaverRunning() = 0;
  // BlockInput of USER32.DLL, looked up by name; nothing happens when it is missing. An error
  // only when the library cannot be loaded.
  virtual OsError BlockInput(bool block) = 0;
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

  std::optional<WindowFacts> Facts(uint32_t) override { return std::nullopt; }
  ScreenPoint CursorPosition() override { return {}; }
  std::vector<MonitorArea> Monitors() override { return {}; }
  bool HasDesktop() override { return false; }
  std::vector<uint32_t> EnumWindows() override { return {}; }
  uint32_t DesktopWindow() override { return 0; }
  std::vector<uint32_t> EnumChildWindows(uint32_t) override { return {}; }
  std::string ClassName(uint32_t) override { return {}; }
  std::string WindowText(uint32_t, size_t) override { return {}; }
  int64_t WindowLong(uint32_t, int) override { return 0; }
  bool ChangeWindowLong(uint32_t, int, int64_t) override { return false; }
  std::optional<WindowRect> GetWindowRect(uint32_t) override { return std::nullopt; }
  bool IsWindowVisible(uint32_t) override { return false; }
  bool IsIconic(uint32_t) override { return false; }
  bool IsZoomed(uint32_t) override { return false; }
  bool IsWindowEnabled(uint32_t) override { return false; }
  uint32_t WindowFromPoint(int32_t, int32_t) override { return 0; }
  uint32_t GetWindowThreadProcessId(uint32_t, uint32_t*) override { return 0; }
  uint32_t GetCurrentThreadId() override { return 0; }
  bool AttachThreadInput(uint32_t, uint32_t, bool) override { return false; }
  uint32_t GetFocus() override { return 0; }
  uint32_t GetNextDlgTabItem(uint32_t, uint32_t) override { return 0; }
  bool SetForegroundWindow(uint32_t) override { return false; }
  bool BringWindowToTop(uint32_t) override { return false; }
  uint32_t SetActiveWindow(uint32_t) override { return 0; }
  uint32_t SetFocus(uint32_t) override { return 0; }
  bool ShowWindow(uint32_t, int) override { return false; }
  bool SetWindowPos(uint32_t, uint32_t, int32_t, int32_t, int32_t, int32_t, uint32_t) override { return false; }
  bool EnableWindow(uint32_t, bool) override { return false; }
  bool RedrawWindow(uint32_t) override { return false; }
  bool DestroyWindow(uint32_t) override { return false; }
  std::optional<int64_t> Send(uint32_t, uint32_t, uint64_t, int64_t, uint32_t) override { return std::nullopt; }
  bool Post(uint32_t, uint32_t, uint64_t, int64_t) override { return false; }
  std::optional<int64_t> SendTextMessage(uint32_t, uint32_t, uint64_t, const std::string&) override { return std::nullopt; }
  std::optional<std::string> SendBufferMessage(uint32_t, uint32_t, uint64_t, size_t, uint32_t) override {
    return std::nullopt;
  }
  int64_t SendToDlgItem(uint32_t, int32_t, uint32_t, uint64_t, int64_t) override { return 0; }
  std::optional<std::string> ListViewItemText(uint32_t, int, size_t) override { return std::nullopt; }
  std::optional<std::string> TreeViewItemText(uint32_t, int64_t, size_t) override { return std::nullopt; }
  uint32_t GetMenu(uint32_t) override { return 0; }
  int GetMenuItemCount(uint32_t) override { return -1; }
  std::optional<MenuEntry> GetMenuItem(uint32_t, int) override { return std::nullopt; }
  std::optional<size_t> TrackPopupMenu(const std::vector<MenuEntry>&, int32_t, int32_t) override { return std::nullopt; }
  OsError SendKeyInput(uint32_t, uint32_t, uint32_t) override { return NoSession("SendInput"); }
  uint32_t ScanCodeOf(uint32_t) override { return 0; }
  int16_t KeyForChar(char) override { return -1; }
  OsError SendMouseInput(uint32_t, int32_t, int32_t, int32_t) override { return NoSession("SendInput"); }
  OsError SendMouseButton(uint32_t, ScreenPoint, int32_t) override { return NoSession("SendInput"); }
  bool SetCursorPos(int32_t, int32_t) override { return false; }
  void ShowCursor() override {}
  OsError KeyboardEvent(uint32_t, uint32_t, uint32_t) override { return NoSession("keybd_event"); }
  char CharOfKey(uint32_t) override { return 0; }
  bool KeyDown(uint32_t) override { return false; }
  std::optional<uint32_t> LastInputTick() override { return std::nullopt; }
  uint32_t DoubleClickTime() override { return 500; }
  bool ScreenSaverRunning() override { return false; }
  OsError BlockInput(bool) override { return NoSession("BlockInput"); }
  uint32_t FindWindowByClass(const std::string&) override { return 0; }

 private:
  static OsError NoSession(const char* call) {
    return OsError(call, oscode::kNotSupported, "needs a desktop session");
  }
};

}  // namespace plumo
