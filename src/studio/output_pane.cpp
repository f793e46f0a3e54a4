#include "studio/output_pane.h"

#include <algorithm>
#include <iterator>

namespace plumo {

OutputPane::~OutputPane() {
  if (font_) DeleteObject(font_);
}

bool OutputPane::Create(HINSTANCE instance, HWND parent, int id, SettingsStore& store, int dpi) {
  list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                          WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_NOCOLUMNHEADER | LVS_SINGLESEL, 0, 0,
                          0, 0, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance, nullptr);
  if (!list_) return false;
  const std::string face = store.ReadText("*\\Palettes\\Output\\Font", 32);
  const int points = store.ReadNumber("*\\Palettes\\Output\\FontSize");
  font_ = CreateFontA(-MulDiv(points > 0 ? points : 8, dpi, 72), 0, 0, 0, store.ReadNumber("*\\Palettes\\Output\\Font_Weight"),
                      store.ReadNumber("*\\Palettes\\Output\\Font_Italic") != 0, 0, 0, ANSI_CHARSET, 0, 0, 0,
                      FIXED_PITCH, face.empty() ? "Courier New" : face.c_str());
  SendMessageA(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  HDC dc = GetDC(list_);
  const HGDIOBJ old = SelectObject(dc, font_);
  TEXTMETRICA metrics = {};
  GetTextMetricsA(dc, &metrics);
  textHeight_ = metrics.tmHeight;
  margin_ = MulDiv(6, dpi, 96);
  SelectObject(dc, old);
  ReleaseDC(list_, dc);
  SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_DOUBLEBUFFER | LVS_EX_FULLROWSELECT);
  // One wide column: long lines scroll sideways.
  LVCOLUMNA column = {};
  column.mask = LVCF_WIDTH;
  column.cx = MulDiv(2000, dpi, 96);
  SendMessageA(list_, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
  return true;
}

LRESULT OutputPane::Notify(NMHDR* header) {
  if (header->code == NM_CUSTOMDRAW) return DrawLine(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
  if (header->code != LVN_GETDISPINFOA) return 0;
  auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
  const size_t row = static_cast<size_t>(info->item.iItem);
  if ((info->item.mask & LVIF_TEXT) && row < lines_.size())
    lstrcpynA(info->item.pszText, lines_[row].c_str(), info->item.cchTextMax);
  return 0;
}

// Lines are drawn here, not by the list: under Wine the list's own drawing of a row cost ten
// times as much, paid ten times a second while a run writes.
LRESULT OutputPane::DrawLine(NMLVCUSTOMDRAW* draw) {
  if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  const size_t row = draw->nmcd.dwItemSpec;
  if (row >= lines_.size()) return CDRF_DODEFAULT;
  RECT line = {LVIR_BOUNDS, 0, 0, 0};
  SendMessageA(list_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&line));
  RECT client;
  GetClientRect(list_, &client);
  const bool selected = SendMessageA(list_, LVM_GETITEMSTATE, row, LVIS_SELECTED) != 0;
  const bool focused = GetFocus() == list_;
  HDC dc = draw->nmcd.hdc;
  const HGDIOBJ oldFont = SelectObject(dc, font_);
  SetBkColor(dc, GetSysColor(selected ? (focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE) : COLOR_WINDOW));
  SetTextColor(dc, GetSysColor(selected && focused ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  RECT fill = {client.left, line.top, client.right, line.bottom};
  const std::string& text = lines_[row];
  ExtTextOutA(dc, line.left + margin_, (line.top + line.bottom - textHeight_) / 2, ETO_OPAQUE | ETO_CLIPPED, &fill, text.c_str(), static_cast<UINT>(text.size()),
              nullptr);
  SelectObject(dc, oldFont);
  return CDRF_SKIPDEFAULT;
}

namespace {

double NowMs() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

constexpr double kMinShowMs = 100;

}  // namespace

void OutputPane::Append(std::vector<std::string> lines) {
  if (lines.empty()) return;
  std::move(lines.begin(), lines.end(), std::back_inserter(lines_));
  if (lines_.size() <= kMaxLines) return;
  lines_.erase(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(lines_.size() - kMaxLines));
  shifted_ = true;
}

void OutputPane::Clear() {
  lines_.clear();
  listed_ = 0;
  shifted_ = false;
  SendMessageA(list_, LVM_SETITEMCOUNT, 0, 0);
}

bool OutputPane::Show(bool scrollToEnd, bool force) {
  if (listed_ == lines_.size() && !shifted_ && !scrollToEnd) return true;
  const double start = NowMs();
  if (!force && start < nextShow_) return false;
  const size_t before = listed_;
  if (lines_.size() != listed_) {
    SendMessageA(list_, LVM_SETITEMCOUNT, lines_.size(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    listed_ = lines_.size();
  }
  // Only new rows in view need painting, unless every row moved up.
  const size_t top = static_cast<size_t>(SendMessageA(list_, LVM_GETTOPINDEX, 0, 0));
  const size_t page = static_cast<size_t>(SendMessageA(list_, LVM_GETCOUNTPERPAGE, 0, 0));
  if (shifted_ || before <= top + page) InvalidateRect(list_, nullptr, FALSE);
  shifted_ = false;
  if (scrollToEnd && listed_ > 0) SendMessageA(list_, LVM_ENSUREVISIBLE, listed_ - 1, FALSE);
  const double end = NowMs();
  nextShow_ = end + std::max(kMinShowMs, kCostShare * (end - start));
  return true;
}

}  // namespace plumo
