#include "studio/tracking_window.h"

namespace plumo {
namespace {

constexpr UINT_PTR kHideTimer = 1;

int LineHeight(HFONT font) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICA tm = {};
  GetTextMetricsA(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return tm.tmHeight;
}

}  // namespace

bool TrackingWindow::Open(HINSTANCE instance, SettingsStore& store, HFONT font) {
  Close();
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &TrackingWindow::Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.lpszClassName = kTrackingClass;
  if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  look_ = ReadTrackingLook(store, GetSystemMetrics(SM_CXSCREEN));
  font_ = font;
  fill_ = CreateSolidBrush(look_.fill);
  // Not owned by the studio: it stays in sight while the studio is minimised.
  hwnd_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED | WS_EX_NOACTIVATE, kTrackingClass,
                          kTrackingTitle, WS_POPUP | WS_BORDER, look_.x, look_.y, look_.width,
                          TrackingHeight(LineHeight(font)), nullptr, nullptr, instance, this);
  if (!hwnd_) return false;
  SetLayeredWindowAttributes(hwnd_, 0, static_cast<BYTE>(look_.alphaPercent * 255 / 100), LWA_ALPHA);
  text_.clear();
  return true;
}

void TrackingWindow::Close() {
  if (hwnd_) {
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
  }
  if (fill_) {
    DeleteObject(fill_);
    fill_ = nullptr;
  }
}

void TrackingWindow::SetText(const std::string& twoLines) {
  if (!hwnd_) return;
  text_ = twoLines;
  if (!IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
  InvalidateRect(hwnd_, nullptr, TRUE);
  UpdateWindow(hwnd_);
  if (look_.timeoutMs) SetTimer(hwnd_, kHideTimer, look_.timeoutMs, nullptr);
}

void TrackingWindow::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  RECT r;
  GetClientRect(hwnd_, &r);
  FillRect(dc, &r, fill_);
  HGDIOBJ old = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  InflateRect(&r, -5, -5);
  const size_t lf = text_.find('\n');
  const int half = (r.bottom - r.top) / 2;
  RECT first = {r.left, r.top, r.right, r.top + half};
  RECT second = {r.left, r.top + half, r.right, r.bottom};
  const std::string one = text_.substr(0, lf);
  const std::string two = lf == std::string::npos ? "" : text_.substr(lf + 1);
  const UINT flags = DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | DT_VCENTER;
  DrawTextA(dc, one.c_str(), static_cast<int>(one.size()), &first, flags);
  DrawTextA(dc, two.c_str(), static_cast<int>(two.size()), &second, flags);
  SelectObject(dc, old);
  EndPaint(hwnd_, &ps);
}

LRESULT CALLBACK TrackingWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE)
    SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
  auto* self = reinterpret_cast<TrackingWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self || self->hwnd_ != hwnd) return DefWindowProcA(hwnd, msg, wp, lp);
  switch (msg) {
    case WM_PAINT:
      self->Paint();
      return 0;
    case WM_ERASEBKGND: return 1;
    case WM_TIMER:
      KillTimer(hwnd, kHideTimer);
      ShowWindow(hwnd, SW_HIDE);
      return 0;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace plumo
