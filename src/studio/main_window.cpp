#include "studio/main_window.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

#include "base/text.h"
#include "base/version.h"
#include "engine/run_controller.h"
#include "actions/desktop/window_finder.h"
#include "engine/session.h"
#include "runtime/win32/program_start.h"
#include "settings/settings_defaults.h"
#include "studio/startup.h"
#include "studio/studio_commands.h"
#include "studio/studio_icons.h"
#include "studio/studio_menu.h"
#include "studio/studio_start.h"

namespace plumo {
namespace {

// Posted to the window by the run thread's notices, which must not wait for the main thread.
constexpr UINT kRunStateMsg = WM_APP + 0x40;
constexpr UINT kSelectStepMsg = WM_APP + 0x41;
constexpr UINT kRepaintMsg = WM_APP + 0x42;

constexpr int kStatusParts = 4;
constexpr int kStatusSideParts[] = {150, 200, 90};  // parts 1 to 3, at 96 DPI

// The three toolbars: their buttons in order, 0 for a separator.
constexpr uint16_t kFileButtons[] = {1067, 1012, 1013, 1015, 0, 1020, 1021, 1022, 0, 1024, 1061, 0, 1019};
constexpr uint16_t kStepButtons[] = {1034, 1035, 1040, 1039, 0, 1041, 1028, 1074, 1052};
constexpr uint16_t kRunButtons[] = {1029, 1031, 1030, 1069, 1032, 0, 1037, 1036};
constexpr uint16_t kToolbarCommands[] = {1026, 1079, 1078};
constexpr const char* kToolbarSettings[] = {"*\\Toolbars\\File", "*\\Toolbars\\Step", "*\\Toolbars\\Run"};

constexpr char kOpenFilter[] = "Plumo Files (*.vxm, *.xml)\0*.vxm;*.xml\0All Files (*.*)\0*.*\0";

uint8_t HeldModifiers() {
  uint8_t m = 0;
  if (GetAsyncKeyState(VK_CONTROL) < 0) m |= keymod::kCtrl;
  if (GetAsyncKeyState(VK_SHIFT) < 0) m |= keymod::kShift;
  if (GetAsyncKeyState(VK_MENU) < 0) m |= keymod::kAlt;
  return m;
}

int Dpi() {
  HDC dc = GetDC(nullptr);
  int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}

int Scale(int v) { return MulDiv(v, Dpi(), 96); }

std::string FileNameOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A menu label without its mnemonic and trailing dots: the toolbar's tip.
std::string TipOf(const char* label) {
  std::string tip;
  for (const char* p = label; *p; ++p)
    if (*p != '&') tip += *p;
  while (!tip.empty() && tip.back() == '.') tip.pop_back();
  return tip;
}

bool Shown(HWND window) { return window && (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE); }

// The open or save dialog for Script files; nothing when cancelled.
std::optional<std::string> AskFileName(HWND owner, bool save, const std::string& initial) {
  char file[MAX_PATH] = {};
  lstrcpynA(file, initial.c_str(), MAX_PATH);
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = kOpenFilter;
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrDefExt = "vxm";
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  if (!(save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn))) return std::nullopt;
  return std::string(file);
}

HMENU BuildMenuBar() {
  HMENU bar = CreateMenu();
  HMENU popups[kMenuCount];
  for (int m = 0; m < kMenuCount; ++m) popups[m] = CreatePopupMenu();
  HMENU sub = nullptr;
  for (const MenuItem& item : MainMenuItems()) {
    HMENU into = sub ? sub : popups[item.menu];
    switch (item.slot) {
      case MenuSlot::kSubmenuStart:
        sub = CreatePopupMenu();
        AppendMenuA(popups[item.menu], MF_POPUP, reinterpret_cast<UINT_PTR>(sub), item.label);
        continue;
      case MenuSlot::kSubmenuEnd: sub = nullptr; continue;
      case MenuSlot::kRecentFiles:
      case MenuSlot::kOpenWindows: AppendMenuA(into, MF_SEPARATOR, 0, nullptr); continue;
      case MenuSlot::kNone: break;
    }
    if (item.id == 0) AppendMenuA(into, MF_SEPARATOR, 0, nullptr);
    else AppendMenuA(into, MF_STRING, item.id, item.label);
  }
  for (int m = 0; m < kMenuCount; ++m)
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popups[m]), kMenuTitles[m]);
  return bar;
}

}  // namespace

const MainWindow::CommandHandler MainWindow::kHandlers[] = {
    {1067, &MainWindow::New},
    {1012, &MainWindow::Open},
    {1018, &MainWindow::CloseCurrent},
    {1058, &MainWindow::CloseAll},
    {1013, &MainWindow::Save},
    {1014, &MainWindow::SaveAs},
    {1015, &MainWindow::SaveAll},
    {1002, &MainWindow::Exit},
    {1025, &MainWindow::SelectAll},
    {1029, &MainWindow::Run},
    {1031, &MainWindow::RunFromHere},
    {1030, &MainWindow::RunSingleStep},
    {1069, &MainWindow::PauseResume},
    {1032, &MainWindow::Stop},
    {1077, &MainWindow::ShowRunResults},
    {1057, &MainWindow::ResetRunResults},
    {1051, &MainWindow::KeepOnTop},
    {1046, &MainWindow::ResetInterface},
    {1027, &MainWindow::ToggleStatusBar},
    {1026, &MainWindow::ToggleFileToolbar},
    {1079, &MainWindow::ToggleStepToolbar},
    {1078, &MainWindow::ToggleRunToolbar},
    {1100, &MainWindow::ViewSourceXml},
    {1003, &MainWindow::About},
    {1053, &MainWindow::MainProgramWindows},
    {1098, &MainWindow::PopupWindows},
    {1038, &MainWindow::AllWindowsAndControls},
};

MainWindow::MainWindow(HINSTANCE instance, SettingsStore& store) : instance_(instance), store_(store) {}

MainWindow::~MainWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
  if (toolbarImages_) ImageList_Destroy(toolbarImages_);
  if (actionImages_) ImageList_Destroy(actionImages_);
  if (commentFont_) DeleteObject(commentFont_);
}

void MainWindow::Attach(Session* session, ScriptFileServices* io) {
  session_ = session;
  io_ = io;
}

bool MainWindow::Create(bool hidden, int showCommand) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &MainWindow::Proc;
  wc.hInstance = instance_;
  wc.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(kProgramIcon));
  if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  wc.hIconSm = LoadIconA(instance_, MAKEINTRESOURCEA(kProgramIcon));
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kMainWindowClass;
  if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

  WindowPlacement at = MainWindowPlacement(store_, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  const bool editor = !hidden && session_ && io_;
  hwnd_ = CreateWindowExA(0, kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, at.left,
                          at.top, at.width, at.height, nullptr, editor ? BuildMenuBar() : nullptr, instance_, this);
  if (!hwnd_) return false;
  status_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd_,
                            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(childid::kStatusBar)), instance_, nullptr);
  if (hidden) return true;
  if (editor) BuildChildren();
  ShowWindow(hwnd_, store_.ReadNumber("*\\window_maximized") != 0 ? SW_SHOWMAXIMIZED : showCommand);
  UpdateWindow(hwnd_);
  return true;
}

void MainWindow::BuildChildren() {
  colours_ = ReadListColours(store_);
  indent_ = IndentText(store_);
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  HFONT uiFont = CreateFontIndirectA(&metrics.lfMessageFont);
  LOGFONTA italic = metrics.lfMessageFont;
  italic.lfItalic = TRUE;
  commentFont_ = CreateFontIndirectA(&italic);

  BuildToolbars();
  tabs_ = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_FOCUSNEVER, 0, 0, 0,
                          0, hwnd_, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(childid::kTabs)), instance_, nullptr);
  SendMessageA(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont), FALSE);
  list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 0, 0, 0,
                          0, hwnd_, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(childid::kStepList)), instance_,
                          nullptr);
  SendMessageA(list_, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont), FALSE);
  SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_HEADERDRAGDROP | LVS_EX_LABELTIP);
  const int iconSize = Dpi() >= 144 ? 24 : 16;
  actionImages_ = MakeActionImages(iconSize);
  SendMessageA(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(actionImages_));
  // The action column carries the icon, so it is the item column; the number is shown first.
  const int order[] = {1, 0, 2, 3};
  const int fromColumn[] = {static_cast<int>(StepColumn::kAction), static_cast<int>(StepColumn::kNumber),
                            static_cast<int>(StepColumn::kDetails), static_cast<int>(StepColumn::kComment)};
  for (int i = 0; i < static_cast<int>(StepColumn::kCount); ++i) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = fromColumn[i] == static_cast<int>(StepColumn::kNumber) ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.cx = Scale(kStepColumnWidths[fromColumn[i]]);
    column.pszText = const_cast<char*>(kStepColumnTitles[fromColumn[i]]);
    SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  SendMessageA(list_, LVM_SETCOLUMNORDERARRAY, 4, reinterpret_cast<LPARAM>(order));

  int parts[kStatusParts];
  SendMessageA(status_, SB_SETPARTS, kStatusParts, reinterpret_cast<LPARAM>(parts));  // set in Layout
  if (!store_.ReadNumber("*\\ShowStatusbar") && store_.Probe("*\\ShowStatusbar") != 0) ShowWindow(status_, SW_HIDE);
  New();
  Layout();
  if (store_.ReadNumber("*\\OnTop") != 0) ApplyOnTop(true);
}

void MainWindow::BuildToolbars() {
  const int iconSize = Dpi() >= 144 ? 24 : 16;
  toolbarImages_ = MakeToolbarImages(iconSize);
  const std::span<const uint16_t> buttons[] = {kFileButtons, kStepButtons, kRunButtons};
  for (int t = 0; t < 3; ++t) {
    HWND bar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NORESIZE | CCS_NODIVIDER |
                                   CCS_NOPARENTALIGN,
                               0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(childid::kFirstToolbar + t)),
                               instance_, nullptr);
    SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbarImages_));
    std::vector<TBBUTTON> tb;
    for (uint16_t id : buttons[t]) {
      TBBUTTON b = {};
      if (id == 0) {
        b.fsStyle = BTNS_SEP;
      } else {
        b.iBitmap = ToolbarImageOf(id);
        b.idCommand = id;
        b.fsState = Built(id) ? TBSTATE_ENABLED : 0;
        b.fsStyle = BTNS_BUTTON;
      }
      tb.push_back(b);
    }
    SendMessageA(bar, TB_ADDBUTTONSA, tb.size(), reinterpret_cast<LPARAM>(tb.data()));
    toolbars_[t] = bar;
    if (store_.Probe(kToolbarSettings[t]) != 0 && store_.ReadNumber(kToolbarSettings[t]) == 0) ShowWindow(bar, SW_HIDE);
  }
}

void MainWindow::Layout() {
  if (!hwnd_) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  int top = 0, bottom = client.bottom;
  if (status_) {
    SendMessageA(status_, WM_SIZE, 0, 0);
    int parts[kStatusParts];
    int right = client.right;
    for (int i = kStatusParts - 1; i >= 1; --i) {
      parts[i] = right;
      right -= Scale(kStatusSideParts[i - 1]);
    }
    parts[0] = std::max(right, Scale(100));
    SendMessageA(status_, SB_SETPARTS, kStatusParts, reinterpret_cast<LPARAM>(parts));
    if (Shown(status_)) {
      RECT r;
      GetWindowRect(status_, &r);
      bottom -= r.bottom - r.top;
    }
  }
  // The shown toolbars side by side in one row, a small gap between them.
  int x = Scale(2), rowHeight = 0;
  for (HWND bar : toolbars_) {
    if (!Shown(bar)) continue;
    SIZE size = {};
    SendMessageA(bar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    SetWindowPos(bar, nullptr, x, Scale(2), size.cx, size.cy, SWP_NOZORDER);
    x += size.cx + Scale(10);
    rowHeight = std::max<int>(rowHeight, size.cy);
  }
  if (rowHeight) top = rowHeight + Scale(4);
  if (tabs_) {
    SetWindowPos(tabs_, HWND_BOTTOM, 0, top, client.right, std::max(0, bottom - top), 0);
    RECT inside = {0, top, client.right, bottom};
    SendMessageA(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&inside));
    SetWindowPos(list_, HWND_TOP, inside.left, inside.top, inside.right - inside.left, inside.bottom - inside.top, 0);
    // The last column takes what the others leave.
    RECT listClient;
    GetClientRect(list_, &listClient);
    int used = 0;
    for (int c = 0; c < 3; ++c) used += static_cast<int>(SendMessageA(list_, LVM_GETCOLUMNWIDTH, c, 0));
    const int last = std::max<int>(Scale(kStepColumnWidths[3]), listClient.right - used);
    SendMessageA(list_, LVM_SETCOLUMNWIDTH, 3, last);
  }
}

void MainWindow::SetStatus(const std::string& text) {
  if (status_) SendMessageA(status_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool MainWindow::Built(uint16_t id) const {
  if (id >= command::kWindowFirst && id <= command::kWindowLast) return true;
  for (const CommandHandler& h : kHandlers)
    if (h.id == id) return true;
  return false;
}

void MainWindow::Command(uint16_t id) {
  if (id == command::kOpenHandedOverFiles) return TakeHandedOverFile();
  if (id >= command::kWindowFirst && id <= command::kWindowLast) return SelectTab(id - command::kWindowFirst);
  for (const CommandHandler& h : kHandlers)
    if (h.id == id) return (this->*h.run)();
  const MenuItem* item = FindMenuItem(id);
  if (item) SetStatus(" " + TipOf(item->label) + " is not built yet");
}

void MainWindow::PrepareMenu(HMENU menu) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    const UINT id = GetMenuItemID(menu, i);
    if (id == 0 || id == static_cast<UINT>(-1)) continue;
    EnableMenuItem(menu, id, MF_BYCOMMAND | (Built(static_cast<uint16_t>(id)) ? MF_ENABLED : MF_GRAYED));
  }
  const bool topmost = KeptOnTop();
  CheckMenuItem(menu, 1051, MF_BYCOMMAND | (topmost ? MF_CHECKED : MF_UNCHECKED));
  CheckMenuItem(menu, 1027, MF_BYCOMMAND | (Shown(status_) ? MF_CHECKED : MF_UNCHECKED));
  CheckMenuItem(menu, 1077, MF_BYCOMMAND | (showResults_ ? MF_CHECKED : MF_UNCHECKED));
  for (int t = 0; t < 3; ++t)
    CheckMenuItem(menu, kToolbarCommands[t], MF_BYCOMMAND | (Shown(toolbars_[t]) ? MF_CHECKED : MF_UNCHECKED));
  RefreshWindowMenu(menu);
}

void MainWindow::ShowMenuHelp(uint16_t id, UINT flags) {
  if (flags == 0xFFFF) return ShowReady();
  if (flags & (MF_POPUP | MF_SEPARATOR)) return SetStatus("");
  const MenuItem* item = FindMenuItem(id);
  if (!item || !item->help) return SetStatus("");
  SetStatus(std::string(" ") + item->help + (Built(id) ? "" : " (not built yet)"));
}

void MainWindow::RefreshWindowMenu(HMENU menu) {
  // Only the Window menu holds Close All.
  if (GetMenuState(menu, 1058, MF_BYCOMMAND) == static_cast<UINT>(-1)) return;
  for (uint16_t id = command::kWindowFirst; id <= command::kWindowLast; ++id) DeleteMenu(menu, id, MF_BYCOMMAND);
  for (size_t i = 0; i < tabList_.size(); ++i) {
    const Script* script = session_->scripts.At(tabList_[i].slot);
    std::string name = script && !script->path.empty() ? script->path.str() : "Untitled";
    std::string label = "&" + std::to_string(i + 1) + " " + name;
    AppendMenuA(menu, MF_STRING | (static_cast<int>(i) == current_ ? MF_CHECKED : 0),
                command::kWindowFirst + i, label.c_str());
  }
}

// Tabs and the list ---------------------------------------------------------------------------

Script* MainWindow::CurrentScript() {
  if (!session_ || current_ < 0 || current_ >= static_cast<int>(tabList_.size())) return nullptr;
  return session_->scripts.At(tabList_[static_cast<size_t>(current_)].slot);
}

int MainWindow::TabOfSlot(int slot) const {
  for (size_t i = 0; i < tabList_.size(); ++i)
    if (tabList_[i].slot == slot) return static_cast<int>(i);
  return -1;
}

void MainWindow::AddTab(int slot) {
  tabList_.push_back({slot});
  TCITEMA item = {};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<char*>("");
  SendMessageA(tabs_, TCM_INSERTITEMA, tabList_.size() - 1, reinterpret_cast<LPARAM>(&item));
  SelectTab(static_cast<int>(tabList_.size()) - 1);
}

void MainWindow::SelectTab(int index) {
  if (index < 0 || index >= static_cast<int>(tabList_.size())) return;
  current_ = index;
  SendMessageA(tabs_, TCM_SETCURSEL, index, 0);
  RefreshTabs();
  RefreshList();
  UpdateTitle();
  ShowReady();
}

void MainWindow::RefreshTabs() {
  const bool full = store_.ReadNumber("*\\ShowFullFilesInTabs") != 0;
  for (size_t i = 0; i < tabList_.size(); ++i) {
    const Script* script = session_->scripts.At(tabList_[i].slot);
    std::string path = script ? script->path.str() : "";
    std::string text = path.empty() ? "Untitled" : full ? path : FileNameOf(path);
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    SendMessageA(tabs_, TCM_SETITEMA, i, reinterpret_cast<LPARAM>(&item));
  }
  Layout();
}

void MainWindow::RefreshList() {
  const Script* script = CurrentScript();
  const int count = script ? static_cast<int>(script->steps.size()) : 0;
  SendMessageA(list_, LVM_SETITEMCOUNT, count, LVSICF_NOSCROLL);
  InvalidateRect(list_, nullptr, FALSE);
}

void MainWindow::UpdateTitle() {
  const Script* script = CurrentScript();
  std::string name = script && !script->path.empty() ? FileNameOf(script->path.str()) : "Untitled";
  std::string title = name + " - " + kMainWindowTitle + " " + kVersionText;
  SetWindowTextA(hwnd_, title.c_str());
}

void MainWindow::ShowReady() {
  if (!running_) SetStatus(" Ready");
}

std::vector<size_t> MainWindow::SelectedRows() const {
  std::vector<size_t> rows;
  if (!list_) return rows;
  for (int i = -1; (i = static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0;)
    rows.push_back(static_cast<size_t>(i));
  return rows;
}

LRESULT MainWindow::Notify(NMHDR* header) {
  if (header->hwndFrom == list_) {
    switch (header->code) {
      case LVN_GETDISPINFOA: {
        auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
        const Script* script = CurrentScript();
        const size_t row = static_cast<size_t>(info->item.iItem);
        if (!script || row >= script->steps.size()) return 0;
        const Step& step = script->steps[row];
        static constexpr StepColumn kColumnOf[] = {StepColumn::kAction, StepColumn::kNumber, StepColumn::kDetails,
                                                   StepColumn::kComment};
        if (info->item.mask & LVIF_TEXT) {
          cell_ = ColumnText(step, row, kColumnOf[std::clamp(info->item.iSubItem, 0, 3)], indent_);
          lstrcpynA(info->item.pszText, cell_.c_str(), info->item.cchTextMax);
        }
        if ((info->item.mask & LVIF_IMAGE) && info->item.iSubItem == 0)
          info->item.iImage = ActionImageOf(step.category, EqualsNoCase(step.action.str(), "Comment"));
        return 0;
      }
      case NM_CUSTOMDRAW: {
        LRESULT result = CDRF_DODEFAULT;
        DrawRow(reinterpret_cast<NMLVCUSTOMDRAW*>(header), &result);
        return result;
      }
      case NM_DBLCLK: Command(1060); return 0;
      default: return 0;
    }
  }
  if (header->hwndFrom == tabs_ && header->code == TCN_SELCHANGE) {
    SelectTab(static_cast<int>(SendMessageA(tabs_, TCM_GETCURSEL, 0, 0)));
    return 0;
  }
  if (header->code == TTN_GETDISPINFOA) {
    auto* tip = reinterpret_cast<NMTTDISPINFOA*>(header);
    if (const MenuItem* item = FindMenuItem(static_cast<uint16_t>(header->idFrom))) {
      cell_ = TipOf(item->label);
      tip->lpszText = cell_.data();
    }
    return 0;
  }
  return 0;
}

void MainWindow::DrawRow(NMLVCUSTOMDRAW* draw, LRESULT* result) {
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT: *result = CDRF_NOTIFYITEMDRAW; return;
    case CDDS_ITEMPREPAINT: *result = CDRF_NOTIFYSUBITEMDRAW; return;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
      const Script* script = CurrentScript();
      const size_t row = draw->nmcd.dwItemSpec;
      if (!script || row >= script->steps.size()) return;
      const Step& step = script->steps[row];
      RowLook look = LookOfRow(step, colours_, showResults_);
      const bool commentColumn = draw->iSubItem == 3;
      if (commentColumn) {
        RowLook note = LookOfComment(colours_);
        if (look.text == kDefault) look.text = note.text;
        look.italic = note.italic;
      }
      draw->clrText = look.text == kDefault ? GetSysColor(COLOR_WINDOWTEXT) : look.text;
      draw->clrTextBk = look.fill == kDefault ? GetSysColor(COLOR_WINDOW) : look.fill;
      SelectObject(draw->nmcd.hdc, look.italic ? commentFont_ : reinterpret_cast<HFONT>(SendMessageA(list_, WM_GETFONT, 0, 0)));
      *result = CDRF_NEWFONT;
      return;
    }
    default: return;
  }
}

// Files ---------------------------------------------------------------------------------------

bool MainWindow::OpenFile(const std::string& path) {
  if (!session_ || !io_) return false;
  int slot = -1;
  if (OpenScriptFile(*io_, session_->scripts, path, kAnySlot, &slot) == 0) return false;
  const int tab = TabOfSlot(slot);
  if (tab >= 0) SelectTab(tab);
  else AddTab(slot);
  RememberRecent(path);
  return true;
}

void MainWindow::RememberRecent(const std::string& /*path*/) {}

void MainWindow::New() {
  std::optional<int> slot = session_->scripts.Open(Script{});
  if (!slot) {
    MessageBoxA(hwnd_, TooManyScriptsMessage().c_str(), kWarningCaption, MB_OK | MB_ICONWARNING);
    return;
  }
  AddTab(*slot);
}

void MainWindow::Open() {
  if (std::optional<std::string> file = AskFileName(hwnd_, false, "")) OpenFile(*file);
}

bool MainWindow::SaveTab(int index, bool askName) {
  Script* script = session_->scripts.At(tabList_[static_cast<size_t>(index)].slot);
  if (!script) return false;
  const std::string before = script->path.str();
  if (askName || before.empty()) {
    std::optional<std::string> file = AskFileName(hwnd_, true, before);
    if (!file) return false;
    script->path = *file;
  }
  if (!SaveScriptFile(*io_, *script)) {
    script->path = before;
    return false;
  }
  RememberRecent(script->path.str());
  RefreshTabs();
  UpdateTitle();
  return true;
}

bool MainWindow::AskToSave(int /*index*/) { return true; }

bool MainWindow::CloseTab(int index) {
  if (index < 0 || index >= static_cast<int>(tabList_.size())) return false;
  if (!AskToSave(index)) return false;
  const int slot = tabList_[static_cast<size_t>(index)].slot;
  if (!session_->scripts.Close(slot)) {
    MessageBoxA(hwnd_, kSlotRunningMessage, kWarningCaption, MB_OK | MB_ICONWARNING);
    return false;
  }
  tabList_.erase(tabList_.begin() + index);
  SendMessageA(tabs_, TCM_DELETEITEM, index, 0);
  if (tabList_.empty()) {
    current_ = -1;
    New();
  } else {
    SelectTab(std::min(index, static_cast<int>(tabList_.size()) - 1));
  }
  return true;
}

void MainWindow::CloseCurrent() { CloseTab(current_); }

void MainWindow::CloseAll() {
  for (int i = static_cast<int>(tabList_.size()) - 1; i >= 0; --i)
    if (!CloseTab(i)) return;
}

void MainWindow::Save() {
  if (current_ >= 0) SaveTab(current_, false);
}

void MainWindow::SaveAs() {
  if (current_ >= 0) SaveTab(current_, true);
}

void MainWindow::SaveAll() {
  for (size_t i = 0; i < tabList_.size(); ++i) {
    const Script* script = session_->scripts.At(tabList_[i].slot);
    if (script && !script->path.empty()) SaveTab(static_cast<int>(i), false);
  }
}

void MainWindow::Exit() { PostMessageA(hwnd_, WM_CLOSE, 0, 0); }

void MainWindow::SelectAll() {
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED;
  item.state = LVIS_SELECTED;
  SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

void MainWindow::SavePlacement() {
  WINDOWPLACEMENT wp = {};
  wp.length = sizeof(wp);
  if (!GetWindowPlacement(hwnd_, &wp)) return;
  const RECT& r = wp.rcNormalPosition;
  store_.WriteNumber("*\\window_left", static_cast<uint32_t>(r.left));
  store_.WriteNumber("*\\window_top", static_cast<uint32_t>(r.top));
  store_.WriteNumber("*\\window_width", static_cast<uint32_t>(r.right - r.left));
  store_.WriteNumber("*\\window_height", static_cast<uint32_t>(r.bottom - r.top));
  store_.WriteNumber("*\\window_maximized", wp.showCmd == SW_SHOWMAXIMIZED ? 1 : 0);
}

void MainWindow::TakeHandedOverFile() {
  for (int n = 1; n <= kHandOverSlots; ++n) {
    if (store_.Probe(kHandOverSlot, {n}) == 0) continue;
    std::string file = store_.ReadText(kHandOverSlot, 259, {n});
    store_.Delete(kHandOverSlot, {n});
    if (session_) OpenFile(file);
    else SetStatus(" Handed over: " + file);
  }
}

// Running -------------------------------------------------------------------------------------

void MainWindow::StartRunCommand(int command) {
  if (!session_ || current_ < 0) return;
  StartRun(*session_, tabList_[static_cast<size_t>(current_)].slot, command, true, 0, 0);
}

void MainWindow::RunCurrent(int startStep) {
  if (session_ && current_ >= 0) StartRun(*session_, tabList_[static_cast<size_t>(current_)].slot, runcmd::kRun, true, startStep, 0);
}

void MainWindow::Run() { StartRunCommand(runcmd::kRun); }
void MainWindow::RunFromHere() { StartRunCommand(runcmd::kRunFromHere); }
void MainWindow::RunSingleStep() { StartRunCommand(runcmd::kRunSingleStep); }
void MainWindow::PauseResume() {
  if (session_ && session_->RunExists()) plumo::PauseResume(*session_);
}
void MainWindow::Stop() {
  if (session_ && session_->RunExists()) StopRun(*session_, false);
}

void MainWindow::ShowRunResults() {
  showResults_ = !showResults_;
  InvalidateRect(list_, nullptr, FALSE);
}

void MainWindow::ResetRunResults() {
  if (Script* script = CurrentScript(); script && !running_)
    for (Step& step : script->steps) {
      step.ranFlag = ran::kNotRun;
      step.runCount = 0;
    }
  InvalidateRect(list_, nullptr, FALSE);
}

// View ----------------------------------------------------------------------------------------

void MainWindow::KeepOnTop() { ApplyOnTop(!KeptOnTop()); }

void MainWindow::ApplyOnTop(bool onTop) {
  SetWindowPos(hwnd_, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  store_.WriteNumber("*\\OnTop", onTop ? 1 : 0);
}

void MainWindow::ResetInterface() {
  DefaultsContext context{GetSystemMetrics(SM_CXSCREEN), InterfaceFontHeight(),
                          DocumentsFolderOf(session_->environment(), store_)};
  ResetUserInterface(store_, context);
  for (int t = 0; t < 3; ++t) {
    store_.Delete(kToolbarSettings[t]);
    ShowWindow(toolbars_[t], SW_SHOW);
  }
  store_.Delete("*\\ShowStatusbar");
  ShowWindow(status_, SW_SHOW);
  ApplyOnTop(store_.ReadNumber("*\\OnTop") != 0);
  colours_ = ReadListColours(store_);
  indent_ = IndentText(store_);
  Layout();
  InvalidateRect(list_, nullptr, FALSE);
}

void MainWindow::ToggleStatusBar() {
  const bool show = !Shown(status_);
  ShowWindow(status_, show ? SW_SHOW : SW_HIDE);
  store_.WriteNumber("*\\ShowStatusbar", show ? 1 : 0);
  Layout();
}

void MainWindow::ToggleToolbar(int band) {
  const bool show = !Shown(toolbars_[band]);
  ShowWindow(toolbars_[band], show ? SW_SHOW : SW_HIDE);
  store_.WriteNumber(kToolbarSettings[band], show ? 1 : 0);
  Layout();
}
void MainWindow::ToggleFileToolbar() { ToggleToolbar(0); }
void MainWindow::ToggleStepToolbar() { ToggleToolbar(1); }
void MainWindow::ToggleRunToolbar() { ToggleToolbar(2); }

static LRESULT CALLBACK TextViewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SIZE) {
    if (HWND edit = GetWindow(hwnd, GW_CHILD)) MoveWindow(edit, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
    return 0;
  }
  if (msg == WM_DESTROY) {
    if (HWND edit = GetWindow(hwnd, GW_CHILD)) DeleteObject(reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0)));
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void MainWindow::ShowText(const std::string& title, const std::string& text) {
  static constexpr char kClass[] = "PlumoTextView";
  WNDCLASSA wc = {};
  wc.lpfnWndProc = TextViewProc;
  wc.hInstance = instance_;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.lpszClassName = kClass;
  RegisterClassA(&wc);  // fails harmlessly once registered
  HWND view = CreateWindowExA(0, kClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                              Scale(760), Scale(560), hwnd_, nullptr, instance_, nullptr);
  HWND edit = CreateWindowExA(0, "EDIT", "",
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                                  ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                              0, 0, 0, 0, view, nullptr, instance_, nullptr);
  HFONT mono = CreateFontA(-Scale(13), 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, FIXED_PITCH, "Courier New");
  SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(mono), FALSE);
  SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);
  SetWindowTextA(edit, text.c_str());
  RECT r;
  GetClientRect(view, &r);
  MoveWindow(edit, 0, 0, r.right, r.bottom, TRUE);
}

void MainWindow::ViewSourceXml() {
  Script* script = CurrentScript();
  if (!script) return;
  std::optional<std::string> text = ScriptFileText(*io_, *script);
  if (text) ShowText("Source XML - " + (script->path.empty() ? std::string("Untitled") : FileNameOf(script->path.str())), *text);
}

// The window finder writes its list file; the studio shows it.
void MainWindow::ShowWindowList(uint32_t flags, const char* title) {
  const std::string path = session_->environment().TempFolder() + kWindowListFile;
  (void)session_->files().Delete(path);  // absent is fine; the finder appends
  FindMatchingWindow(*session_, findflag::kWriteList | flags, "", 0);
  std::string text;
  bool opened = false;
  if (OsError e = session_->files().ReadFile(path, &text, &opened); !e.ok() && opened)
    text = "The window list could not be read: " + e.ToString();
  ShowText(title, text.empty() ? "(no windows)" : text);
}

void MainWindow::MainProgramWindows() { ShowWindowList(findflag::kFramedVisibleTopLevel, "Main Program Windows"); }
void MainWindow::PopupWindows() { ShowWindowList(findflag::kFramedVisible, "Popup Windows"); }
void MainWindow::AllWindowsAndControls() { ShowWindowList(0, "All Windows & Controls"); }

void MainWindow::About() {
  std::string text = std::string("Plumo Studio ") + kVersionText + "\n\nDesktop automation: write, run and compile Scripts.";
  MessageBoxA(hwnd_, text.c_str(), "About Plumo Studio", MB_OK | MB_ICONINFORMATION);
}

// RunView -------------------------------------------------------------------------------------

bool MainWindow::StatusBarVisible() { return Shown(status_); }

void MainWindow::StatusText(int part, const std::string& text) {
  if (status_ && part >= 0 && part < kStatusParts)
    SendMessageA(status_, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(text.c_str()));
}

int MainWindow::CurrentTab() {
  return current_ >= 0 && current_ < static_cast<int>(tabList_.size()) ? tabList_[static_cast<size_t>(current_)].slot : -1;
}

bool MainWindow::StepListVisible() { return Shown(list_) && !IsIconic(hwnd_); }

int MainWindow::SelectedStep() {
  if (!list_) return -1;
  return static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void MainWindow::SelectStep(int index) {
  if (list_) SendMessageA(hwnd_, kSelectStepMsg, static_cast<WPARAM>(index), 0);
}

void MainWindow::ClearSelection() {
  if (list_) SendMessageA(hwnd_, kSelectStepMsg, static_cast<WPARAM>(-1), 0);
}

void MainWindow::RepaintSteps() {
  if (list_) PostMessageA(hwnd_, kRepaintMsg, 0, 0);
}

uint32_t MainWindow::MainWindowHandle() { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hwnd_)); }

void MainWindow::SetRunningState(bool running) { PostMessageA(hwnd_, kRunStateMsg, running ? 1 : 0, 0); }

void MainWindow::ShowPaused(bool paused) { StatusText(1, paused ? " Paused" : " Running"); }

bool MainWindow::KeptOnTop() { return hwnd_ && (GetWindowLongA(hwnd_, GWL_EXSTYLE) & WS_EX_TOPMOST); }
bool MainWindow::Minimized() { return hwnd_ && IsIconic(hwnd_); }
void MainWindow::Minimize() { PostMessageA(hwnd_, WM_SYSCOMMAND, SC_MINIMIZE, 0); }
void MainWindow::RestoreAndActivate() {
  if (IsIconic(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
  SetForegroundWindow(hwnd_);
}
void MainWindow::SendCommand(int command, int notifyCode) {
  SendMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(command, notifyCode), 0);
}
void MainWindow::RunEnded() {
  InvalidateRect(list_, nullptr, FALSE);
  if (closeAfterRun_) PostMessageA(hwnd_, WM_CLOSE, 0, 0);
}
void MainWindow::CloseMainWindow() { PostMessageA(hwnd_, WM_CLOSE, 0, 0); }
void MainWindow::RequestClose() { PostMessageA(hwnd_, WM_CLOSE, 0, 0); }

// Messages ------------------------------------------------------------------------------------

LRESULT CALLBACK MainWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    static_cast<MainWindow*>(cs->lpCreateParams)->hwnd_ = hwnd;  // messages arrive before CreateWindowEx returns
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  return self->Handle(msg, wp, lp);
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      Command(LOWORD(wp));
      return 0;
    case WM_NOTIFY: return Notify(reinterpret_cast<NMHDR*>(lp));
    case WM_INITMENUPOPUP:
      if (session_) PrepareMenu(reinterpret_cast<HMENU>(wp));
      return 0;
    case WM_MENUSELECT:
      if (session_) ShowMenuHelp(LOWORD(wp), HIWORD(wp) == 0xFFFF && lp == 0 ? 0xFFFF : HIWORD(wp));
      return 0;
    case WM_SIZE:
      Layout();
      return 0;
    case WM_SETFOCUS:
      if (list_) SetFocus(list_);
      return 0;
    case kSelectStepMsg: {
      LVITEMA item = {};
      item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
      const int index = static_cast<int>(wp);
      if (index >= 0) {
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        SendMessageA(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
      }
      return 0;
    }
    case kRepaintMsg:
      InvalidateRect(list_, nullptr, FALSE);
      return 0;
    case kRunStateMsg:
      running_ = wp != 0;
      for (HWND bar : toolbars_) {
        if (!bar) continue;
        SendMessageA(bar, TB_ENABLEBUTTON, 1029, !running_);
        SendMessageA(bar, TB_ENABLEBUTTON, 1031, !running_);
        SendMessageA(bar, TB_ENABLEBUTTON, 1030, !running_);
      }
      if (!running_) InvalidateRect(list_, nullptr, FALSE);
      return 0;
    case WM_CLOSE:
      if (session_ && session_->RunExists()) {
        closeAfterRun_ = true;
        StopRun(*session_, false);
        return 0;
      }
      for (size_t i = 0; i < tabList_.size(); ++i)
        if (!AskToSave(static_cast<int>(i))) return 0;
      if (session_) {
        SavePlacement();
        std::vector<std::string> open;
        for (const Tab& tab : tabList_)
          if (const Script* script = session_->scripts.At(tab.slot)) open.push_back(script->path.str());
        RememberFilesToReload(store_, open);
      }
      DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      for (int n = 1; n <= kHandOverSlots; ++n) store_.Delete(kHandOverSlot, {n});
      SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      status_ = nullptr;
      list_ = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd_, msg, wp, lp);
}

void MainWindow::RunMessageLoop(const KeyboardMap& keys) {
  HACCEL accelerators = LoadAcceleratorsA(instance_, MAKEINTRESOURCEA(kAcceleratorTable));
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
      uint16_t command = MatchKeyboardMap(keys, HeldModifiers(), static_cast<uint8_t>(msg.wParam));
      if (command != 0 && msg.wParam <= 0xFF && hwnd_) {
        PostMessageA(hwnd_, WM_COMMAND, command, 0);
        continue;
      }
    }
    if (hwnd_ && accelerators && TranslateAcceleratorA(hwnd_, accelerators, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace plumo
