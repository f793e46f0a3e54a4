#include "platform/win32/win32_desktop.h"

#include <windows.h>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_input.h"
#include "platform/win32/win32_pictures.h"
#include "platform/win32/win32_handles.h"

namespace plumo {

OsError SendOneInput(INPUT& input) {
  using SendInputFn = UINT(WINAPI*)(UINT, LPINPUT, int);
  static const auto send = reinterpret_cast<SendInputFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SendInput")));
  if (!send) return Win32Error("GetProcAddress(SendInput)", ERROR_PROC_NOT_FOUND);
  return send(1, &input, sizeof input) == 1 ? OsError::Ok() : LastWin32Error("SendInput");
}

namespace {

BOOL CALLBACK CountMonitor(HMONITOR, HDC, LPRECT, LPARAM data) {
  ++*reinterpret_cast<uint32_t*>(data);
  return TRUE;
}

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT rect, LPARAM data) {
  reinterpret_cast<std::vector<MonitorArea>*>(data)->push_back(
      {rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top});
  return TRUE;
}

}  // namespace

uint32_t Win32Desktop::ForegroundWindow() { return FromHwnd(GetForegroundWindow()); }

bool Win32Desktop::IsWindow(uint32_t handle) { return handle != 0 && ::IsWindow(ToHwnd(handle)); }

uint32_t Win32Desktop::FindWindowByTitle(const std::string& title) {
  return FromHwnd(FindWindowA(nullptr, title.c_str()));
}

uint32_t Win32Desktop::FindWindowByClass(const std::string& className) {
  return FromHwnd(FindWindowA(className.c_str(), nullptr));
}

std::vector<TitledWindow> Win32Desktop::WindowsFromForeground() {
  std::vector<TitledWindow> out;
  HWND h = GetForegroundWindow();
  if (!h) h = GetTopWindow(nullptr);
  // A bound on the walk: the Z order can change under our feet.
  for (int guard = 0; h && guard < 100000; ++guard, h = GetWindow(h, GW_HWNDNEXT)) {
    if (!::IsWindowVisible(h)) continue;
    char buf[63] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(h, WM_GETTEXT, sizeof(buf), reinterpret_cast<LPARAM>(buf),
                             SMTO_ABORTIFHUNG, 50, &copied))
      continue;
    buf[sizeof(buf) - 1] = '\0';
    if (buf[0] == '\0') continue;
    out.push_back({FromHwnd(h), buf});
  }
  return out;
}

bool Win32Desktop::ActivateWindow(uint32_t handle) {
  HWND h = ToHwnd(handle);
  if (handle == 0 || !::IsWindow(h)) return false;
  if (::IsIconic(h)) ::ShowWindow(h, SW_RESTORE);
  SendMessageA(h, WM_SYSCOMMAND, SC_HOTKEY, reinterpret_cast<LPARAM>(h));
  ::ShowWindow(h, SW_SHOW);
  ::SetForegroundWindow(h);
  ::BringWindowToTop(h);
  ::SetActiveWindow(h);
  ::SetFocus(h);
  return true;
}

bool Win32Desktop::RequestClose(uint32_t handle) {
  HWND h = ToHwnd(handle);
  BOOL posted = PostMessageA(h, WM_CLOSE, 0, 0);
  if (::IsWindow(h)) ::DestroyWindow(h);
  return posted != FALSE;
}

std::optional<uint32_t> Win32Desktop::PixelColor(int32_t x, int32_t y) {
  HDC dc = GetDC(nullptr);
  if (!dc) return std::nullopt;
  COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(nullptr, dc);
  if (c == CLR_INVALID) return std::nullopt;
  return static_cast<uint32_t>(c);
}

ScreenInfo Win32Desktop::Screen() {
  ScreenInfo s;
  HDC dc = GetDC(nullptr);
  if (dc) {
    s.bitsPerPixel = static_cast<uint32_t>(GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES));
    ReleaseDC(nullptr, dc);
  }
  EnumDisplayMonitors(nullptr, nullptr, CountMonitor, reinterpret_cast<LPARAM>(&s.monitors));
  s.width = static_cast<uint32_t>(GetSystemMetrics(SM_CXSCREEN));
  s.height = static_cast<uint32_t>(GetSystemMetrics(SM_CYSCREEN));
  return s;
}

bool Win32Desktop::IsKeyPressed(uint32_t vk) {
  int key = static_cast<int>(vk & 0xFF);
  if (key == VK_CAPITAL || key == VK_NUMLOCK || key == VK_SCROLL) return (GetKeyState(key) & 1) != 0;
  if (key == VK_LBUTTON || key == VK_RBUTTON) return (GetAsyncKeyState(key) & 0x8000) != 0;
  return (GetKeyState(key) & 0x8000) != 0;
}

bool Win32Desktop::KeyPressedAsync(uint32_t vk) { return GetAsyncKeyState(static_cast<int>(vk & 0xFF)) != 0; }

OsError Win32Desktop::ReleaseKey(uint32_t key, bool extended) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = static_cast<WORD>(key);
  in.ki.dwFlags = KEYEVENTF_KEYUP | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
  return SendOneInput(in);
}

OsError Win32Desktop::PressKey(uint32_t key, bool extended) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = static_cast<WORD>(key);
  in.ki.dwFlags = extended ? KEYEVENTF_EXTENDEDKEY : 0;
  return SendOneInput(in);
}

OsError Win32Desktop::ReleaseLeftButton() {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = MOUSEEVENTF_LEFTUP;
  return SendOneInput(in);
}

uint32_t Win32Desktop::WalkWindows(uint32_t handle, WindowStep step) {
  switch (step) {
    case WindowStep::kTop: return FromHwnd(GetTopWindow(nullptr));
    case WindowStep::kNext: return handle ? FromHwnd(GetWindow(ToHwnd(handle), GW_HWNDNEXT)) : 0;
    case WindowStep::kFirstChild: return handle ? FromHwnd(GetWindow(ToHwnd(handle), GW_CHILD)) : 0;
    case WindowStep::kParent: return handle ? FromHwnd(GetParent(ToHwnd(handle))) : 0;
    case WindowStep::kOwner: return handle ? FromHwnd(GetWindow(ToHwnd(handle), GW_OWNER)) : 0;
  }
  return 0;
}

bool Win32Desktop::IsFramedTopLevel(uint32_t handle) {
  HWND h = ToHwnd(handle);
  if (handle == 0 || !::IsWindowVisible(h) || GetParent(h) != nullptr) return false;
  const LONG_PTR style = GetWindowLongPtrA(h, GWL_STYLE);
  return (style & (WS_DLGFRAME | WS_THICKFRAME)) != 0;
}

std::optional<WindowFacts> Win32Desktop::Facts(uint32_t handle) {
  HWND h = ToHwnd(handle);
  if (handle == 0 || !::IsWindow(h)) return std::nullopt;
  WindowFacts f;
  char buf[512] = {};
  ::GetWindowTextA(h, buf, sizeof(buf));
  f.title = buf;
  char cls[256] = {};
  ::GetClassNameA(h, cls, sizeof(cls));
  f.className = cls;
  f.controlId = static_cast<uint32_t>(GetWindowLongPtrA(h, GWLP_ID));
  f.userData = static_cast<ULONG_PTR>(GetWindowLongPtrA(h, GWLP_USERDATA));
  RECT r = {};
  if (::GetWindowRect(h, &r)) {
    f.left = r.left;
    f.top = r.top;
    f.width = r.right - r.left;
    f.height = r.bottom - r.top;
  }
  return f;
}

ScreenPoint Win32Desktop::CursorPosition() {
  POINT p = {};
  if (!GetCursorPos(&p)) return {};
  return {p.x, p.y};
}

std::vector<MonitorArea> Win32Desktop::Monitors() {
  std::vector<MonitorArea> out;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&out));
  return out;
}

}  // namespace plumo
