#include "studio/window_picker.h"

#include <commdlg.h>
#include <windowsx.h>

#include <string>

#include "actions/desktop/colour_text.h"

namespace plumo {
namespace {

constexpr char kPickerClass[] = "PlumoWindowPicker";
constexpr char kFrameClass[] = "PlumoPickerFrame";
constexpr char kWindowPrompt[] = "Press the mouse button on the cross-hair, drag it over a window and let go.";
constexpr char kPixelPrompt[] = "Press the mouse button on the cross-hair, drag it onto a pixel and let go.";
constexpr int kColoursButton = 10;
constexpr int kZoomPixels = 11;  // the square shown magnified around the cursor; odd, so it has a middle
constexpr int kZoomScale = 7;
// While dragging, what is under a still cross-hair is looked at again this often: the screen
// changes under it, and a late mouse message must not leave an old answer on show.
constexpr UINT kTrackMs = 50;
constexpr UINT_PTR kTrackTimer = 1;

enum class Mode { kWindow, kPixel };

struct Picker {
  Mode mode = Mode::kWindow;
  HWND hwnd = nullptr;
  HWND text = nullptr;
  HWND frame[4] = {};  // the edges drawn around the window under the cross-hair
  RECT target = {}, zoom = {}, swatch = {};
  int dpi = 96;
  bool dragging = false;
  bool done = false;
  POINT at = {};
  HWND under = nullptr;
  std::string shown;  // the text line's
  COLORREF colour = 0;
  COLORREF initial = 0;
  COLORREF* customColours = nullptr;
  std::optional<PickedWindow> window;
  std::optional<PickedPixel> pixel;

  int Scale(int v) const { return MulDiv(v, dpi, 96); }
};

std::string TextOf(HWND hwnd, bool className) {
  char buf[256] = {};
  if (className) GetClassNameA(hwnd, buf, sizeof(buf));
  else GetWindowTextA(hwnd, buf, sizeof(buf));
  return buf;
}

bool IsFrame(const Picker& p, HWND hwnd) {
  for (HWND f : p.frame)
    if (f == hwnd) return true;
  return false;
}

// The window under the cursor, not counting the picker: a disabled control too, which
// WindowFromPoint passes over for its parent.
HWND UnderCursor(const Picker& p) {
  HWND hwnd = WindowFromPoint(p.at);
  if (IsFrame(p, hwnd)) return p.under;
  if (!hwnd || GetAncestor(hwnd, GA_ROOT) == p.hwnd) return nullptr;
  for (;;) {
    POINT inside = p.at;
    ScreenToClient(hwnd, &inside);
    HWND child = ChildWindowFromPointEx(hwnd, inside, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    if (!child || child == hwnd) return hwnd;
    hwnd = child;
  }
}

void ShowFrame(Picker& p) {
  RECT r;
  if (!p.under || !GetWindowRect(p.under, &r)) {
    for (HWND f : p.frame) ShowWindow(f, SW_HIDE);
    return;
  }
  const int t = p.Scale(3), w = r.right - r.left, h = r.bottom - r.top;
  const RECT edges[4] = {{r.left, r.top, w, t}, {r.left, r.bottom - t, w, t}, {r.left, r.top, t, h}, {r.right - t, r.top, t, h}};
  for (int i = 0; i < 4; ++i)
    SetWindowPos(p.frame[i], HWND_TOPMOST, edges[i].left, edges[i].top, edges[i].right, edges[i].bottom,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

std::string Describe(const Picker& p) {
  if (p.mode == Mode::kPixel) {
    return ColorText(p.colour) + "  at " + std::to_string(p.at.x) + ", " + std::to_string(p.at.y);
  }
  return p.under ? WindowLine(p.under) : kWindowPrompt;
}

void Track(Picker& p) {
  GetCursorPos(&p.at);
  if (p.mode == Mode::kPixel) {
    HDC screen = GetDC(nullptr);
    p.colour = GetPixel(screen, p.at.x, p.at.y) & 0xFFFFFF;
    ReleaseDC(nullptr, screen);
    InvalidateRect(p.hwnd, &p.zoom, FALSE);
    InvalidateRect(p.hwnd, &p.swatch, FALSE);
  } else {
    HWND under = UnderCursor(p);
    if (under != p.under) {
      p.under = under;
      ShowFrame(p);
    }
  }
  // A static control repaints whenever its text is set.
  if (std::string line = Describe(p); line != p.shown) {
    p.shown = std::move(line);
    SetWindowTextA(p.text, p.shown.c_str());
  }
}

void Paint(Picker& p, HDC dc) {
  DrawEdge(dc, &p.target, EDGE_SUNKEN, BF_RECT | BF_MIDDLE);
  if (!p.dragging) {
    const int size = GetSystemMetrics(SM_CXCURSOR);
    DrawIconEx(dc, (p.target.left + p.target.right - size) / 2, (p.target.top + p.target.bottom - size) / 2,
               LoadCursor(nullptr, IDC_CROSS), size, size, 0, nullptr, DI_NORMAL);
  }
  if (p.mode != Mode::kPixel) return;
  RECT inner = p.zoom;
  DrawEdge(dc, &inner, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  if (p.dragging) {
    HDC screen = GetDC(nullptr);
    StretchBlt(dc, inner.left, inner.top, inner.right - inner.left, inner.bottom - inner.top, screen,
               p.at.x - kZoomPixels / 2, p.at.y - kZoomPixels / 2, kZoomPixels, kZoomPixels, SRCCOPY);
    ReleaseDC(nullptr, screen);
    // The pixel taken, outlined in black and white so that it shows on any colour.
    const int cell = (inner.right - inner.left) / kZoomPixels;
    RECT middle = {inner.left + cell * (kZoomPixels / 2), inner.top + cell * (kZoomPixels / 2), 0, 0};
    middle.right = middle.left + cell;
    middle.bottom = middle.top + cell;
    FrameRect(dc, &middle, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    InflateRect(&middle, -1, -1);
    FrameRect(dc, &middle, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  } else {
    FillRect(dc, &inner, GetSysColorBrush(COLOR_WINDOW));
  }
  RECT swatch = p.swatch;
  DrawEdge(dc, &swatch, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  HBRUSH fill = CreateSolidBrush(p.dragging ? p.colour : GetSysColor(COLOR_BTNFACE));
  FillRect(dc, &swatch, fill);
  DeleteObject(fill);
}

LRESULT CALLBACK PickerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* p = reinterpret_cast<Picker*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!p) return DefWindowProcA(hwnd, msg, wp, lp);
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      Paint(*p, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN: {
      const POINT at = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      if (!PtInRect(&p->target, at)) break;
      p->dragging = true;
      SetCapture(hwnd);
      SetTimer(hwnd, kTrackTimer, kTrackMs, nullptr);
      SetCursor(LoadCursor(nullptr, IDC_CROSS));
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case WM_MOUSEMOVE:
    case WM_TIMER:
      if (p->dragging) Track(*p);
      return 0;
    case WM_LBUTTONUP:
      if (p->dragging) {
        Track(*p);
        if (p->mode == Mode::kPixel) p->pixel = PickedPixel{p->colour, p->at};
        else if (p->under) p->window = PickedWindow{p->under, p->at};
        p->done = true;
        ReleaseCapture();
      }
      return 0;
    case WM_CAPTURECHANGED:
      KillTimer(hwnd, kTrackTimer);
      p->dragging = false;
      p->under = nullptr;
      ShowFrame(*p);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == kColoursButton) {
        CHOOSECOLORA cc = {};
        cc.lStructSize = sizeof(cc);
        cc.hwndOwner = hwnd;
        cc.rgbResult = p->initial;
        cc.lpCustColors = p->customColours;
        cc.Flags = CC_FULLOPEN | CC_RGBINIT;
        if (ChooseColorA(&cc)) {
          p->pixel = PickedPixel{cc.rgbResult & 0xFFFFFF, std::nullopt};
          p->done = true;
        }
      }
      return 0;
    case WM_CLOSE:
      p->done = true;
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

bool RegisterClasses(HINSTANCE instance) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExA(instance, kPickerClass, &wc)) {
    wc.lpfnWndProc = PickerProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kPickerClass;
    if (!RegisterClassExA(&wc)) return false;
  }
  wc = {};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExA(instance, kFrameClass, &wc)) {
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1);
    wc.lpszClassName = kFrameClass;
    if (!RegisterClassExA(&wc)) return false;
  }
  return true;
}

// Shows the picker over `owner` and runs it until it is done.
void Run(Picker& p, HINSTANCE instance, HWND owner, HFONT font) {
  if (!RegisterClasses(instance)) return;
  HDC screen = GetDC(nullptr);
  p.dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  const bool pixel = p.mode == Mode::kPixel;
  RECT frame = {0, 0, p.Scale(400), p.Scale(pixel ? 97 : 76)};
  AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  RECT ownerRect;
  GetWindowRect(owner, &ownerRect);
  p.hwnd = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kPickerClass, pixel ? "Pick a Pixel" : "Pick a Window",
                           WS_POPUP | WS_CAPTION | WS_SYSMENU, ownerRect.left + p.Scale(60), ownerRect.top + p.Scale(60),
                           frame.right - frame.left, frame.bottom - frame.top, owner, nullptr, instance, nullptr);
  if (!p.hwnd) return;
  SetWindowLongPtrA(p.hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&p));
  p.target = {p.Scale(10), p.Scale(10), p.Scale(58), p.Scale(58)};
  const int zoomSide = p.Scale(kZoomScale) * kZoomPixels + 4;  // whole cells inside a 2-pixel edge
  p.zoom = {p.Scale(68), p.Scale(10), p.Scale(68) + zoomSide, p.Scale(10) + zoomSide};
  const int textLeft = pixel ? p.zoom.right + p.Scale(10) : p.Scale(70);
  p.swatch = {textLeft, p.Scale(63), textLeft + p.Scale(24), p.Scale(87)};
  p.text = CreateWindowExA(0, "STATIC", pixel ? kPixelPrompt : kWindowPrompt, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                           textLeft, p.Scale(10), p.Scale(390) - textLeft, p.Scale(48), p.hwnd, nullptr, instance, nullptr);
  SendMessageA(p.text, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (pixel) {
    HWND button = CreateWindowExA(0, "BUTTON", "&Colors...", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                                  p.Scale(310), p.Scale(63), p.Scale(80), p.Scale(24), p.hwnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kColoursButton)), instance, nullptr);
    SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  } else {
    for (HWND& f : p.frame)
      f = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kFrameClass, "", WS_POPUP | WS_DISABLED,
                          0, 0, 0, 0, p.hwnd, nullptr, instance, nullptr);
  }
  EnableWindow(owner, FALSE);
  ShowWindow(p.hwnd, SW_SHOW);
  SetForegroundWindow(p.hwnd);
  MSG msg = {};
  BOOL got = 1;
  while (!p.done && (got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
    // Escape cancels whichever part of the picker has the focus.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
      p.done = true;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  // The program's end is not ours to swallow.
  if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
  EnableWindow(owner, TRUE);
  SetWindowLongPtrA(p.hwnd, GWLP_USERDATA, 0);
  DestroyWindow(p.hwnd);  // the frames with it: the picker owns them
  SetForegroundWindow(owner);
}

}  // namespace

std::string WindowLine(HWND window) {
  std::string line = "\"" + TextOf(window, false) + "\"\r\nClass: " + TextOf(window, true);
  if (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) line += "    ID: " + std::to_string(GetDlgCtrlID(window));
  return line;
}

std::optional<PickedWindow> PickWindow(HINSTANCE instance, HWND owner, HFONT font) {
  Picker p;
  Run(p, instance, owner, font);
  return p.window;
}

std::optional<PickedPixel> PickPixel(HINSTANCE instance, HWND owner, HFONT font, COLORREF initial,
                                     COLORREF* customColours) {
  Picker p;
  p.mode = Mode::kPixel;
  p.initial = initial;
  p.customColours = customColours;
  Run(p, instance, owner, font);
  return p.pixel;
}

}  // namespace plumo
