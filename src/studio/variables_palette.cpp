#include "studio/variables_palette.h"

#include <commctrl.h>

#include <algorithm>

namespace plumo {
namespace {

constexpr char kVariablesClass[] = "PlumoVariables";
constexpr UINT kChangesMsg = WM_APP + 0x50;
constexpr int kListId = 1201;
struct Column {
  const char* title;
  int width;
};
constexpr Column kColumns[] = {{"Name", 100}, {"Value", 120}, {"Type", 62}};

size_t MaxDisplayCount(SettingsStore& settings) {
  if (settings.Probe(kMaxDisplayCountPath) == 0) return kDefaultMaxDisplayCount;
  const int32_t n = settings.ReadNumber(kMaxDisplayCountPath);
  return n > 0 ? static_cast<size_t>(n) : 0;
}

}  // namespace

VariablesPaletteWindow::VariablesPaletteWindow(HINSTANCE instance, SettingsStore& settings)
    : instance_(instance), rows_(MaxDisplayCount(settings)) {}

VariablesPaletteWindow::~VariablesPaletteWindow() {
  target_ = nullptr;
  if (font_) DeleteObject(font_);
}

void VariablesPaletteWindow::Attach(VariableStore* store, AskValue ask) {
  store_ = store;
  ask_ = std::move(ask);
  if (hwnd_) Reload();
}

bool VariablesPaletteWindow::Create(HWND parent, int id) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &VariablesPaletteWindow::Proc;
  wc.hInstance = instance_;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kVariablesClass;
  if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  hwnd_ = CreateWindowExA(0, kVariablesClass, "Variables", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, this);
  if (!hwnd_) return false;
  list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 0, 0, 0,
                          0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), instance_, nullptr);
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  font_ = CreateFontIndirectA(&metrics.lfMessageFont);
  SendMessageA(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
  HDC dc = GetDC(nullptr);
  dpi_ = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  for (int i = 0; i < 3; ++i) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = MulDiv(kColumns[i].width, dpi_, 96);
    column.pszText = const_cast<char*>(kColumns[i].title);
    SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  target_ = hwnd_;
  Reload();
  return true;
}

void VariablesPaletteWindow::Reload() {
  if (!hwnd_) return;
  TakeChanges();  // what the run queued is older than what the store holds now
  if (store_) rows_.Reload(*store_);
  Refill();
}

void VariablesPaletteWindow::Queue(Change change) {
  bool post = false;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (change.kind == Change::Kind::kClear) pending_.clear();
    pending_.push_back(std::move(change));
    post = !posted_;
    posted_ = true;
  }
  if (HWND target = target_.load(); post && target) PostMessageA(target, kChangesMsg, 0, 0);
}

void VariablesPaletteWindow::ShowVariable(std::string_view name, std::string_view value, ShownAs kind) {
  Queue({Change::Kind::kShow, std::string(name), std::string(value), kind});
}
void VariablesPaletteWindow::RemoveVariable(std::string_view name) {
  Queue({Change::Kind::kRemove, std::string(name), "", ShownAs::kText});
}
void VariablesPaletteWindow::Clear() { Queue({Change::Kind::kClear, "", "", ShownAs::kText}); }

void VariablesPaletteWindow::TakeChanges() {
  std::vector<Change> taken;
  {
    std::lock_guard<std::mutex> lock(mu_);
    std::swap(taken, pending_);
    posted_ = false;
  }
  for (const Change& c : taken) {
    switch (c.kind) {
      case Change::Kind::kShow: rows_.Show(c.name, c.value, c.shownAs); break;
      case Change::Kind::kRemove: rows_.Remove(c.name); break;
      case Change::Kind::kClear: rows_.Clear(); break;
    }
  }
}

void VariablesPaletteWindow::Refill() {
  SendMessageA(list_, LVM_SETITEMCOUNT, rows_.rows().size(), LVSICF_NOSCROLL);
  InvalidateRect(list_, nullptr, FALSE);
}

void VariablesPaletteWindow::EditValue(int row) {
  if (!store_ || !ask_ || row < 0 || static_cast<size_t>(row) >= rows_.rows().size()) return;
  const VariableRow shown = rows_.rows()[static_cast<size_t>(row)];
  const std::string now = store_->Read(shown.name).value_or("");
  if (shown.kind == ShownAs::kBinary) {
    MessageBeep(MB_ICONWARNING);  // no text editor can give its bytes back unchanged
    return;
  }
  std::optional<std::string> value = ask_("Edit Variable", "New value of %" + shown.name + ":", now);
  if (!value) return;
  store_->Write(shown.name, *value + std::string(1, '\0'));
  rows_.Show(shown.name, *value, ShownAsOf(*value));
  Refill();
}

void VariablesPaletteWindow::DeleteSelected() {
  if (!store_) return;
  std::vector<std::string> names;
  for (int i = -1; (i = static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0;)
    if (static_cast<size_t>(i) < rows_.rows().size()) names.push_back(rows_.rows()[static_cast<size_t>(i)].name);
  for (const std::string& name : names) {
    store_->Delete(name);
    rows_.Remove(name);
  }
  LVITEMA none = {};
  none.stateMask = LVIS_SELECTED;
  SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  Refill();
}

LRESULT CALLBACK VariablesPaletteWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE)
    SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
  auto* self = reinterpret_cast<VariablesPaletteWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self || !self->hwnd_) return DefWindowProcA(hwnd, msg, wp, lp);
  return self->Handle(msg, wp, lp);
}

LRESULT VariablesPaletteWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SIZE: {
      MoveWindow(list_, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
      // Name and kind keep their share; the value takes the rest, so nothing needs a scroll bar.
      RECT inside;
      GetClientRect(list_, &inside);
      const int name = MulDiv(kColumns[0].width, dpi_, 96), kind = MulDiv(kColumns[2].width, dpi_, 96);
      SendMessageA(list_, LVM_SETCOLUMNWIDTH, 0, name);
      SendMessageA(list_, LVM_SETCOLUMNWIDTH, 1, std::max(MulDiv(60, dpi_, 96), static_cast<int>(inside.right) - name - kind));
      SendMessageA(list_, LVM_SETCOLUMNWIDTH, 2, kind);
      return 0;
    }
    case kChangesMsg:
      TakeChanges();
      Refill();
      return 0;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lp);
      if (header->hwndFrom != list_) break;
      if (header->code == LVN_GETDISPINFOA) {
        LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(lp)->item;
        if (!(item.mask & LVIF_TEXT) || item.iItem < 0 || static_cast<size_t>(item.iItem) >= rows_.rows().size())
          return 0;
        const VariableRow& row = rows_.rows()[static_cast<size_t>(item.iItem)];
        cell_ = item.iSubItem == 0 ? row.name : item.iSubItem == 1 ? row.value : std::string(ShownKindName(row.kind));
        item.pszText = cell_.data();
        return 0;
      }
      if (header->code == NM_DBLCLK) {
        EditValue(reinterpret_cast<NMITEMACTIVATE*>(lp)->iItem);
        return 0;
      }
      if (header->code == LVN_KEYDOWN) {
        const WORD key = reinterpret_cast<NMLVKEYDOWN*>(lp)->wVKey;
        if (key == VK_DELETE) DeleteSelected();
        if (key == VK_RETURN || key == VK_F2)
          EditValue(static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)));
        return 0;
      }
      break;
    }
    case WM_DESTROY:
      target_ = nullptr;
      hwnd_ = nullptr;
      list_ = nullptr;
      return 0;
  }
  return DefWindowProcA(hwnd_, msg, wp, lp);
}

}  // namespace plumo
