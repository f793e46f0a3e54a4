#include "studio/dock.h"

#include <windowsx.h>

#include <algorithm>
#include <string>
#include <vector>

namespace plumo {
namespace {

constexpr char kDockClass[] = "PlumoDock";
// Across each side's dock at 96 DPI, until the user drags it.
constexpr int kDefaultSizes[3] = {220, 270, 150};
constexpr const char* kSizeSettings[3] = {"*\\Palettes\\Docks\\Left", "*\\Palettes\\Docks\\Right",
                                          "*\\Palettes\\Docks\\Bottom"};
constexpr char kBorderSetting[] = "*\\Palettes\\Border";
constexpr int kDefaultWeight = 100;
constexpr int kMinWeight = 10;

std::string PaletteSetting(const PaletteInfo& def, const char* name) {
  return std::string("*\\Palettes\\") + def.key + "\\" + name;
}

bool Vertical(DockSide side) { return side != DockSide::kBottom; }

bool Inside(const RECT& r, POINT p) { return PtInRect(&r, p) != FALSE; }

}  // namespace

const PaletteInfo& PaletteOf(PaletteId id) { return kPalettes[static_cast<size_t>(id)]; }

bool DockHost::Create(HINSTANCE instance, HWND frame, int firstId, int dpi, HFONT captionFont,
                      std::function<void()> changed) {
  frame_ = frame;
  dpi_ = dpi;
  font_ = captionFont;
  changed_ = std::move(changed);
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExA(instance, kDockClass, &wc)) {
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kDockClass;
    if (!RegisterClassExA(&wc)) return false;
  }
  ReadSettings();
  for (int s = 0; s < 3; ++s) {
    docks_[s].hwnd = CreateWindowExA(0, kDockClass, "", WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0, frame,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(firstId + s)), instance, nullptr);
    if (!docks_[s].hwnd) return false;
    SetWindowLongPtrA(docks_[s].hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  return true;
}

void DockHost::ReadSettings() {
  for (size_t s = 0; s < 3; ++s) {
    const int size = store_.ReadNumber(kSizeSettings[s]);
    docks_[s].size = size > 0 ? size : kDefaultSizes[s];
  }
  border_ = store_.Probe(kBorderSetting) ? std::clamp(store_.ReadNumber(kBorderSetting), 0, kMaxBorder) : kDefaultBorder;
  for (const PaletteInfo& def : kPalettes) {
    Palette& p = palettes_[Index(def.id)];
    const std::string show = PaletteSetting(def, "Show");
    p.shown = store_.Probe(show) == 0 || store_.ReadNumber(show) != 0;
    const int weight = store_.ReadNumber(PaletteSetting(def, "Weight"));
    p.weight = weight >= kMinWeight ? weight : kDefaultWeight;
  }
}

void DockHost::Add(PaletteId id, HWND content) {
  Palette& p = palettes_[Index(id)];
  p.content = content;
  SetParent(content, DockWindow(PaletteOf(id).side));
  ShowWindow(content, p.shown ? SW_SHOW : SW_HIDE);
}

bool DockHost::Shown(PaletteId id) const {
  const Palette& p = palettes_[Index(id)];
  return p.content && p.shown;
}

void DockHost::Show(PaletteId id, bool shown) {
  palettes_[Index(id)].shown = shown;
  store_.WriteNumber(PaletteSetting(PaletteOf(id), "Show"), shown ? 1 : 0);
}

void DockHost::SetBorder(int pixels) {
  border_ = std::clamp(pixels, 0, kMaxBorder);
  store_.WriteNumber(kBorderSetting, border_);
}

void DockHost::Reset() {
  for (const char* setting : kSizeSettings) store_.Delete(setting);
  store_.Delete(kBorderSetting);
  for (const PaletteInfo& def : kPalettes) {
    store_.Delete(PaletteSetting(def, "Show"));
    store_.Delete(PaletteSetting(def, "Weight"));
  }
  ReadSettings();
}

bool DockHost::DockShown(DockSide side) const {
  for (const PaletteInfo& def : kPalettes)
    if (def.side == side && Shown(def.id)) return true;
  return false;
}

int DockHost::CaptionHeight() const {
  int text = Scale(13);
  if (HDC dc = GetDC(frame_)) {
    HGDIOBJ old = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICA tm;
    if (GetTextMetricsA(dc, &tm)) text = tm.tmHeight;
    SelectObject(dc, old);
    ReleaseDC(frame_, dc);
  }
  return text + Scale(6);
}

RECT DockHost::Place(RECT area) {
  frameArea_ = area;
  RECT centre = area;
  const int width = area.right - area.left, height = area.bottom - area.top;
  auto across = [&](DockSide side, int room) {
    const int wanted = Scale(docks_[static_cast<size_t>(side)].size);
    const int most = std::max(0, room * 45 / 100);
    return std::clamp(wanted, std::min(Scale(60), most), most);
  };
  HDWP batch = BeginDeferWindowPos(3);
  auto put = [&](DockSide side, int x, int y, int w, int h) {
    HWND dock = DockWindow(side);
    const bool shown = DockShown(side) && w > 0 && h > 0;
    batch = DeferWindowPos(batch, dock, nullptr, x, y, std::max(0, w), std::max(0, h),
                           SWP_NOZORDER | SWP_NOACTIVATE | (shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  };
  if (DockShown(DockSide::kLeft)) {
    const int w = across(DockSide::kLeft, width);
    put(DockSide::kLeft, area.left, area.top, w, height);
    centre.left += w;
  } else {
    put(DockSide::kLeft, 0, 0, 0, 0);
  }
  if (DockShown(DockSide::kRight)) {
    const int w = across(DockSide::kRight, centre.right - centre.left);
    put(DockSide::kRight, area.right - w, area.top, w, height);
    centre.right -= w;
  } else {
    put(DockSide::kRight, 0, 0, 0, 0);
  }
  if (DockShown(DockSide::kBottom)) {
    const int h = across(DockSide::kBottom, height);
    put(DockSide::kBottom, centre.left, area.bottom - h, centre.right - centre.left, h);
    centre.bottom -= h;
  } else {
    put(DockSide::kBottom, 0, 0, 0, 0);
  }
  EndDeferWindowPos(batch);
  for (DockSide side : {DockSide::kLeft, DockSide::kRight, DockSide::kBottom}) Arrange(side);
  return centre;
}

RECT DockHost::Grip(DockSide side) const {
  RECT r;
  GetClientRect(DockWindow(side), &r);
  const int grip = std::max(border_, Scale(4));
  switch (side) {
    case DockSide::kLeft:
      r.left = r.right - grip;
      break;
    case DockSide::kRight:
      r.right = r.left + grip;
      break;
    case DockSide::kBottom:
      r.bottom = r.top + grip;
      break;
  }
  return r;
}

void DockHost::Arrange(DockSide side) {
  HWND dock = DockWindow(side);
  RECT inner;
  GetClientRect(dock, &inner);
  const RECT grip = Grip(side);
  if (side == DockSide::kLeft) inner.right = grip.left;
  if (side == DockSide::kRight) inner.left = grip.right;
  if (side == DockSide::kBottom) inner.top = grip.bottom;
  if (side != DockSide::kLeft) inner.right -= border_;
  if (side != DockSide::kRight) inner.left += border_;
  if (side == DockSide::kBottom) inner.bottom -= border_;
  std::vector<const PaletteInfo*> shown;
  int weights = 0;
  for (const PaletteInfo& def : kPalettes) {
    if (def.side != side) continue;
    if (!Shown(def.id)) {
      if (HWND content = Content(def.id)) ShowWindow(content, SW_HIDE);
      captions_[Index(def.id)] = RECT{};
      continue;
    }
    shown.push_back(&def);
    weights += palettes_[Index(def.id)].weight;
  }
  if (shown.empty()) return;
  const bool vertical = Vertical(side);
  const int start = vertical ? inner.top : inner.left;
  const int length = std::max<int>(0, (vertical ? inner.bottom - inner.top : inner.right - inner.left) -
                                          border_ * static_cast<int>(shown.size() - 1));
  const int caption = CaptionHeight();
  int at = start, given = 0;
  for (size_t i = 0; i < shown.size(); ++i) {
    const PaletteInfo& def = *shown[i];
    const int weight = palettes_[Index(def.id)].weight;
    const int slot = i + 1 == shown.size() ? length - given : length * weight / std::max(1, weights);
    given += slot;
    RECT r = vertical ? RECT{inner.left, at, inner.right, at + slot} : RECT{at, inner.top, at + slot, inner.bottom};
    at += slot + border_;
    RECT cap = r;
    cap.bottom = std::min(r.bottom, r.top + caption);
    captions_[Index(def.id)] = cap;
    HWND content = Content(def.id);
    SetWindowPos(content, nullptr, r.left, cap.bottom, r.right - r.left, std::max<int>(0, r.bottom - cap.bottom),
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }
  InvalidateRect(dock, nullptr, TRUE);
}

RECT DockHost::CaptionRect(PaletteId id) const { return captions_[Index(id)]; }

RECT DockHost::CloseBox(PaletteId id) const {
  RECT cap = CaptionRect(id);
  const int box = cap.bottom - cap.top;
  return RECT{cap.right - box, cap.top, cap.right, cap.bottom};
}

const PaletteInfo* DockHost::GapAt(DockSide side, POINT point) const {
  const PaletteInfo* before = nullptr;
  for (const PaletteInfo& def : kPalettes) {
    if (def.side != side || !Shown(def.id)) continue;
    const RECT cap = CaptionRect(def.id);
    if (before) {
      // The gap ends where this palette's caption starts.
      const bool hit = Vertical(side) ? point.y < cap.top && point.y >= cap.top - std::max(border_, 3)
                                      : point.x < cap.left && point.x >= cap.left - std::max(border_, 3);
      if (hit) return before;
    }
    before = &def;
  }
  return nullptr;
}

void DockHost::Paint(DockSide side, HDC dc) {
  HGDIOBJ oldFont = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  HPEN glyph = CreatePen(PS_SOLID, std::max(1, Scale(1)), GetSysColor(COLOR_BTNTEXT));
  HGDIOBJ oldPen = SelectObject(dc, shadow);
  for (const PaletteInfo& def : kPalettes) {
    if (def.side != side || !Shown(def.id)) continue;
    RECT cap = CaptionRect(def.id);
    FillRect(dc, &cap, GetSysColorBrush(COLOR_INACTIVECAPTION));
    MoveToEx(dc, cap.left, cap.bottom - 1, nullptr);
    LineTo(dc, cap.right, cap.bottom - 1);
    RECT text = cap;
    text.left += Scale(6);
    text.right = CloseBox(def.id).left;
    SetTextColor(dc, GetSysColor(COLOR_INACTIVECAPTIONTEXT));
    DrawTextA(dc, def.title, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    // The close box: a small cross.
    RECT box = CloseBox(def.id);
    const int pad = (box.bottom - box.top) * 3 / 10;
    InflateRect(&box, -pad, -pad);
    SelectObject(dc, glyph);
    MoveToEx(dc, box.left, box.top, nullptr);
    LineTo(dc, box.right, box.bottom);
    MoveToEx(dc, box.right - 1, box.top, nullptr);
    LineTo(dc, box.left - 1, box.bottom);
    SelectObject(dc, shadow);
  }
  SelectObject(dc, oldPen);
  SelectObject(dc, oldFont);
  DeleteObject(glyph);
  DeleteObject(shadow);
}

LRESULT CALLBACK DockHost::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<DockHost*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  for (int s = 0; s < 3; ++s)
    if (self->docks_[s].hwnd == hwnd) return self->Handle(static_cast<DockSide>(s), hwnd, msg, wp, lp);
  return DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT DockHost::Handle(DockSide side, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  const POINT point = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      Paint(side, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_SETCURSOR: {
      if (LOWORD(lp) != HTCLIENT || reinterpret_cast<HWND>(wp) != hwnd) break;
      POINT p;
      GetCursorPos(&p);
      ScreenToClient(hwnd, &p);
      const RECT grip = Grip(side);
      const bool across = Inside(grip, p) ? Vertical(side) : !Vertical(side);
      if (Inside(grip, p) || GapAt(side, p)) {
        SetCursor(LoadCursor(nullptr, across ? IDC_SIZEWE : IDC_SIZENS));
        return TRUE;
      }
      break;
    }
    case WM_LBUTTONDOWN: {
      for (const PaletteInfo& def : kPalettes) {
        if (def.side != side || !Shown(def.id)) continue;
        const RECT box = CloseBox(def.id);
        if (Inside(box, point)) {
          Show(def.id, false);
          if (changed_) changed_();
          return 0;
        }
      }
      GetCursorPos(&dragFrom_);
      if (Inside(Grip(side), point)) {
        drag_ = Drag::kEdge;
        dragStart_ = Scale(docks_[static_cast<size_t>(side)].size);
      } else if (const PaletteInfo* gap = GapAt(side, point)) {
        drag_ = Drag::kGap;
        dragGap_ = gap;
        // The palette after the gap is the next shown one of the side.
        const PaletteInfo* next = nullptr;
        bool after = false;
        for (const PaletteInfo& def : kPalettes) {
          if (def.side != side || !Shown(def.id)) continue;
          if (after) {
            next = &def;
            break;
          }
          after = &def == gap;
        }
        if (!next) {
          drag_ = Drag::kNone;
          break;
        }
        const RECT a = CaptionRect(gap->id), b = CaptionRect(next->id);
        // Both slots together, in pixels: the weights share them.
        const int first = (Vertical(side) ? b.top - a.top : b.left - a.left) - border_;
        dragLength_ = first + first * palettes_[Index(next->id)].weight / std::max(1, palettes_[Index(gap->id)].weight);
        dragStartWeights_[0] = palettes_[Index(gap->id)].weight;
        dragStartWeights_[1] = palettes_[Index(next->id)].weight;
      } else {
        break;
      }
      dragSide_ = side;
      SetCapture(hwnd);
      return 0;
    }
    case WM_MOUSEMOVE: {
      if (drag_ == Drag::kNone || GetCapture() != hwnd) break;
      POINT now;
      GetCursorPos(&now);
      const int dx = now.x - dragFrom_.x, dy = now.y - dragFrom_.y;
      if (drag_ == Drag::kEdge) {
        const int delta = side == DockSide::kLeft ? dx : side == DockSide::kRight ? -dx : -dy;
        docks_[static_cast<size_t>(side)].size = std::max(1, MulDiv(dragStart_ + delta, 96, dpi_));
      } else {
        // Moves weight between the two palettes at the gap, keeping their sum.
        const int delta = Vertical(side) ? dy : dx;
        const int sum = dragStartWeights_[0] + dragStartWeights_[1];
        const int first = dragStartWeights_[0] + sum * delta / std::max(1, dragLength_);
        const int clamped = std::clamp(first, kMinWeight, sum - kMinWeight);
        palettes_[Index(dragGap_->id)].weight = clamped;
        for (const PaletteInfo& def : kPalettes) {
          if (def.side == side && Shown(def.id) && &def > dragGap_) {
            palettes_[Index(def.id)].weight = sum - clamped;
            break;
          }
        }
      }
      if (changed_) changed_();
      return 0;
    }
    case WM_LBUTTONUP:
      if (GetCapture() == hwnd) ReleaseCapture();
      return 0;
    case WM_CAPTURECHANGED:
      if (drag_ == Drag::kEdge) {
        store_.WriteNumber(kSizeSettings[static_cast<size_t>(dragSide_)], docks_[static_cast<size_t>(dragSide_)].size);
      } else if (drag_ == Drag::kGap) {
        for (const PaletteInfo& def : kPalettes)
          if (def.side == dragSide_) store_.WriteNumber(PaletteSetting(def, "Weight"), palettes_[Index(def.id)].weight);
      }
      drag_ = Drag::kNone;
      return 0;
    // The palettes' own controls talk to the frame, as if docked straight in it.
    case WM_NOTIFY:
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      return SendMessageA(frame_, msg, wp, lp);
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace plumo
