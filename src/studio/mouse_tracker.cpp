#include "studio/mouse_tracker.h"


#include "actions/desktop/colour_text.h"
#include "studio/window_picker.h"

namespace plumo {
namespace {

constexpr UINT_PTR kTimer = 1;
constexpr UINT kEveryMs = 50;
constexpr int kHotKey = 1;
constexpr int kWidth = 300, kHeight = 96;  // client area at 96 DPI

}  // namespace

bool MouseTracker::Start(HFONT font) {
  if (hwnd_) return true;
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExA(instance_, kClass, &wc)) {
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClass;
    if (!RegisterClassExA(&wc)) return false;
  }
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  RECT frame = {0, 0, MulDiv(kWidth, dpi, 96), MulDiv(kHeight, dpi, 96)};
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU, exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  // In a corner of the work area, out of the way of what is pointed at.
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;
  hwnd_ = CreateWindowExA(exStyle, kClass, "Track Mouse (F11 ends)", style, work.right - w - 8, work.bottom - h - 8, w, h,
                          nullptr, nullptr, instance_, this);
  if (!hwnd_) return false;
  const int margin = MulDiv(8, dpi, 96);
  text_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, margin, margin,
                          MulDiv(kWidth, dpi, 96) - 2 * margin, MulDiv(kHeight, dpi, 96) - 2 * margin, hwnd_, nullptr,
                          instance_, nullptr);
  SendMessageA(text_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  // F11 must end it from whatever program has the keyboard; when another program holds F11,
  // the studio's own F11 still does.
  hotKey_ = RegisterHotKey(hwnd_, kHotKey, 0, VK_F11) != 0;
  Update();
  ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
  SetTimer(hwnd_, kTimer, kEveryMs, nullptr);
  return true;
}

std::string MouseTracker::Stop() {
  if (hwnd_) {
    GetCursorPos(&at_);
    if (hotKey_) UnregisterHotKey(hwnd_, kHotKey);
    KillTimer(hwnd_, kTimer);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    hwnd_ = text_ = nullptr;
    hotKey_ = false;
    shown_.clear();
  }
  return std::to_string(at_.x) + ", " + std::to_string(at_.y);
}

void MouseTracker::Update() {
  GetCursorPos(&at_);
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, at_.x, at_.y);
  ReleaseDC(nullptr, screen);
  std::string line = "Screen: " + std::to_string(at_.x) + ", " + std::to_string(at_.y);
  HWND under = WindowFromPoint(at_);
  if (HWND top = under ? GetAncestor(under, GA_ROOT) : nullptr; top && top != hwnd_) {
    RECT r;
    GetWindowRect(top, &r);
    line += "    Window: " + std::to_string(at_.x - r.left) + ", " + std::to_string(at_.y - r.top);
  }
  line += "\r\nColour: " + (colour == CLR_INVALID ? std::string("(unreadable)") : ColorText(colour));
  if (under && GetAncestor(under, GA_ROOT) != hwnd_) line += "\r\n" + WindowLine(under);
  // A static control repaints whenever its text is set.
  if (line == shown_) return;
  shown_ = std::move(line);
  SetWindowTextA(text_, shown_.c_str());
}

LRESULT CALLBACK MouseTracker::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE)
    SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
  auto* self = reinterpret_cast<MouseTracker*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  switch (msg) {
    case WM_TIMER:
      self->Update();
      return 0;
    case WM_HOTKEY:
    case WM_CLOSE:
      // The studio ends it, as it does for its own F11, and keeps the position.
      PostMessageA(self->owner_, WM_COMMAND, self->stop_, 0);
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

}  // namespace plumo
