#include "studio/main_window.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <iterator>
#include <utility>

#include "base/text.h"
#include "base/version.h"
#include "engine/report.h"
#include "engine/run_log.h"
#include "engine/run_controller.h"
#include "actions/desktop/colour_text.h"
#include "actions/desktop/window_finder.h"
#include "compiler/program_builder.h"
#include "compiler/win32/win32_program_resources.h"
#include "engine/session.h"
#include "runtime/win32/program_start.h"
#include "scripts/properties_vocabulary.h"
#include "settings/settings_defaults.h"
#include "editor/editor_texts.h"
#include "editor/recent_files.h"
#include "studio/about_dialog.h"
#include "studio/compile_dialog.h"
#include "studio/file_dialogs.h"
#include "studio/find_dialog.h"
#include "studio/goto_dialog.h"
#include "studio/options_dialog.h"
#include "studio/report_dialog.h"
#include "studio/startup.h"
#include "studio/studio_commands.h"
#include "studio/studio_icons.h"
#include "studio/studio_menu.h"
#include "studio/studio_start.h"
#include "studio/window_picker.h"

namespace plumo {
namespace {

// Posted to the window by the run thread's notices, which must not wait for the main thread.
constexpr UINT kRunStateMsg = WM_APP + 0x40;
constexpr UINT kSelectStepMsg = WM_APP + 0x41;
constexpr UINT kRepaintMsg = WM_APP + 0x42;
constexpr UINT kCloseEditorsMsg = WM_APP + 0x43;
constexpr UINT kEditCommentMsg = WM_APP + 0x44;
constexpr UINT kOutputMsg = WM_APP + 0x45;
constexpr UINT kPropertiesMsg = WM_APP + 0x46;
constexpr int kTrackMouseCommand = 1099;
constexpr UINT kTrackingMsg = WM_APP + 0x47;
enum : WPARAM { kTrackingClose, kTrackingOpen, kTrackingShowText };
constexpr UINT_PTR kOutputTimer = 1;
constexpr UINT_PTR kRecordTimer = 2;
constexpr UINT_PTR kShellRecentTimer = 3;
constexpr UINT kOutputFlushMs = 100;
GridEditor GridEditorOf(const PropertyRow& row) {
  // A recording is not typed in, but its row starts and stops one.
  if (row.editor == EditorKind::kRecording) return GridEditor::kRecording;
  if (row.readOnly) return GridEditor::kNone;
  switch (row.editor) {
    case EditorKind::kText: return GridEditor::kText;
    case EditorKind::kLines: return GridEditor::kLines;
    case EditorKind::kKeys: return GridEditor::kKeys;
    case EditorKind::kNumber: return GridEditor::kNumber;
    case EditorKind::kCheck: return GridEditor::kCheck;
    case EditorKind::kExclusive: return GridEditor::kChoice;
    case EditorKind::kChoice:
      return TakesOnlyItsChoices(row.editor, row.field) ? GridEditor::kChoice : GridEditor::kChoiceText;
    case EditorKind::kFile: return GridEditor::kFile;
    case EditorKind::kFolder: return GridEditor::kFolder;
    case EditorKind::kWindow: return GridEditor::kWindow;
    case EditorKind::kPixel: return GridEditor::kPixel;
    case EditorKind::kRecording: return GridEditor::kRecording;
  }
  return GridEditor::kNone;
}

GridRow GridRowOf(const PropertyRow& row) {
  GridRow grid{std::string(row.label), GridEditorOf(row), row.value, {}, std::string(row.help)};
  // "--" rows divide a long list; they are not values.
  for (std::string_view item : ChoiceItems(row.choices))
    if (item.find_first_not_of('-') != std::string_view::npos) grid.choices.emplace_back(item);
  return grid;
}

// View "Palette borders": command -> pixels.
constexpr std::pair<uint16_t, int> kBorderCommands[] = {{1081, 0}, {1082, 1}, {1083, 2}, {1084, 3}, {1087, 4}, {1088, 5},
                                                        {1089, 6}, {1090, 7}, {1091, 8}, {1092, 9}, {1093, 10}};

// What each column of the list control shows, by its index.
constexpr StepColumn kListColumns[] = {StepColumn::kAction, StepColumn::kNumber, StepColumn::kDetails,
                                       StepColumn::kComment};

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

// The system's DPI is fixed for a process's life, and asking costs a screen DC: a page of
// rows asks hundreds of times.
int Dpi() {
  static const int dpi = [] {
    HDC dc = GetDC(nullptr);
    const int asked = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return asked > 0 ? asked : 96;
  }();
  return dpi;
}

int Scale(int v) { return MulDiv(v, Dpi(), 96); }

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
    {1024, &MainWindow::Undo},
    {1061, &MainWindow::Redo},
    {1020, &MainWindow::Cut},
    {1021, &MainWindow::Copy},
    {1022, &MainWindow::Paste},
    {1440, &MainWindow::PasteToEnd},
    {1023, &MainWindow::Delete},
    {1019, &MainWindow::Find},
    {1048, &MainWindow::FindNext},
    {1065, &MainWindow::FindPrevious},
    {1073, &MainWindow::Replace},
    {1074, &MainWindow::Bookmark},
    {1055, &MainWindow::NextBookmark},
    {1056, &MainWindow::PreviousBookmark},
    {1070, &MainWindow::RemoveBookmarks},
    {1066, &MainWindow::GoToStep},
    {1034, &MainWindow::MoveUp},
    {1035, &MainWindow::MoveDown},
    {1039, &MainWindow::IndentMore},
    {1040, &MainWindow::IndentLess},
    {1054, &MainWindow::AutoIndent},
    {1041, &MainWindow::Skip},
    {1028, &MainWindow::Breakpoint},
    {1072, &MainWindow::RemoveSkips},
    {1071, &MainWindow::RemoveBreakpoints},
    {1052, &MainWindow::AddComment},
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
    {1047, &MainWindow::ToggleOutput},
    {1076, &MainWindow::ToggleProperties},
    {1060, &MainWindow::EditProperties},
    {1033, &MainWindow::HelpReference},
    {1043, &MainWindow::ToggleActions},
    {1049, &MainWindow::ToggleVariables},
    {1026, &MainWindow::ToggleFileToolbar},
    {1079, &MainWindow::ToggleStepToolbar},
    {1078, &MainWindow::ToggleRunToolbar},
    {1100, &MainWindow::ViewSourceXml},
    {1003, &MainWindow::About},
    {1053, &MainWindow::MainProgramWindows},
    {1098, &MainWindow::PopupWindows},
    {1038, &MainWindow::AllWindowsAndControls},
    {1037, &MainWindow::CompileProgram},
    {1036, &MainWindow::Options},
    {1016, &MainWindow::ReportLastRun},
    {kGridSnapshotCommand, &MainWindow::GridSnapshot},
    {1042, &MainWindow::ViewLogFile},
    {kTrackMouseCommand, &MainWindow::TrackMouse},
    {1080, &MainWindow::StartupOptions},
    {1017, &MainWindow::FileProperties},
    {1059, &MainWindow::CustomTags},
};

MainWindow::MainWindow(HINSTANCE instance, SettingsStore& store) : instance_(instance), store_(store) {}

MainWindow::~MainWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
  if (toolbarImages_) ImageList_Destroy(toolbarImages_);
  if (actionImages_) ImageList_Destroy(actionImages_);
  if (commentFont_) DeleteObject(commentFont_);
  if (uiFont_) DeleteObject(uiFont_);
}

void MainWindow::Attach(Session* session, ScriptFileServices* io) {
  session_ = session;
  io_ = io;
  files_ = session ? std::make_unique<OpenFiles>(session->scripts) : nullptr;
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

void MainWindow::ReadListLook() {
  colours_ = ReadListColours(store_);
  indent_ = IndentText(store_.ReadNumber("*\\Palettes\\MainList\\IndentSize"));
}

void MainWindow::BuildChildren() {
  ReadListLook();
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  uiFont_ = CreateFontIndirectA(&metrics.lfMessageFont);
  const WPARAM uiFont = reinterpret_cast<WPARAM>(uiFont_);
  LOGFONTA italic = metrics.lfMessageFont;
  italic.lfItalic = TRUE;
  commentFont_ = CreateFontIndirectA(&italic);

  BuildToolbars();
  dock_.Create(instance_, hwnd_, childid::kFirstDock, Dpi(), uiFont_, [this] { Layout(); });
  output_.Create(instance_, hwnd_, childid::kOutput, store_, Dpi());
  dock_.Add(PaletteId::kOutput, output_.hwnd());
  properties_.Create(instance_, hwnd_, childid::kProperties, uiFont_, Dpi(),
                     [this](size_t row, const std::string& value) { EditProperty(row, value); });
  properties_.SetPickers(
      [this](const std::string& label, const std::string& value) {
        return Ask(label, label + ":", value, EntryKind::kMultiLine);
      },
      [this](size_t row) { PickWindowInto(row); }, [this](size_t row) { PickPixelInto(row); },
      [this](size_t row) { ToggleRecording(row); });
  dock_.Add(PaletteId::kProperties, properties_.hwnd());
  actions_ = std::make_unique<ActionsPalette>(instance_, store_, *this);
  if (actions_->Create(hwnd_, childid::kActions)) dock_.Add(PaletteId::kActions, actions_->hwnd());
  if (variables_ && variables_->Create(hwnd_, childid::kVariables)) {
    variables_->Attach(variableStore_, [this](const std::string& caption, const std::string& prompt,
                                              const std::string& initial) { return Ask(caption, prompt, initial); });
    dock_.Add(PaletteId::kVariables, variables_->hwnd());
  }
  tabs_ = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_FOCUSNEVER, 0, 0, 0,
                          0, hwnd_, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(childid::kTabs)), instance_, nullptr);
  SendMessageA(tabs_, WM_SETFONT, uiFont, FALSE);
  list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 0, 0, 0,
                          0, hwnd_, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(childid::kStepList)), instance_,
                          nullptr);
  SendMessageA(list_, WM_SETFONT, uiFont, FALSE);
  SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_HEADERDRAGDROP | LVS_EX_LABELTIP);
  const int iconSize = Dpi() >= 144 ? 24 : 16;
  actionImages_ = MakeActionImages(iconSize);
  actionStrips_.Use(actionImages_, iconSize);
  SendMessageA(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(actionImages_));
  // The action column carries the icon, so it is the item column; the number is shown first.
  const int order[] = {1, 0, 2, 3};
  for (int i = 0; i < static_cast<int>(StepColumn::kCount); ++i) {
    const StepColumn shows = kListColumns[i];
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = shows == StepColumn::kNumber ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.cx = Scale(kStepColumnWidths[static_cast<int>(shows)]);
    column.pszText = const_cast<char*>(kStepColumnTitles[static_cast<int>(shows)]);
    SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  SendMessageA(list_, LVM_SETCOLUMNORDERARRAY, 4, reinterpret_cast<LPARAM>(order));
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
  const RECT centre = dock_.Place(RECT{0, top, client.right, std::max(top, bottom)});
  if (tabs_) {
    SetWindowPos(tabs_, HWND_BOTTOM, centre.left, centre.top, centre.right - centre.left, centre.bottom - centre.top, 0);
    RECT inside = centre;
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
  if (id >= command::kRecentFileFirst && id <= command::kRecentFileLast) return true;
  for (const CommandHandler& h : kHandlers)
    if (h.id == id) return true;
  for (const auto& entry : kBorderCommands)
    if (entry.first == id) return true;
  return false;
}

void MainWindow::Command(uint16_t id) {
  if (id == command::kOpenHandedOverFiles) return TakeHandedOverFile();
  if (id >= command::kWindowFirst && id <= command::kWindowLast) return SelectTab(id - command::kWindowFirst);
  if (id >= command::kRecentFileFirst && id <= command::kRecentFileLast) return OpenRecent(id - command::kRecentFileFirst);
  for (const CommandHandler& h : kHandlers)
    if (h.id == id) return (this->*h.run)();
  for (const auto& [command, pixels] : kBorderCommands) {
    if (command != id) continue;
    dock_.SetBorder(pixels);
    return Layout();
  }
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
  for (const PaletteInfo& def : kPalettes)
    CheckMenuItem(menu, def.viewCommand, MF_BYCOMMAND | (dock_.Shown(def.id) ? MF_CHECKED : MF_UNCHECKED));
  for (const auto& [command, pixels] : kBorderCommands)
    CheckMenuItem(menu, command, MF_BYCOMMAND | (dock_.Border() == pixels ? MF_CHECKED : MF_UNCHECKED));
  for (int t = 0; t < 3; ++t)
    CheckMenuItem(menu, kToolbarCommands[t], MF_BYCOMMAND | (Shown(toolbars_[t]) ? MF_CHECKED : MF_UNCHECKED));
  RefreshWindowMenu(menu);
  RefreshRecentMenu(menu);
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
  for (size_t i = 0; i < TabCount(); ++i) {
    std::string label = "&" + std::to_string(i + 1) + " " + TabText(PathOf(i), true);
    AppendMenuA(menu, MF_STRING | (static_cast<int>(i) == CurrentIndex() ? MF_CHECKED : 0),
                command::kWindowFirst + i, label.c_str());
  }
}

void MainWindow::RefreshRecentMenu(HMENU menu) {
  // Only the File menu holds Exit; the recent files stand in front of its separator.
  if (GetMenuState(menu, 1002, MF_BYCOMMAND) == static_cast<UINT>(-1)) return;
  for (uint16_t id = command::kRecentFileFirst; id <= command::kRecentFileLast; ++id) DeleteMenu(menu, id, MF_BYCOMMAND);
  const std::vector<std::string> recent = RecentFiles(store_);
  UINT at = static_cast<UINT>(GetMenuItemCount(menu) - 2);  // the separator before Exit
  for (size_t i = 0; i < recent.size() && i < kMaxRecentFiles; ++i) {
    std::string label = "&" + std::to_string((i + 1) % 10) + " " + recent[i];
    InsertMenuA(menu, at++, MF_BYPOSITION | MF_STRING, command::kRecentFileFirst + i, label.c_str());
  }
}

// Tabs and the list ---------------------------------------------------------------------------

Script* MainWindow::CurrentScript() {
  Document* doc = Doc();
  return doc ? session_->scripts.At(doc->slot()) : nullptr;
}

Document* MainWindow::Doc() { return files_ ? files_->CurrentDocument() : nullptr; }
size_t MainWindow::TabCount() const { return files_ ? files_->Count() : 0; }
int MainWindow::CurrentIndex() const {
  return files_ && files_->Current() ? static_cast<int>(*files_->Current()) : -1;
}

std::string MainWindow::PathOf(size_t tab) {
  const Script* script = session_->scripts.At(files_->At(tab).slot());
  return script ? script->path.str() : std::string();
}

void MainWindow::AddTab(Script script) {
  if (files_->Full()) {
    MessageBoxA(hwnd_, TooManyScriptsMessage().c_str(), kWarningCaption, MB_OK | MB_ICONWARNING);
    return;
  }
  files_->Open(std::move(script));
  TCITEMA item = {};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<char*>("");
  SendMessageA(tabs_, TCM_INSERTITEMA, TabCount() - 1, reinterpret_cast<LPARAM>(&item));
  SelectTab(static_cast<int>(TabCount()) - 1);
}

void MainWindow::SelectTab(int index) {
  if (index < 0 || index >= static_cast<int>(TabCount())) return;
  files_->SetCurrent(static_cast<size_t>(index));
  SendMessageA(tabs_, TCM_SETCURSEL, index, 0);
  RefreshTabs();
  RefreshList();
  PushSelection();
  UpdateTitle();
  ShowReady();
}

void MainWindow::RefreshTabs() {
  const bool full = store_.ReadNumber("*\\ShowFullFilesInTabs") != 0;
  for (size_t i = 0; i < TabCount(); ++i) {
    std::string text = TabText(PathOf(i), full);
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
  SendMessageA(list_, LVM_SETITEMCOUNT, count, LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
  InvalidateRect(list_, nullptr, FALSE);
}

void MainWindow::UpdateTitle() {
  const Script* script = CurrentScript();
  SetWindowTextA(hwnd_, WindowTitle(script ? script->path.str() : "").c_str());
}

// The list view keeps the selection the user makes; the model gets it before a command and
// gives it back after.
void MainWindow::PullSelection() {
  Document* doc = Doc();
  if (!doc || !list_) return;
  const int focus = static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
  doc->SetSelection(SelectedRows(), focus >= 0 ? std::optional<size_t>(static_cast<size_t>(focus)) : std::nullopt);
}

void MainWindow::PushSelection() {
  Document* doc = Doc();
  if (!doc || !list_) return;
  const size_t rows = doc->Rows();
  const std::vector<size_t> shown = SelectedRows();
  const std::vector<size_t> wanted = doc->SelectedRows();
  // Without redrawing, the list marks rows without invalidating each one; one repaint follows.
  SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED;
  auto mark = [&](WPARAM row, bool on) {
    item.state = on ? LVIS_SELECTED : 0;
    SendMessageA(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  };
  const WPARAM kAll = static_cast<WPARAM>(-1);
  if (rows > 0 && wanted.size() == rows) {
    if (shown.size() != rows) mark(kAll, true);
  } else {
    // Setting every row costs a pass over the whole list; row by row costs more per row.
    if (shown.size() * 4 > rows) {
      mark(kAll, false);
      for (size_t row : wanted) mark(row, true);
    } else {
      std::vector<size_t> off, on;
      std::set_difference(shown.begin(), shown.end(), wanted.begin(), wanted.end(), std::back_inserter(off));
      std::set_difference(wanted.begin(), wanted.end(), shown.begin(), shown.end(), std::back_inserter(on));
      for (size_t row : off) mark(row, false);
      for (size_t row : on) mark(row, true);
    }
  }
  const std::optional<size_t> focus = doc->Focus();
  if (focus && *focus < rows) {
    item.stateMask = LVIS_FOCUSED;
    item.state = LVIS_FOCUSED;
    SendMessageA(list_, LVM_SETITEMSTATE, *focus, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  if (focus && *focus < rows) SendMessageA(list_, LVM_ENSUREVISIBLE, *focus, FALSE);
  InvalidateRect(list_, nullptr, FALSE);
}

// After an edit: the rows, the selection, the title's file and the change count.
void MainWindow::Changed(const std::string& status) {
  RefreshList();
  PushSelection();
  ScheduleProperties();
  if (Document* doc = Doc()) SetStatus(status.empty() ? EditingStatus(doc->Changes()) : status);
}

void MainWindow::ShowReady() {
  if (running_) return;
  Document* doc = Doc();
  SetStatus(EditingStatus(doc ? doc->Changes() : 0));
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
        if (info->item.mask & LVIF_TEXT) {
          cell_ = ColumnText(step, row, kListColumns[std::clamp(info->item.iSubItem, 0, 3)], indent_);
          lstrcpynA(info->item.pszText, cell_.c_str(), info->item.cchTextMax);
        }
        if ((info->item.mask & LVIF_IMAGE) && info->item.iSubItem == 0)
          info->item.iImage = ActionImageOf(step.category, EqualsNoCase(step.action.str(), "Comment"));
        return 0;
      }
      case LVN_ITEMCHANGED:
      case LVN_ODSTATECHANGED:
        ScheduleProperties();
        return 0;
      case NM_CUSTOMDRAW: {
        LRESULT result = CDRF_DODEFAULT;
        DrawRow(reinterpret_cast<NMLVCUSTOMDRAW*>(header), &result);
        return result;
      }
      case LVN_BEGINDRAG:
        if (store_.ReadNumber("*\\Palettes\\MainList\\AllowDragDrop") != 0 && Doc() &&
            !session_->scripts.Running(Doc()->slot())) {
          dragging_ = true;
          SetCapture(hwnd_);
          SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_SIZENS)));
        }
        return 0;
      case NM_DBLCLK: {
        // Our own hit test at the click: the notification's column is not always filled in.
        LVHITTESTINFO hit = {};
        hit.pt = reinterpret_cast<NMITEMACTIVATE*>(header)->ptAction;
        SendMessageA(list_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        // After the list has finished with the click, which would take the focus back.
        if (hit.iItem >= 0 && hit.iSubItem == kCommentColumn) PostMessageA(hwnd_, kEditCommentMsg, hit.iItem, 0);
        else Command(1060);
        return 0;
      }
      default: return 0;
    }
  }
  if (header->hwndFrom == output_.hwnd()) return output_.Notify(header);
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

// The list's cells are drawn here, not by the list: under Wine its own drawing of a page of
// rows took ten times as long, mostly in drawing the action images.
void MainWindow::DrawCell(HDC dc, const Step& step, size_t row, int subItem, COLORREF text, COLORREF fill) {
  const StepColumn column = kListColumns[std::clamp(subItem, 0, 3)];
  RECT cell = {LVIR_BOUNDS, subItem, 0, 0};
  if (subItem == 0) {
    // The item column's bounds are the whole row's: its cell runs from the image to the label's end.
    RECT label = {LVIR_LABEL, 0, 0, 0};
    SendMessageA(list_, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&label));
    cell.left = LVIR_ICON;
    SendMessageA(list_, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
    cell.right = label.right;
  } else {
    SendMessageA(list_, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
  }
  SetTextColor(dc, text);
  RECT inside = cell;
  inside.left += Scale(6);
  inside.right -= Scale(6);
  if (subItem == 0) {
    const int size = actionStrips_.size();
    actionStrips_.Draw(dc, ActionImageOf(step.category, EqualsNoCase(step.action.str(), "Comment")),
                       cell.left + Scale(2), (cell.top + cell.bottom - size) / 2, fill);
    inside.left = cell.left + Scale(2) + size + Scale(3);
  }
  const std::string shown = ColumnText(step, row, column, indent_);
  DrawTextA(dc, shown.c_str(), static_cast<int>(shown.size()), &inside,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS |
                (column == StepColumn::kNumber ? DT_RIGHT : DT_LEFT));
}

void MainWindow::DrawRow(NMLVCUSTOMDRAW* draw, LRESULT* result) {
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT: *result = CDRF_NOTIFYITEMDRAW; return;
    case CDDS_ITEMPREPAINT: {
      // The whole row at once: Wine leaves the column shown before the item column out of a
      // row's repaint when its state changes, so cell by cell it kept the old colours.
      const Script* script = CurrentScript();
      const size_t row = draw->nmcd.dwItemSpec;
      if (!script || row >= script->steps.size()) return;
      const Step& step = script->steps[row];
      const UINT state = static_cast<UINT>(SendMessageA(list_, LVM_GETITEMSTATE, row, LVIS_SELECTED | LVIS_DROPHILITED));
      // A selection the list does not have the focus for shows, but quietly.
      const bool strong = (state & LVIS_DROPHILITED) || GetFocus() == list_;
      const RowLook look = LookOfRow(step, colours_, showResults_);
      COLORREF fill = look.fill == kDefault ? GetSysColor(COLOR_WINDOW) : look.fill;
      if (state) fill = GetSysColor(strong ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
      // The row's whole width first, so that no gap between cells shows the list's own colour.
      HDC dc = draw->nmcd.hdc;
      RECT line = {LVIR_BOUNDS, 0, 0, 0};
      SendMessageA(list_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&line));
      RECT client;
      GetClientRect(list_, &client);
      line.left = client.left;
      line.right = client.right;
      SetBkColor(dc, fill);
      ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &line, nullptr, 0, nullptr);
      const HFONT font = reinterpret_cast<HFONT>(SendMessageA(list_, WM_GETFONT, 0, 0));
      const HGDIOBJ oldFont = SelectObject(dc, font);
      const int oldMode = SetBkMode(dc, TRANSPARENT);
      for (int subItem = 0; subItem < static_cast<int>(StepColumn::kCount); ++subItem) {
        RowLook cell = look;
        if (subItem == kCommentColumn) {
          const RowLook note = LookOfComment(colours_);
          if (cell.text == kDefault) cell.text = note.text;
          cell.italic = note.italic;
        }
        COLORREF text = cell.text == kDefault ? GetSysColor(COLOR_WINDOWTEXT) : cell.text;
        if (state) text = GetSysColor(strong ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
        SelectObject(dc, cell.italic ? commentFont_ : font);
        DrawCell(dc, step, row, subItem, text, fill);
      }
      SetBkMode(dc, oldMode);
      SelectObject(dc, oldFont);
      *result = CDRF_SKIPDEFAULT;
      return;
    }
    default: return;
  }
}

// Dragging rows ---------------------------------------------------------------------------------

// The row the dragged Steps would stand in front of, from a point of the main window: the row
// under it, the one after when the point is on a row's lower half, Rows() below the last row;
// -1 outside the list.
int MainWindow::DropRow(LPARAM lp) {
  POINT p = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  MapWindowPoints(hwnd_, list_, &p, 1);
  RECT client;
  GetClientRect(list_, &client);
  if (p.x < client.left || p.x >= client.right) return -1;
  const int rows = static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
  LVHITTESTINFO hit = {};
  hit.pt = p;
  const int row = static_cast<int>(SendMessageA(list_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (row < 0) return p.y > 0 ? rows : -1;
  RECT r = {LVIR_BOUNDS, 0, 0, 0};
  SendMessageA(list_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
  return p.y > (r.top + r.bottom) / 2 ? row + 1 : row;
}

// The drop place shows as the row it lands in front of.
void MainWindow::ShowDropRow(int row) {
  LVITEMA item = {};
  item.stateMask = LVIS_DROPHILITED;
  if (dropRow_ >= 0) SendMessageA(list_, LVM_SETITEMSTATE, dropRow_, reinterpret_cast<LPARAM>(&item));
  dropRow_ = row >= 0 && row < static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)) ? row : -1;
  item.state = LVIS_DROPHILITED;
  if (dropRow_ >= 0) SendMessageA(list_, LVM_SETITEMSTATE, dropRow_, reinterpret_cast<LPARAM>(&item));
}

void MainWindow::EndDrag() {
  dragging_ = false;
  ShowDropRow(-1);
  if (GetCapture() == hwnd_) ReleaseCapture();
}

// The comment of a row, edited where it stands ------------------------------------------------

LRESULT CALLBACK MainWindow::CommentEditProc(HWND edit, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<MainWindow*>(data);
  switch (msg) {
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      if (wp == VK_RETURN) return self->EndCommentEdit(true), 0;
      if (wp == VK_ESCAPE) return self->EndCommentEdit(false), 0;
      break;
    case WM_KILLFOCUS: self->EndCommentEdit(true); return 0;
  }
  return DefSubclassProc(edit, msg, wp, lp);
}

void MainWindow::EditComment(int row) {
  const Script* script = CurrentScript();
  Document* doc = Doc();
  if (!script || !doc || row < 0 || static_cast<size_t>(row) >= script->steps.size()) return;
  if (session_->scripts.Running(doc->slot())) return;
  RECT cell = {};
  cell.top = kCommentColumn;
  cell.left = LVIR_LABEL;
  SendMessageA(list_, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
  commentEdit_ = CreateWindowExA(0, "EDIT", script->steps[static_cast<size_t>(row)].comment.c_str(),
                                 WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, cell.left, cell.top,
                                 cell.right - cell.left, cell.bottom - cell.top, list_, nullptr, instance_, nullptr);
  SendMessageA(commentEdit_, WM_SETFONT, SendMessageA(list_, WM_GETFONT, 0, 0), FALSE);
  SetWindowSubclass(commentEdit_, &MainWindow::CommentEditProc, 1, reinterpret_cast<DWORD_PTR>(this));
  SendMessageA(commentEdit_, EM_SETSEL, 0, -1);
  commentRow_ = row;
  SetFocus(commentEdit_);
}

bool MainWindow::EndCommentEdit(bool keep) {
  if (!commentEdit_) return false;
  HWND edit = commentEdit_;
  commentEdit_ = nullptr;  // the focus change below comes back here
  if (keep) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(edit)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(edit, text.data(), static_cast<int>(text.size()))));
    const size_t row = static_cast<size_t>(commentRow_);
    Edit([&](Document& d) { return d.EditStep(row, [&](Step& step) { step.comment = text; }); });
  }
  RemoveWindowSubclass(edit, &MainWindow::CommentEditProc, 1);
  DestroyWindow(edit);
  SetFocus(list_);
  return true;
}

int MainWindow::CloseInPlaceEditors() {
  return static_cast<int>(SendMessageA(hwnd_, kCloseEditorsMsg, 0, 0));
}

// Files ---------------------------------------------------------------------------------------

bool MainWindow::OpenFile(const std::string& path) {
  if (!session_ || !io_ || !files_) return false;
  const std::string clean = CleanPath(path);
  for (size_t i = 0; i < TabCount(); ++i)
    if (!clean.empty() && EqualsNoCase(PathOf(i), clean)) {
      SelectTab(static_cast<int>(i));
      RememberRecent(clean);
      return true;
    }
  // An untouched Untitled tab gives its place to the file.
  Document* doc = Doc();
  const Script* current = CurrentScript();
  const bool reuse = doc && current && current->path.empty() && current->steps.empty() && doc->Changes() == 0 &&
                     !session_->scripts.Running(doc->slot());
  if (!reuse && files_->Full()) {
    MessageBoxA(hwnd_, TooManyScriptsMessage().c_str(), kWarningCaption, MB_OK | MB_ICONWARNING);
    return false;
  }
  Script script;
  if (ReadScriptFile(*io_, clean, script) == 0) return false;
  if (reuse) {
    session_->scripts.Set(doc->slot(), std::move(script));
    doc->MarkSaved();
    SelectTab(CurrentIndex());
  } else {
    AddTab(std::move(script));
  }
  RememberRecent(clean);
  return true;
}

void MainWindow::RememberRecent(const std::string& path) {
  NoteRecentFile(store_, path);
  // The shell's list waits for a timer, which comes after the file's first paint.
  shellRecent_.push_back(path);
  SetTimer(hwnd_, kShellRecentTimer, USER_TIMER_MINIMUM, nullptr);
}

void MainWindow::OpenRecent(int n) {
  const std::vector<std::string> recent = RecentFiles(store_);
  if (n >= 0 && n < static_cast<int>(recent.size())) OpenFile(recent[static_cast<size_t>(n)]);
}

void MainWindow::New() { AddTab(Script{}); }

void MainWindow::Open() {
  if (std::optional<std::string> file = AskFileName(hwnd_, false, "")) OpenFile(*file);
}

bool MainWindow::SaveTab(int index, bool askName) {
  Document& doc = files_->At(static_cast<size_t>(index));
  Script* script = session_->scripts.At(doc.slot());
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
  doc.MarkSaved();
  RememberRecent(script->path.str());
  RefreshTabs();
  UpdateTitle();
  if (index == CurrentIndex()) ShowReady();
  return true;
}

// False when the user keeps the file open (Cancel, or a save that did not happen).
std::optional<std::string> MainWindow::Ask(const std::string& caption, const std::string& prompt,
                                           const std::string& initial, EntryKind kind) {
  EntryRequest request;
  request.kind = kind;
  request.caption = caption;
  request.prompt = prompt;
  request.initial = initial;
  request.maxAnswer = 1 << 20;
  request.owner = MainWindowHandle();
  PromptAnswer answer = session_->dialogs().AskEntry(request);
  if (!answer.ok) return std::nullopt;
  return answer.text;
}

bool MainWindow::AskToSave(int index) {
  Document& doc = files_->At(static_cast<size_t>(index));
  if (doc.Changes() == 0 || store_.ReadNumber("*\\PromptSave") == 0) return true;
  SelectTab(index);
  const int answer = MessageBoxA(hwnd_, SaveQuestion(PathOf(static_cast<size_t>(index))).c_str(), kConfirmCaption,
                                 MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer == IDCANCEL) return false;
  return answer == IDNO || SaveTab(index, false);
}

bool MainWindow::CloseTab(int index) {
  if (index < 0 || index >= static_cast<int>(TabCount())) return false;
  if (!AskToSave(index)) return false;
  if (!files_->Close(static_cast<size_t>(index))) {
    MessageBoxA(hwnd_, kSlotRunningMessage, kWarningCaption, MB_OK | MB_ICONWARNING);
    return false;
  }
  SendMessageA(tabs_, TCM_DELETEITEM, index, 0);
  if (TabCount() == 0) New();
  else SelectTab(CurrentIndex());
  return true;
}

void MainWindow::CloseCurrent() { CloseTab(CurrentIndex()); }

void MainWindow::CloseAll() {
  for (int i = static_cast<int>(TabCount()) - 1; i >= 0; --i)
    if (!CloseTab(i)) return;
}

void MainWindow::Save() {
  if (CurrentIndex() >= 0) SaveTab(CurrentIndex(), false);
}

void MainWindow::SaveAs() {
  if (CurrentIndex() >= 0) SaveTab(CurrentIndex(), true);
}

void MainWindow::SaveAll() {
  for (size_t i = 0; i < TabCount(); ++i)
    if (files_->At(i).Changes() != 0 || !PathOf(i).empty()) SaveTab(static_cast<int>(i), false);
}

void MainWindow::Exit() { PostMessageA(hwnd_, WM_CLOSE, 0, 0); }

// Editing -------------------------------------------------------------------------------------

// An edit field in front (a palette's, a text view's) takes the clipboard commands itself.
bool MainWindow::ToEditField(UINT message, WPARAM wp, LPARAM lp) {
  HWND focus = GetFocus();
  char cls[16] = {};
  if (!focus || focus == list_ || !GetClassNameA(focus, cls, sizeof(cls)) || !EqualsNoCase(cls, "Edit")) return false;
  SendMessageA(focus, message, wp, lp);
  return true;
}

// Runs an edit of the current file with the list's selection, then shows its result.
bool MainWindow::Edit(const std::function<bool(Document&)>& edit) {
  Document* doc = Doc();
  if (!doc) return false;
  if (session_->scripts.Running(doc->slot())) {
    SetStatus(" The Script is running: stop the run to edit it");
    return false;
  }
  PullSelection();
  const bool changed = edit(*doc);
  Changed("");
  return changed;
}

LoadContext MainWindow::PasteContext() {
  const Script* script = CurrentScript();
  LoadContext context{io_->catalogs.For(script ? script->path.str() : "")};
  context.newStepDefaults = ReadEditSettings(store_).newStep;
  return context;
}

void MainWindow::ShowDeleteProgress(size_t done, size_t total) {
  if (!progress_) {
    RECT part;
    SendMessageA(status_, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&part));
    progress_ = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, part.left + 2, part.top + 2,
                                part.right - part.left - 4, part.bottom - part.top - 4, status_, nullptr, instance_,
                                nullptr);
  }
  SendMessageA(progress_, PBM_SETPOS, total ? MulDiv(static_cast<int>(done), 100, static_cast<int>(total)) : 0, 0);
  // A repaint costs more than removing 100 Steps: at most ten a second.
  const DWORD now = GetTickCount();
  if (now - progressPainted_ >= 100) {
    UpdateWindow(progress_);
    progressPainted_ = now;
  }
}

void MainWindow::EndProgress() {
  if (progress_) DestroyWindow(progress_);
  progress_ = nullptr;
}

void MainWindow::Undo() {
  if (!ToEditField(EM_UNDO, 0, 0)) Edit([](Document& d) { return d.Undo(); });
}
void MainWindow::Redo() { Edit([](Document& d) { return d.Redo(); }); }

void MainWindow::Copy() {
  if (ToEditField(WM_COPY, 0, 0) || !Doc()) return;
  PullSelection();
  std::optional<Copied> copied = Doc()->Copy(ReadEditSettings(store_));
  if (!copied) return;
  if (OsError e = session_->clipboard().SetText(copied->text); !e.ok()) return SetStatus(" " + e.ToString());
  SetStatus(copied->status);
}

void MainWindow::Cut() {
  if (ToEditField(WM_CUT, 0, 0)) return;
  std::optional<Copied> copied;
  Edit([&](Document& d) {
    copied = d.Cut(ReadEditSettings(store_), [this](size_t done, size_t total) { ShowDeleteProgress(done, total); });
    return copied.has_value();
  });
  EndProgress();
  if (copied) (void)session_->clipboard().SetText(copied->text);
}

void MainWindow::PasteAt(bool toEnd) {
  if (!toEnd && ToEditField(WM_PASTE, 0, 0)) return;
  std::optional<std::string> text = session_->clipboard().Text();
  // Plain text is not an error worth a dialog: the user copied something else.
  if (!text || !ContainsNoCase(*text, "<step")) return SetStatus(" The clipboard holds no Steps");
  PasteOutcome outcome;
  Edit([&](Document& d) {
    const LoadContext context = PasteContext();
    const EditSettings settings = ReadEditSettings(store_);
    outcome = toEnd ? d.PasteToEnd(*text, context, settings) : d.Paste(*text, context, settings);
    return outcome.added > 0;
  });
  if (!outcome.error.empty()) MessageBoxA(hwnd_, outcome.error.c_str(), kErrorCaption, MB_OK | MB_ICONEXCLAMATION);
}
void MainWindow::Paste() { PasteAt(false); }
void MainWindow::PasteToEnd() { PasteAt(true); }

void MainWindow::Delete() {
  if (ToEditField(WM_CLEAR, 0, 0)) return;
  Edit([this](Document& d) { return d.Delete([this](size_t done, size_t total) { ShowDeleteProgress(done, total); }); });
  EndProgress();
}

void MainWindow::SelectAll() {
  if (ToEditField(EM_SETSEL, 0, -1) || !Doc()) return;
  Doc()->SelectAll();
  PushSelection();
}

FindOptions MainWindow::LastFind(bool up) {
  FindOptions options = ReadFindOptions(store_);
  options.up = up;
  return options;
}

// One search from the selection; what it found, for the status bar and the Find dialog.
std::string MainWindow::FindWith(const FindOptions& options) {
  if (!Doc()) return "";
  PullSelection();
  std::optional<size_t> row = options.up ? Doc()->FindPrevious(options) : Doc()->FindNext(options);
  PushSelection();
  const std::string said = row ? "Found \"" + options.text + "\" in Step " + std::to_string(*row + 1)
                               : "\"" + options.text + "\" was not found";
  SetStatus(" " + said);
  return said;
}

void MainWindow::FindAgain(bool up) {
  FindOptions options = LastFind(up);
  if (options.text.empty()) return Find();
  FindWith(options);
}

void MainWindow::OpenFind(bool replace) {
  if (!Doc()) return;
  FindActions actions{
      [this](const FindOptions& options) { return FindWith(options); },
      [this](const FindOptions& options, const std::string& with) {
        std::optional<size_t> next;
        if (!Edit([&](Document& d) { return (next = d.Replace(options, with)).has_value(); })) return std::string();
        return next ? "Next in Step " + std::to_string(*next + 1) : "\"" + options.text + "\" was not found";
      },
      [this](const FindOptions& options, const std::string& with) {
        size_t replaced = 0;
        Edit([&](Document& d) { return (replaced = d.ReplaceAll(options, with)) > 0; });
        const std::string said = "Replaced " + std::to_string(replaced) + " time" + (replaced == 1 ? "" : "s");
        SetStatus(" " + said);
        return said;
      },
  };
  RunFindDialog(hwnd_, store_, replace, actions);
}

void MainWindow::Find() { OpenFind(false); }
void MainWindow::FindNext() { FindAgain(false); }
void MainWindow::FindPrevious() { FindAgain(true); }
void MainWindow::Replace() { OpenFind(true); }

void MainWindow::GoToStep() {
  Document* doc = Doc();
  if (!doc || doc->Rows() == 0) return;
  RunGoToStepDialog(hwnd_, doc->Rows(), [&](long n) {
    PullSelection();
    std::string error = doc->GoToStep(n);
    PushSelection();
    return error;
  });
}

void MainWindow::MoveUp() { Edit([](Document& d) { return d.MoveUp(); }); }
void MainWindow::MoveDown() { Edit([](Document& d) { return d.MoveDown(); }); }
void MainWindow::IndentMore() { Edit([](Document& d) { return d.Indent(1); }); }
void MainWindow::IndentLess() { Edit([](Document& d) { return d.Indent(-1); }); }
void MainWindow::AutoIndent() {
  std::string report;
  Edit([&](Document& d) {
    bool changed = false;
    report = d.AutoIndent(&changed);
    return changed;
  });
  if (!report.empty()) MessageBoxA(hwnd_, report.c_str(), kWarningCaption, MB_OK | MB_ICONWARNING);
  else SetStatus(" Every IF and loop block is balanced");
}
void MainWindow::Skip() { Edit([](Document& d) { return d.ToggleMark(status::kSkip); }); }
void MainWindow::Breakpoint() { Edit([](Document& d) { return d.ToggleMark(status::kBreakpoint); }); }
void MainWindow::Bookmark() { Edit([](Document& d) { return d.ToggleMark(status::kBookmark); }); }
void MainWindow::RemoveSkips() { Edit([](Document& d) { return d.RemoveAll(status::kSkip); }); }
void MainWindow::RemoveBreakpoints() { Edit([](Document& d) { return d.RemoveAll(status::kBreakpoint); }); }
void MainWindow::RemoveBookmarks() { Edit([](Document& d) { return d.RemoveAll(status::kBookmark); }); }

void MainWindow::GoToBookmark(bool up) {
  if (!Doc()) return;
  PullSelection();
  std::optional<size_t> row = up ? Doc()->PreviousBookmark() : Doc()->NextBookmark();
  PushSelection();
  if (!row) SetStatus(" The Script has no bookmarks");
}
void MainWindow::NextBookmark() { GoToBookmark(false); }
void MainWindow::PreviousBookmark() { GoToBookmark(true); }

void MainWindow::AddComment() {
  const Script* script = CurrentScript();
  const ActionCatalog& catalog = io_->catalogs.For(script ? script->path.str() : "");
  Edit([&](Document& d) { return d.AddComment(catalog, ReadEditSettings(store_)); });
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
  if (Document* doc = Doc()) StartRun(*session_, doc->slot(), command, true, 0, 0);
}

void MainWindow::RunCurrent(int startStep) {
  if (Document* doc = Doc()) StartRun(*session_, doc->slot(), runcmd::kRun, true, startStep, 0);
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
  dock_.Reset();
  ApplyOnTop(store_.ReadNumber("*\\OnTop") != 0);
  ReadListLook();
  Layout();
  InvalidateRect(list_, nullptr, FALSE);
}

void MainWindow::ToggleStatusBar() {
  const bool show = !Shown(status_);
  ShowWindow(status_, show ? SW_SHOW : SW_HIDE);
  store_.WriteNumber("*\\ShowStatusbar", show ? 1 : 0);
  Layout();
}

void MainWindow::TogglePalette(PaletteId id) {
  dock_.Toggle(id);
  Layout();
}
void MainWindow::ToggleOutput() { TogglePalette(PaletteId::kOutput); }
void MainWindow::ToggleProperties() {
  TogglePalette(PaletteId::kProperties);
  RefreshProperties();
}

// Properties ----------------------------------------------------------------------------------

void MainWindow::ScheduleProperties() {
  // A run moves the selection Step by Step: the palette follows when it ends.
  if (propertiesPosted_ || !properties_.hwnd() || running_) return;
  propertiesPosted_ = true;
  PostMessageA(hwnd_, kPropertiesMsg, 0, 0);
}

std::optional<size_t> MainWindow::PropertyStep() {
  PullSelection();
  Document* doc = Doc();
  const Script* script = CurrentScript();
  if (!doc || !script || doc->SelectedCount() != 1) return std::nullopt;
  const size_t row = doc->SelectedRows().front();
  if (row >= script->steps.size()) return std::nullopt;
  return row;
}

void MainWindow::RefreshProperties() {
  if (!dock_.Shown(PaletteId::kProperties)) return;
  // A value still being typed belongs to the Step it was typed for, not to the one now selected.
  properties_.EndEdit(true);
  std::vector<GridRow> rows;
  std::string title;
  propertyRows_.clear();
  if (std::optional<size_t> row = PropertyStep()) {
    const Script& script = *CurrentScript();
    const Step& step = script.steps[*row];
    propertyRows_ = PropertyRowsFor(step, io_->catalogs.For(script.path.str()));
    rows.reserve(propertyRows_.size());
    for (const PropertyRow& p : propertyRows_) rows.push_back(GridRowOf(p));
    title = "Step " + std::to_string(*row + 1) + ": " + step.action.str();
    propertyAction_ = step.action.str();
  }
  propertyStep_ = PropertyStep();
  propertyDoc_ = Doc();
  properties_.Show(std::move(rows), title);
}

std::optional<size_t> MainWindow::StepOfProperties() {
  const Script* script = CurrentScript();
  if (!propertyStep_ || Doc() != propertyDoc_ || !script) return std::nullopt;
  const size_t row = *propertyStep_;
  if (row >= script->steps.size() || !EqualsNoCase(script->steps[row].action.str(), propertyAction_)) return std::nullopt;
  return row;
}

void MainWindow::EditProperty(size_t index, const std::string& value) { ApplyPropertyEdits({{index, value}}); }

void MainWindow::ApplyPropertyEdits(const std::vector<std::pair<size_t, std::string>>& edits) {
  const std::optional<size_t> row = StepOfProperties();
  if (!row) return;
  // Copies: the edit refreshes the palette's rows.
  std::vector<std::pair<PropertyRow, std::string>> changes;
  for (const auto& [index, value] : edits) {
    if (index >= propertyRows_.size()) return;
    changes.emplace_back(propertyRows_[index], value);
  }
  Edit([&](Document& d) {
    return d.EditStep(*row, [&](Step& step) {
      for (const auto& [property, value] : changes) ApplyProperty(step, property, value);
    });
  });
}

void MainWindow::PickWindowInto(size_t index) {
  const std::optional<size_t> row = StepOfProperties();
  if (!row || index >= propertyRows_.size()) return;
  const std::optional<PickedWindow> picked = PickWindow(instance_, hwnd_, uiFont_);
  if (!picked || StepOfProperties() != row) return;
  const std::string options = CurrentScript()->steps[*row].options.str();
  const auto window = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(picked->window));
  const auto which = std::find_if(propertyRows_.begin(), propertyRows_.end(),
                                  [](const PropertyRow& r) { return r.label == "Which Window"; });
  if (which == propertyRows_.end())
    return ApplyPropertyEdits({{index, PickedMatchData(*session_, options, window, picked->at.x, picked->at.y)}});
  // A Step that works on the last "Use Window" or the top window would pass the picked one
  // over: it is named by title from now on.
  std::vector<std::pair<size_t, std::string>> edits = {{index, PickedWindowName(*session_, options, window)}};
  if (!ContainsNoCase(options, "Title") && !ContainsNoCase(options, "Handle"))
    edits.emplace_back(static_cast<size_t>(which - propertyRows_.begin()), "Window Title");
  ApplyPropertyEdits(edits);
}

void MainWindow::PickPixelInto(size_t index) {
  const std::optional<size_t> row = StepOfProperties();
  if (!row || index >= propertyRows_.size()) return;
  const std::optional<PickedPixel> picked =
      PickPixel(instance_, hwnd_, uiFont_, ColorFromText(propertyRows_[index].value), customColours_);
  if (!picked || StepOfProperties() != row) return;
  std::vector<std::pair<size_t, std::string>> edits = {{index, ColorText(picked->colour)}};
  // A Step that checks one point ("IF Pixel Equals") checks the point picked.
  const auto point = std::find_if(propertyRows_.begin(), propertyRows_.end(),
                                  [](const PropertyRow& r) { return r.label == "X,Y"; });
  if (picked->at && point != propertyRows_.end())
    edits.emplace_back(static_cast<size_t>(point - propertyRows_.begin()),
                       std::to_string(picked->at->x) + ", " + std::to_string(picked->at->y));
  ApplyPropertyEdits(edits);
}

// Help ----------------------------------------------------------------------------------------

void MainWindow::OpenHelpPage(std::string_view topic) {
  // The pages sit in "help" beside the program; a topic names one as "::/page.htm".
  if (topic.starts_with("::/")) topic.remove_prefix(3);
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, sizeof(exe));
  std::string page(exe);
  page = page.substr(0, page.find_last_of('\\') + 1) + "help\\" + std::string(topic);
  if (GetFileAttributesA(page.c_str()) == INVALID_FILE_ATTRIBUTES) {
    SetStatus(" The help page " + page + " is missing");
    return;
  }
  ShellExecuteA(hwnd_, "open", page.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void MainWindow::ActionHelp() {
  const Script* script = CurrentScript();
  const std::optional<size_t> row = PropertyStep();
  const ActionCategory* category = script && row ? FindActionCategory(script->steps[*row].category) : nullptr;
  if (category && !category->helpTopic.empty()) return OpenHelpPage(category->helpTopic);
  HelpReference();
}

void MainWindow::HelpReference() { OpenHelpPage("index.htm"); }

// Recording -----------------------------------------------------------------------------------

void MainWindow::ToggleRecording(size_t index) {
  if (recorder_) return StopRecording();
  const std::optional<size_t> row = PropertyStep();
  if (!row || index >= propertyRows_.size() || running_) return;
  if (MethodOfOptions(CurrentScript()->steps[*row].options) == RecordingMethod::kSoftware) {
    // Journal hooks: Wine sees keys only and later Windows refuse them, so only polling records.
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    const std::string text = RecordingStartFailure("the \"Software\" method records through journal hooks, "
                                                   "which this version of Plumo does not use.",
                                                   version.dwMajorVersion >= 6);
    MessageBoxA(hwnd_, text.c_str(), "Recording Error", MB_OK | MB_ICONERROR);
    return;
  }
  recorder_ = std::make_unique<HardwareRecorder>(session_->desktop(), session_->clock());
  recorder_->Start();
  recording_ = {*row, propertyRows_[index]};
  properties_.SetRecording(true);
  SetTimer(hwnd_, kRecordTimer, 10, nullptr);
  hiddenForRecording_ = store_.ReadNumber("*\\MinimizeFindWin") != 0;
  if (hiddenForRecording_) ShowWindow(hwnd_, SW_HIDE);
  SetStatus(" Recording: press F8 or click the field to stop");
}

void MainWindow::StopRecording() {
  if (!recorder_) return;
  KillTimer(hwnd_, kRecordTimer);
  const std::string text = recorder_->StopToText(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(properties_.grid())));
  const size_t events = recorder_->events().size();
  recorder_.reset();
  if (hiddenForRecording_) ShowWindow(hwnd_, SW_SHOW);
  properties_.SetRecording(false);
  const auto [row, property] = recording_;
  Edit([&](Document& d) { return d.EditStep(row, [&](Step& step) { ApplyProperty(step, property, text); }); });
  SetStatus(" Recorded " + std::to_string(events) + " event" + (events == 1 ? "" : "s"));
}

void MainWindow::EditProperties() {
  if (!dock_.Shown(PaletteId::kProperties)) TogglePalette(PaletteId::kProperties);
  RefreshProperties();
  SetFocus(GetDlgItem(properties_.hwnd(), PropertiesPalette::kGridId));
}
void MainWindow::ToggleActions() { TogglePalette(PaletteId::kActions); }
void MainWindow::ToggleVariables() { TogglePalette(PaletteId::kVariables); }

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
  if (text) ShowText("Source XML - " + DisplayName(script->path.str()), *text);
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

void MainWindow::About() { RunAboutDialog(hwnd_, kProgramIcon); }
void MainWindow::StartupOptions() { RunStartupOptionsDialog(hwnd_); }

// The build runs here, in the window's thread, as it does in Plumo.com; its lines go to the Output
// pane and its failures to message boxes.
void MainWindow::CompileProgram() {
  Script* script = CurrentScript();
  if (!script) return;
  const std::string studio = session_->environment().ProgramPath();
  // Beside the Script, or for an untitled one in the user's documents.
  std::string folder(FolderPart(script->path.str()));
  if (folder.empty()) folder = session_->environment().DocumentsFolder();
  CompileDialogContext context{script->path.str(), studio, folder, session_->clipboard()};
  BuildRequest request;
  if (!RunCompileDialog(hwnd_, store_, context, request)) return;
  HCURSOR before = SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
  Win32ProgramResources resources(session_->clock());
  BuildServices services{io_->messages,
                         [this](std::string_view line) {
                           if (StartsWithNoCase(line, "The DLL function"))
                             MessageBoxA(hwnd_, std::string(line).c_str(), "Compile DLL", MB_OK | MB_ICONINFORMATION);
                           OutputAppend(std::string(line));
                         },
                         session_->files(),
                         session_->clock(),
                         resources,
                         session_->processes(),
                         folder,
                         session_->environment().TempFolder(),
                         RuntimeLibraryPath(studio),
                         [this](std::string_view text) { return session_->Expand(text); }};
  const bool built = BuildProgram(services, *script, request) == 1;
  SetCursor(before);
  SetStatus(built ? " Compiled " + request.output : " Compiling failed");
}

void MainWindow::Options() {
  const DefaultsContext context{GetSystemMetrics(SM_CXSCREEN), InterfaceFontHeight(),
                                DocumentsFolderOf(session_->environment(), store_)};
  if (!RunOptionsDialog(hwnd_, store_, context, StudioCommands())) return;
  uint8_t stopKey = session_->run.stopKey;
  keys_ = LoadKeyboardMap(store_, StudioCommands(), &stopKey);
  session_->run.stopKey = stopKey;
  ApplyOnTop(store_.ReadNumber("*\\OnTop") != 0);
  ReadListLook();
  RefreshList();
}

void MainWindow::ReportLastRun() {
  Document* doc = Doc();
  if (!doc || !RunReportDialog(hwnd_, store_, PathOf(static_cast<size_t>(CurrentIndex())))) return;
  const bool toFile = store_.ReadNumber("*\\Report\\ReportType") != kGridReportType;
  if (ReportOfLastRun(*session_, doc->slot()) && toFile)
    SetStatus(" Report written to " + store_.ReadText("*\\Report\\OutputFile", 260));
}

void MainWindow::TrackMouse() {
  if (!mouseTracker_) mouseTracker_ = std::make_unique<MouseTracker>(instance_, hwnd_, kTrackMouseCommand);
  if (!mouseTracker_->running()) {
    if (mouseTracker_->Start(uiFont_)) SetStatus(" Tracking the mouse: F11 ends it and puts its position on the clipboard");
    return;
  }
  const std::string at = mouseTracker_->Stop();
  const OsError copied = session_->clipboard().SetText(at);
  SetStatus(" The mouse was at " + at + (copied.ok() ? " (on the clipboard)" : ""));
}

void MainWindow::ViewLogFile() {
  const std::string path = LogFilePath(*session_);
  // Only runs with logging on (Options, or -L) write it.
  if (session_->files().Kind(path) != PathKind::kFile)
    return SetStatus(" There is no log file yet: runs write " + path + " when logging is on");
  if (OsError e = session_->system().ShellOpen(path); !e.ok()) SetStatus(" " + path + ": " + e.ToString());
}

void MainWindow::GridSnapshot() {
  const Script* script = CurrentScript();
  if (!script) return;
  std::string results[5];
  ReadResultTexts(store_, results);
  const std::string text =
      GridSnapshotText(*script, indent_, [&](const Step& step) { return ResultTextOf(step, results); });
  if (OsError e = session_->clipboard().SetText(text); !e.ok()) return SetStatus(" " + e.ToString());
  SetStatus(" The list of " + std::to_string(script->steps.size()) + " Steps is on the clipboard");
}

void MainWindow::FileProperties() {
  Script* script = CurrentScript();
  if (!script || !Doc()) return;
  std::optional<FileFacts> file;
  if (!script->path.str().empty()) {
    OsError error;
    file = session_->files().Facts(script->path.str(), &error);
  }
  RunPropertiesDialog(hwnd_, ScriptFacts(*script, file, Doc()->Changes()));
}

void MainWindow::CustomTags() {
  Script* script = CurrentScript();
  if (!script || !Doc()) return;
  PullSelection();
  const std::optional<size_t> row = Doc()->Focus();
  if (!row || *row >= script->steps.size()) return SetStatus(" Select a Step first");
  std::optional<std::string> custom = RunCustomTagsDialog(hwnd_, *row + 1, script->steps[*row].custom.str());
  if (custom) Edit([&](Document& d) { return d.EditStep(*row, [&](Step& s) { s.custom = *custom; }); });
}

// RunView -------------------------------------------------------------------------------------

bool MainWindow::StatusBarVisible() { return Shown(status_); }

bool MainWindow::OutputVisible() { return dock_.Shown(PaletteId::kOutput) && !IsIconic(hwnd_); }
// The run thread leaves its lines here and never waits for the studio to draw them; the main
// thread takes what gathered in one go.
void MainWindow::QueueOutput(const std::function<void(PendingOutput&)>& change) {
  bool post = false;
  {
    std::lock_guard<std::mutex> lock(outputMu_);
    change(pendingOutput_);
    post = !pendingOutput_.posted;
    pendingOutput_.posted = true;
  }
  if (post) PostMessageA(hwnd_, kOutputMsg, 0, 0);
}

void MainWindow::OutputAppend(const std::string& entry) {
  QueueOutput([&](PendingOutput& p) { p.lines.push_back(entry); });
}
void MainWindow::OutputClear() {
  QueueOutput([](PendingOutput& p) {
    p.lines.clear();
    p.clear = true;
  });
}
void MainWindow::OutputScrollToEnd() {
  QueueOutput([](PendingOutput& p) { p.scroll = true; });
}

bool MainWindow::OutputEmpty() {
  std::lock_guard<std::mutex> lock(outputMu_);
  return pendingOutput_.lines.empty() && (pendingOutput_.clear || outputShown_ == 0);
}

void MainWindow::FlushOutput(bool force) {
  PendingOutput taken;
  {
    std::lock_guard<std::mutex> lock(outputMu_);
    std::swap(taken, pendingOutput_);
  }
  if (taken.clear) output_.Clear();
  output_.Append(std::move(taken.lines));
  outputScroll_ = outputScroll_ || taken.scroll;
  if (output_.Show(outputScroll_, force)) outputScroll_ = false;
  else SetTimer(hwnd_, kOutputTimer, kOutputFlushMs, nullptr);  // too soon: the rest comes later
  std::lock_guard<std::mutex> lock(outputMu_);
  outputShown_ = output_.Empty() ? 0 : 1;
}

void MainWindow::StatusText(int part, const std::string& text) {
  if (status_ && part >= 0 && part < kStatusParts)
    SendMessageA(status_, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(text.c_str()));
}

int MainWindow::CurrentTab() {
  Document* doc = Doc();
  return doc ? doc->slot() : -1;
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
  if (variables_) variables_->Reload();
  InvalidateRect(list_, nullptr, FALSE);
  if (output_.hwnd()) FlushOutput(true);
  if (closeAfterRun_) PostMessageA(hwnd_, WM_CLOSE, 0, 0);
}
void MainWindow::CloseMainWindow() { PostMessageA(hwnd_, WM_CLOSE, 0, 0); }
void MainWindow::RequestClose() { PostMessageA(hwnd_, WM_CLOSE, 0, 0); }

// Palettes and the tracking window ------------------------------------------------------------

void MainWindow::AttachVariablesPalette(VariablesPaletteWindow* palette, VariableStore* store) {
  variables_ = palette;
  variableStore_ = store;
}

bool MainWindow::InPalette(HWND window) const {
  for (const PaletteInfo& def : kPalettes) {
    HWND content = dock_.Content(def.id);
    if (content && def.id != PaletteId::kOutput && (window == content || IsChild(content, window))) return true;
  }
  return false;
}

const ActionCatalog& MainWindow::PaletteCatalog() {
  const Script* script = CurrentScript();
  return io_->catalogs.For(script ? script->path.str() : "");
}

bool MainWindow::InsertSteps(const std::string& steps, Document::Place place) {
  return AddNewSteps(steps, place, std::nullopt);
}

bool MainWindow::DropSteps(const std::string& steps, POINT screen) {
  HWND under = WindowFromPoint(screen);
  if (!list_ || !under || (under != list_ && !IsChild(list_, under))) return false;
  POINT client = screen;
  ScreenToClient(hwnd_, &client);
  const int row = DropRow(MAKELPARAM(client.x, client.y));
  if (row < 0) return false;
  AddNewSteps(steps, Document::Place::kEnd, static_cast<size_t>(row));
  return true;
}

bool MainWindow::AddNewSteps(const std::string& steps, Document::Place place, std::optional<size_t> inFrontOf) {
  std::string error;
  const bool added = Edit([&](Document& d) {
    EditSettings settings = ReadEditSettings(store_);
    if (inFrontOf && *inFrontOf < d.Rows()) {
      // In front of the row it was let go on, as rows dragged in the list land.
      d.Select(*inFrontOf);
      settings.insertBehind = false;
      place = Document::Place::kSelection;
    }
    const PasteOutcome out = d.InsertNewText(steps, PasteContext(), settings, place);
    error = out.error;
    return out.added > 0;
  });
  if (!error.empty()) SetStatus(" " + error);
  return added;
}

std::string MainWindow::SelectedStepsText() {
  if (!Doc()) return "";
  PullSelection();
  std::optional<Copied> copied = Doc()->Copy(ReadEditSettings(store_));
  return copied ? copied->text : "";
}

void MainWindow::CopyText(const std::string& text) {
  if (OsError e = session_->clipboard().SetText(text); !e.ok()) return SetStatus(" " + e.ToString());
  SetStatus(" Copied \"" + text + "\" to the clipboard");
}

// At once on the main thread; from the run thread through the window's queue, never waiting.
void MainWindow::RequestTracking(WPARAM what) {
  if (!hwnd_) return;
  if (GetWindowThreadProcessId(hwnd_, nullptr) == GetCurrentThreadId()) TakeTracking(what);
  else PostMessageA(hwnd_, kTrackingMsg, what, 0);
}

void MainWindow::OpenActionHelp(int category) {
  const ActionCategory* c = FindActionCategory(category);
  if (c && !c->helpTopic.empty()) return OpenHelpPage(c->helpTopic);
  HelpReference();
}

void MainWindow::TrackingOpen() {
  trackingOpen_ = true;
  RequestTracking(kTrackingOpen);
}

void MainWindow::TrackingClose() {
  trackingOpen_ = false;
  RequestTracking(kTrackingClose);
}

void MainWindow::TrackingText(const std::string& twoLines) {
  {
    std::lock_guard<std::mutex> lock(trackingMu_);
    trackingText_ = twoLines;
    if (trackingPosted_) return;
    trackingPosted_ = true;
  }
  if (hwnd_) PostMessageA(hwnd_, kTrackingMsg, kTrackingShowText, 0);
}

// Posted requests come in order; each acts only when it still matches what was last asked.
void MainWindow::TakeTracking(WPARAM what) {
  switch (what) {
    case kTrackingOpen:
      if (trackingOpen_) tracking_.Open(instance_, store_, uiFont_);
      return;
    case kTrackingClose:
      if (!trackingOpen_) tracking_.Close();
      return;
    case kTrackingShowText: {
      std::string text;
      {
        std::lock_guard<std::mutex> lock(trackingMu_);
        text = std::move(trackingText_);
        trackingPosted_ = false;
      }
      tracking_.SetText(text);
      return;
    }
  }
}

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
    case kCloseEditorsMsg: return EndCommentEdit(true) ? 1 : 0;
    case WM_MOUSEMOVE:
      if (dragging_) ShowDropRow(DropRow(lp));
      return 0;
    case WM_LBUTTONUP:
      if (dragging_) {
        const int target = DropRow(lp);
        EndDrag();
        if (target >= 0) Edit([target](Document& d) { return d.MoveTo(static_cast<size_t>(target)); });
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (dragging_) EndDrag();
      return 0;
    case kOutputMsg:
      // Lines are drawn ten times a second at most: a repaint per line would hold up the run's
      // own calls to this window.
      SetTimer(hwnd_, kOutputTimer, kOutputFlushMs, nullptr);
      return 0;
    case kTrackingMsg:
      TakeTracking(wp);
      return 0;
    case WM_TIMER:
      if (wp == kRecordTimer) {
        if (recorder_ && recorder_->Poll()) StopRecording();
        return 0;
      }
      if (wp == kOutputTimer) {
        KillTimer(hwnd_, kOutputTimer);
        if (output_.hwnd()) FlushOutput();
      }
      if (wp == kShellRecentTimer) {
        KillTimer(hwnd_, kShellRecentTimer);
        for (const std::string& path : std::exchange(shellRecent_, {})) SHAddToRecentDocs(SHARD_PATHA, path.c_str());
      }
      return 0;
    case kEditCommentMsg:
      EditComment(static_cast<int>(wp));
      return 0;
    case WM_HELP:
      ActionHelp();
      return TRUE;
    case kPropertiesMsg:
      propertiesPosted_ = false;
      RefreshProperties();
      return 0;
    case kRunStateMsg:
      running_ = wp != 0;
      for (HWND bar : toolbars_) {
        if (!bar) continue;
        SendMessageA(bar, TB_ENABLEBUTTON, 1029, !running_);
        SendMessageA(bar, TB_ENABLEBUTTON, 1031, !running_);
        SendMessageA(bar, TB_ENABLEBUTTON, 1030, !running_);
      }
      if (!running_) {
        InvalidateRect(list_, nullptr, FALSE);
        ScheduleProperties();
      }
      return 0;
    case WM_CLOSE:
      if (session_ && session_->RunExists()) {
        closeAfterRun_ = true;
        StopRun(*session_, false);
        return 0;
      }
      for (size_t i = 0; i < TabCount(); ++i)
        if (!AskToSave(static_cast<int>(i))) return 0;
      if (session_) {
        SavePlacement();
        std::vector<std::string> open;
        for (size_t i = 0; i < TabCount(); ++i) open.push_back(PathOf(i));
        RememberFilesToReload(store_, open);
      }
      DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      tracking_.Close();
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
  keys_ = keys;  // Options may change them
  HACCEL accelerators = LoadAcceleratorsA(instance_, MAKEINTRESOURCEA(kAcceleratorTable));
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    bool paletteKey = false;
    // While a recording runs, the keys are the recording's: F8 ends it and must not skip a Step.
    if (recorder_ && msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) continue;
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
      const bool functionKey = msg.wParam >= VK_F1 && msg.wParam <= VK_F24;
      paletteKey = InPalette(msg.hwnd) && !functionKey && !(HeldModifiers() & (keymod::kCtrl | keymod::kAlt));
      uint16_t command = paletteKey ? 0 : MatchKeyboardMap(keys_, HeldModifiers(), static_cast<uint8_t>(msg.wParam));
      if (command != 0 && msg.wParam <= 0xFF && hwnd_) {
        PostMessageA(hwnd_, WM_COMMAND, command, 0);
        continue;
      }
    }
    if (!paletteKey && hwnd_ && accelerators && TranslateAcceleratorA(hwnd_, accelerators, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace plumo
