#include "studio/window_picker.h"

#include <windowsx.h>

namespace plumo {
namespace {

constexpr char kPickerClass[] = "PlumoWindowPicker";
constexpr char kPrompt[] = "Press the mouse button on the cross-hair, drag it over a window and let go.";

struct Picker {
  HWND hwnd = nullptr;
  HWND text = nullptr;
  RECT target = {};
  bool dragging = false;
  bool done = false;
  std::optional<PickedWindow> picked;
};

std::string TextOf(HWND hwnd, bool className) {
  char buf[256] = {};
  if (className) GetClassNameA(hwnd, buf, sizeof(buf));
  else GetWindowTextA(hwnd, buf, sizeof(buf));
  return buf;
}

// The window under the cursor, not counting the picker itself.
HWND UnderCursor(const Picker& p) {
  POINT at;
  GetCursorPos(&at);
  HWND hwnd = WindowFromPoint(at);
  if (!hwnd || GetAncestor(hwnd, GA_ROOT) == p.hwnd) return nullptr;
  return hwnd;
}

PickedWindow Describe(HWND hwnd) {
  PickedWindow w;
  w.title = TextOf(hwnd, false);
  w.className = TextOf(hwnd, true);
  if (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD) w.id = GetDlgCtrlID(hwnd);
  return w;
}

LRESULT CALLBACK PickerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* p = reinterpret_cast<Picker*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!p) return DefWindowProcA(hwnd, msg, wp, lp);
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      DrawEdge(dc, &p->target, EDGE_SUNKEN, BF_RECT | BF_MIDDLE);
      if (!p->dragging) {
        const int size = GetSystemMetrics(SM_CXCURSOR);
        DrawIconEx(dc, (p->target.left + p->target.right - size) / 2, (p->target.top + p->target.bottom - size) / 2,
                   LoadCursor(nullptr, IDC_CROSS), size, size, 0, nullptr, DI_NORMAL);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN: {
      const POINT at = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      if (!PtInRect(&p->target, at)) break;
      p->dragging = true;
      SetCapture(hwnd);
      SetCursor(LoadCursor(nullptr, IDC_CROSS));
      InvalidateRect(hwnd, &p->target, TRUE);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (p->dragging) {
        HWND under = UnderCursor(*p);
        const PickedWindow w = under ? Describe(under) : PickedWindow{};
        const std::string line = under ? "\"" + w.title + "\"  class " + w.className + (w.id ? "  ID " + std::to_string(w.id) : "")
                                       : std::string(kPrompt);
        SetWindowTextA(p->text, line.c_str());
      }
      return 0;
    case WM_LBUTTONUP:
      if (p->dragging) {
        HWND under = UnderCursor(*p);
        ReleaseCapture();
        if (under) p->picked = Describe(under);
        p->done = true;
      }
      return 0;
    case WM_CAPTURECHANGED:
      p->dragging = false;
      InvalidateRect(hwnd, &p->target, TRUE);
      return 0;
    case WM_KEYDOWN:
      if (wp == VK_ESCAPE) p->done = true;
      return 0;
    case WM_CLOSE:
      p->done = true;
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

std::optional<PickedWindow> PickWindow(HINSTANCE instance, HWND owner, HFONT font) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExA(instance, kPickerClass, &wc)) {
    wc.lpfnWndProc = PickerProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kPickerClass;
    if (!RegisterClassExA(&wc)) return std::nullopt;
  }
  const int dpi = [] {
    HDC dc = GetDC(nullptr);
    const int d = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return d;
  }();
  auto scale = [dpi](int v) { return MulDiv(v, dpi, 96); };
  RECT frame = {0, 0, scale(380), scale(96)};
  AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  RECT ownerRect;
  GetWindowRect(owner, &ownerRect);
  Picker p;
  p.hwnd = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kPickerClass, "Pick a Window",
                           WS_POPUP | WS_CAPTION | WS_SYSMENU, ownerRect.left + scale(60), ownerRect.top + scale(60),
                           frame.right - frame.left, frame.bottom - frame.top, owner, nullptr, instance, nullptr);
  if (!p.hwnd) return std::nullopt;
  SetWindowLongPtrA(p.hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&p));
  p.target = {scale(10), scale(10), scale(10) + scale(48), scale(10) + scale(48)};
  p.text = CreateWindowExA(0, "STATIC", kPrompt, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, scale(70), scale(10),
                           scale(300), scale(76), p.hwnd, nullptr, instance, nullptr);
  SendMessageA(p.text, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  EnableWindow(owner, FALSE);
  ShowWindow(p.hwnd, SW_SHOW);
  SetForegroundWindow(p.hwnd);
  MSG msg = {};
  BOOL got = 1;
  while (!p.done && (got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  // The program's end is not ours to swallow.
  if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
  EnableWindow(owner, TRUE);
  SetWindowLongPtrA(p.hwnd, GWLP_USERDATA, 0);
  DestroyWindow(p.hwnd);
  SetForegroundWindow(owner);
  return p.picked;
}

}  // namespace plumo
