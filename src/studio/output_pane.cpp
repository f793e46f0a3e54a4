#include "studio/output_pane.h"

namespace plumo {
OutputPane::~OutputPane() {
  if (font_) DeleteObject(font_);
}

bool OutputPane::Create(HINSTANCE instance, HWND parent, int id, SettingsStore& store, int dpi) {
  list_ = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                          WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOSEL | LBS_HASSTRINGS, 0, 0, 0,
                          0, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance, nullptr);
  if (!list_) return false;
  const std::string face = store.ReadText("*\\Palettes\\Output\\Font", 32);
  const int points = store.ReadNumber("*\\Palettes\\Output\\FontSize");
  font_ = CreateFontA(-MulDiv(points > 0 ? points : 8, dpi, 72), 0, 0, 0, store.ReadNumber("*\\Palettes\\Output\\Font_Weight"),
                      store.ReadNumber("*\\Palettes\\Output\\Font_Italic") != 0, 0, 0, ANSI_CHARSET, 0, 0, 0,
                      FIXED_PITCH, face.empty() ? "Courier New" : face.c_str());
  SendMessageA(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  // Wide enough for long lines: the list scrolls sideways.
  SendMessageA(list_, LB_SETHORIZONTALEXTENT, MulDiv(2000, dpi, 96), 0);
  return true;
}

void OutputPane::Append(const std::vector<std::string>& lines) {
  SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
  LRESULT count = SendMessageA(list_, LB_GETCOUNT, 0, 0);
  for (const std::string& line : lines) {
    if (count >= kMaxLines) SendMessageA(list_, LB_DELETESTRING, 0, 0);
    count = SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str())) + 1;
  }
  SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, FALSE);
}

void OutputPane::Clear() { SendMessageA(list_, LB_RESETCONTENT, 0, 0); }

void OutputPane::ScrollToEnd() {
  const LRESULT count = SendMessageA(list_, LB_GETCOUNT, 0, 0);
  if (count > 0) SendMessageA(list_, LB_SETTOPINDEX, count - 1, 0);
}

bool OutputPane::Empty() const { return SendMessageA(list_, LB_GETCOUNT, 0, 0) <= 0; }

}  // namespace plumo
