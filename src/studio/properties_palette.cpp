#include "studio/properties_palette.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "actions/desktop/key_sequence.h"
#include "actions/desktop/key_tokens.h"

namespace plumo {
namespace {

constexpr char kPaletteClass[] = "PlumoProperties";
constexpr int kMoreId = 123;
constexpr UINT kEndEditMsg = WM_APP + 40;
constexpr UINT kBeginEditMsg = WM_APP + 41;
constexpr int kEditInBoxCommand = 1;

constexpr char kStartRecording[] = "Click to start new Recording";
constexpr char kStopRecording[] = "*Click to STOP recording* (or press <F8>)";

// What the value column shows for a row.
std::string Shown(const GridRow& row, bool recording) {
  if (row.editor == GridEditor::kCheck) return "";
  if (row.editor == GridEditor::kRecording) return recording ? kStopRecording : kStartRecording;
  const size_t line = row.value.find_first_of("\r\n");
  if (line == std::string::npos) return row.value;
  return row.value.substr(0, line) + " ...";
}

bool NeedsBox(GridEditor editor) { return editor == GridEditor::kLines; }

bool HasMoreButton(GridEditor editor) {
  switch (editor) {
    case GridEditor::kKeys:
    case GridEditor::kFile:
    case GridEditor::kFolder:
    case GridEditor::kWindow:
    case GridEditor::kPixel:
      return true;
    default:
      return false;
  }
}

std::string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<size_t>(std::max(0, length)) + 1, '\0');
  text.resize(static_cast<size_t>(std::max(0, GetWindowTextA(hwnd, text.data(), length + 1))));
  return text;
}

void AddKeyItems(HMENU menu, const std::vector<KeyMenuItem>& items) {
  for (const KeyMenuItem& item : items) {
    if (item.separator) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    } else if (!item.entries.empty()) {
      HMENU sub = CreatePopupMenu();
      AddKeyItems(sub, item.entries);
      AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), item.text.c_str());
    } else {
      AppendMenuA(menu, MF_STRING, item.id, item.text.c_str());
    }
  }
}

}  // namespace

PropertiesPalette::~PropertiesPalette() {
  if (bold_) DeleteObject(bold_);
  if (rowHeight_) ImageList_Destroy(rowHeight_);
}

bool PropertiesPalette::Create(HINSTANCE instance, HWND parent, int id, HFONT font, int dpi, EditHandler onEdit) {
  instance_ = instance;
  font_ = font;
  dpi_ = dpi;
  onEdit_ = std::move(onEdit);
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExA(instance, kPaletteClass, &wc)) {
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kPaletteClass;
    if (!RegisterClassExA(&wc)) return false;
  }
  hwnd_ = CreateWindowExA(0, kPaletteClass, "", WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (!hwnd_) return false;
  SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  grid_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                              LVS_NOSORTHEADER | LVS_OWNERDATA,
                          0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kGridId)), instance, nullptr);
  help_ = CreateWindowExA(WS_EX_CLIENTEDGE, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0,
                          hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kHelpId)), instance, nullptr);
  if (!grid_ || !help_) return false;
  SendMessageA(grid_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  SendMessageA(help_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  SendMessageA(grid_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  // The row height of the settings, through a one-pixel-wide image list.
  int height = store_.ReadNumber("*\\Palettes\\Properties\\RowHeight");
  height = height > 8 ? Scale(height) : Scale(20);
  rowHeight_ = ImageList_Create(1, height, ILC_COLOR, 1, 0);
  SendMessageA(grid_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rowHeight_));
  const char* titles[] = {"Property", "Value"};
  for (int c = 0; c < 2; ++c) {
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = const_cast<char*>(titles[c]);
    col.cx = Scale(c == 0 ? 120 : 140);
    SendMessageA(grid_, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
  }
  LOGFONTA lf = {};
  GetObjectA(font_, sizeof(lf), &lf);
  lf.lfWeight = FW_BOLD;
  bold_ = CreateFontIndirectA(&lf);
  return true;
}

void PropertiesPalette::Layout() {
  RECT r;
  GetClientRect(hwnd_, &r);
  int helpHeight = store_.ReadNumber("*\\Palettes\\Properties\\HelpSize");
  helpHeight = std::min<int>(Scale(helpHeight > 0 ? helpHeight : 75), r.bottom / 2);
  MoveWindow(grid_, 0, 0, r.right, r.bottom - helpHeight, TRUE);
  MoveWindow(help_, 0, r.bottom - helpHeight, r.right, helpHeight, TRUE);
  RECT inside;
  GetClientRect(grid_, &inside);
  // Labels take up to half the width, so the long ones show whole in a wide palette.
  const int label = std::max(Scale(120), static_cast<int>(inside.right) * 45 / 100);
  SendMessageA(grid_, LVM_SETCOLUMNWIDTH, 0, label);
  SendMessageA(grid_, LVM_SETCOLUMNWIDTH, 1, std::max(Scale(60), static_cast<int>(inside.right) - label));
}

void PropertiesPalette::Show(std::vector<GridRow> rows, const std::string& title) {
  EndEdit(true);
  const int was = SelectedRow();
  const std::string wasLabel = was >= 0 && static_cast<size_t>(was) < rows_.size() ? rows_[was].label : "";
  const bool sameRows = rows.size() == rows_.size() &&
                        std::equal(rows.begin(), rows.end(), rows_.begin(),
                                   [](const GridRow& a, const GridRow& b) { return a.label == b.label; });
  const std::vector<GridRow> old = std::exchange(rows_, std::move(rows));
  // The grid asks for its texts (owner data): showing other rows is a new count and one repaint,
  // not an item per row, which under Wine cost more than the rest of a selection together.
  if (sameRows) {
    // Only a changed value is drawn again.
    for (size_t i = 0; i < rows_.size(); ++i)
      if (rows_[i].editor != old[i].editor || rows_[i].value != old[i].value)
        SendMessageA(grid_, LVM_REDRAWITEMS, i, i);
  } else {
    LVITEMA none = {};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(grid_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    // The rows only: the grid's own invalidation takes its header along, whose repaint under Wine
    // cost more than the rows' (3 to 4 ms a selection).
    SendMessageA(grid_, LVM_SETITEMCOUNT, rows_.size(), LVSICF_NOINVALIDATEALL);
    RECT rowsArea, header;
    GetClientRect(grid_, &rowsArea);
    if (GetWindowRect(reinterpret_cast<HWND>(SendMessageA(grid_, LVM_GETHEADER, 0, 0)), &header))
      rowsArea.top += header.bottom - header.top;
    RedrawWindow(grid_, &rowsArea, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN);
    int select = -1;
    for (size_t i = 0; i < rows_.size() && !wasLabel.empty(); ++i)
      if (rows_[i].label == wasLabel) select = static_cast<int>(i);
    if (select >= 0) {
      LVITEMA state = {};
      state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessageA(grid_, LVM_SETITEMSTATE, select, reinterpret_cast<LPARAM>(&state));
    }
  }
  if (title != title_) {
    title_ = title;
    SetWindowTextA(hwnd_, title.c_str());
  }
  ShowHelp();
}

void PropertiesPalette::SetRecording(bool recording) {
  recording_ = recording;
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].editor == GridEditor::kRecording) SendMessageA(grid_, LVM_REDRAWITEMS, i, i);
}

int PropertiesPalette::SelectedRow() const {
  return static_cast<int>(SendMessageA(grid_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void PropertiesPalette::ShowHelp() {
  const int row = SelectedRow();
  std::string text;
  if (row >= 0 && static_cast<size_t>(row) < rows_.size()) text = rows_[row].label + "\r\n" + rows_[row].help;
  if (text == helpText_) return;
  helpText_ = std::move(text);
  SetWindowTextA(help_, helpText_.c_str());
}

RECT PropertiesPalette::ValueCell(size_t row) const {
  RECT cell = {};
  cell.top = 1;
  cell.left = LVIR_BOUNDS;
  SendMessageA(grid_, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
  MapWindowPoints(grid_, hwnd_, reinterpret_cast<POINT*>(&cell), 2);
  return cell;
}

void PropertiesPalette::Commit(size_t row, const std::string& value) {
  if (row >= rows_.size() || rows_[row].value == value) return;
  // The handler shows the rows again, which may replace this one.
  if (onEdit_) onEdit_(row, value);
}

void PropertiesPalette::BeginEdit(size_t row) {
  EndEdit(true);
  if (row >= rows_.size()) return;
  const GridRow& r = rows_[row];
  editing_ = row;
  switch (r.editor) {
    case GridEditor::kNone:
      return;
    case GridEditor::kCheck:
      return Commit(row, r.value == "1" ? "0" : "1");
    case GridEditor::kRecording:
      if (onRecord_) onRecord_(row);
      return;
    default:
      break;
  }
  if (NeedsBox(r.editor)) return EditInBox(row);
  SendMessageA(grid_, LVM_ENSUREVISIBLE, row, FALSE);
  RECT cell = ValueCell(row);
  const int button = HasMoreButton(r.editor) ? cell.bottom - cell.top : 0;
  if (r.editor == GridEditor::kChoice || r.editor == GridEditor::kChoiceText) {
    const DWORD style = r.editor == GridEditor::kChoice ? CBS_DROPDOWNLIST : CBS_DROPDOWN | CBS_AUTOHSCROLL;
    editor_ = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | style, cell.left, cell.top - 2,
                              cell.right - cell.left, Scale(200), hwnd_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditorId)), instance_, nullptr);
    SendMessageA(editor_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    int current = -1;
    for (size_t i = 0; i < r.choices.size(); ++i) {
      SendMessageA(editor_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(r.choices[i].c_str()));
      if (r.choices[i] == r.value) current = static_cast<int>(i);
    }
    SendMessageA(editor_, CB_SETCURSEL, current, 0);
    if (r.editor == GridEditor::kChoiceText) SetWindowTextA(editor_, r.value.c_str());
  } else {
    DWORD style = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL;
    if (r.editor == GridEditor::kNumber) style |= ES_NUMBER;
    editor_ = CreateWindowExA(0, "EDIT", r.value.c_str(), style, cell.left + 1, cell.top,
                              cell.right - cell.left - button - 1, cell.bottom - cell.top - 1, hwnd_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditorId)), instance_, nullptr);
    SendMessageA(editor_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SendMessageA(editor_, EM_SETSEL, 0, -1);
  }
  if (!editor_) return;
  SetWindowSubclass(editor_, EditorProc, 1, reinterpret_cast<DWORD_PTR>(this));
  // A combo box that takes text types into an edit box of its own: its keys and focus count too.
  COMBOBOXINFO combo = {};
  combo.cbSize = sizeof(combo);
  if (r.editor == GridEditor::kChoiceText && GetComboBoxInfo(editor_, &combo) && combo.hwndItem)
    SetWindowSubclass(combo.hwndItem, EditorProc, 1, reinterpret_cast<DWORD_PTR>(this));
  if (button) {
    more_ = CreateWindowExA(0, "BUTTON", "...", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, cell.right - button, cell.top,
                            button, cell.bottom - cell.top, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMoreId)),
                            instance_, nullptr);
    SendMessageA(more_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  }
  SetFocus(editor_);
  if (r.editor == GridEditor::kChoice) SendMessageA(editor_, CB_SHOWDROPDOWN, TRUE, 0);
}

bool PropertiesPalette::EndEdit(bool keep) {
  if (!editor_ || ending_) return false;
  ending_ = true;
  std::string value = WindowText(editor_);
  const GridRow* row = editing_ < rows_.size() ? &rows_[editing_] : nullptr;
  if (row && row->editor == GridEditor::kChoice) {
    const LRESULT sel = SendMessageA(editor_, CB_GETCURSEL, 0, 0);
    value = sel >= 0 && static_cast<size_t>(sel) < row->choices.size() ? row->choices[sel] : row->value;
  }
  HWND editor = editor_, more = more_;
  editor_ = more_ = nullptr;
  DestroyWindow(editor);
  if (more) DestroyWindow(more);
  ending_ = false;
  if (keep && row) Commit(editing_, value);
  return true;
}

void PropertiesPalette::EditInBox(size_t row) {
  if (row >= rows_.size()) return;
  const GridRow r = rows_[row];
  // What the cell editor holds so far counts, not the row's old value.
  std::string value = editor_ ? WindowText(editor_) : r.value;
  switch (r.editor) {
    case GridEditor::kKeys: {
      // The key-insertion menu, led by the box for several lines.
      HMENU menu = CreatePopupMenu();
      AppendMenuA(menu, MF_STRING, kEditInBoxCommand, "Edit in a box...");
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      AddKeyItems(menu, KeyInsertionMenu());
      RECT at;
      GetWindowRect(more_ ? more_ : grid_, &at);
      const UINT chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTALIGN, at.right, at.bottom, 0, hwnd_, nullptr);
      DestroyMenu(menu);
      if (chosen >= kFirstKeyMenuCommand && editor_) {
        const std::string token(KeyTokens()[chosen - kFirstKeyMenuCommand].text);
        SendMessageA(editor_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(token.c_str()));
        SetFocus(editor_);
        return;
      }
      if (chosen != kEditInBoxCommand) return;
      [[fallthrough]];
    }
    case GridEditor::kLines: {
      EndEdit(false);
      if (!onBox_) return;
      std::optional<std::string> text = onBox_(r.label, value);
      if (text) Commit(row, *text);
      return;
    }
    case GridEditor::kFile: {
      char file[MAX_PATH] = {};
      value.copy(file, sizeof(file) - 1);
      OPENFILENAMEA ofn = {};
      ofn.lStructSize = sizeof(ofn);
      ofn.hwndOwner = GetAncestor(hwnd_, GA_ROOT);
      ofn.lpstrFilter = "All Files (*.*)\0*.*\0";
      ofn.lpstrFile = file;
      ofn.nMaxFile = sizeof(file);
      ofn.lpstrTitle = r.label.c_str();
      ofn.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
      EndEdit(false);
      if (GetOpenFileNameA(&ofn)) Commit(row, file);
      return;
    }
    case GridEditor::kFolder: {
      EndEdit(false);
      char folder[MAX_PATH] = {};
      BROWSEINFOA info = {};
      info.hwndOwner = GetAncestor(hwnd_, GA_ROOT);
      info.pszDisplayName = folder;
      info.lpszTitle = r.label.c_str();
      info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
      if (LPITEMIDLIST chosen = SHBrowseForFolderA(&info)) {
        if (SHGetPathFromIDListA(chosen, folder)) Commit(row, folder);
        CoTaskMemFree(chosen);
      }
      return;
    }
    case GridEditor::kPixel:
      EndEdit(false);
      if (onPickPixel_) onPickPixel_(row);
      return;
    case GridEditor::kWindow:
      EndEdit(false);
      if (onPickWindow_) onPickWindow_(row);
      return;
    default:
      return;
  }
}

LRESULT CALLBACK PropertiesPalette::EditorProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<PropertiesPalette*>(data);
  switch (msg) {
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS | DefSubclassProc(hwnd, msg, wp, lp);
    case WM_KEYDOWN:
      if (wp == VK_RETURN || wp == VK_ESCAPE) {
        // Not now: the editor is inside its own message.
        PostMessageA(self->hwnd_, kEndEditMsg, wp == VK_RETURN, 0);
        return 0;
      }
      break;
    case WM_CHAR:
      if (wp == '\r' || wp == 27) return 0;
      break;
    case WM_KILLFOCUS: {
      // Focus going to the "..." button, or between a combo box and its edit box, keeps the
      // editor open.
      const HWND to = reinterpret_cast<HWND>(wp);
      if (to != self->more_ && to != self->editor_ && !(to && IsChild(self->editor_, to)))
        PostMessageA(self->hwnd_, kEndEditMsg, TRUE, 0);
      break;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, EditorProc, 1);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT CALLBACK PropertiesPalette::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<PropertiesPalette*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  return self ? self->Handle(msg, wp, lp) : DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT PropertiesPalette::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SIZE:
      EndEdit(true);
      Layout();
      return 0;
    case WM_NOTIFY:
      return Notify(reinterpret_cast<NMHDR*>(lp));
    case WM_COMMAND:
      if (LOWORD(wp) == kMoreId && HIWORD(wp) == BN_CLICKED) EditInBox(editing_);
      if (LOWORD(wp) == kEditorId && HIWORD(wp) == CBN_SELENDOK && editing_ < rows_.size() &&
          rows_[editing_].editor == GridEditor::kChoice)
        PostMessageA(hwnd_, kEndEditMsg, TRUE, 0);
      // Text typed into a choice-or-text box stays when its list closes unused.
      if (LOWORD(wp) == kEditorId && HIWORD(wp) == CBN_SELENDCANCEL && editing_ < rows_.size() &&
          rows_[editing_].editor == GridEditor::kChoice)
        PostMessageA(hwnd_, kEndEditMsg, FALSE, 0);
      return 0;
    case kBeginEditMsg:
      BeginEdit(static_cast<size_t>(wp));
      return 0;
    case kEndEditMsg:
      if (EndEdit(wp != 0)) SetFocus(grid_);
      return 0;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lp) == help_) {
        SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_INFOBK));
        SetTextColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_INFOTEXT));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_INFOBK));
      }
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd_, msg, wp, lp);
}

LRESULT PropertiesPalette::Notify(NMHDR* header) {
  if (header->hwndFrom != grid_) return 0;
  switch (header->code) {
    case LVN_ITEMCHANGED: {
      auto* change = reinterpret_cast<NMLISTVIEW*>(header);
      if (change->uNewState & LVIS_SELECTED) ShowHelp();
      return 0;
    }
    case NM_CLICK:
    case NM_DBLCLK: {
      auto* click = reinterpret_cast<NMITEMACTIVATE*>(header);
      LVHITTESTINFO hit = {};
      hit.pt = click->ptAction;
      SendMessageA(grid_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      // A click on a value edits it; a double-click anywhere on the row does too.
      // Posted: the list takes the focus back when the click's message ends.
      if (hit.iItem >= 0 && (hit.iSubItem == 1 || header->code == NM_DBLCLK))
        PostMessageA(hwnd_, kBeginEditMsg, static_cast<WPARAM>(hit.iItem), 0);
      return 0;
    }
    case LVN_KEYDOWN: {
      auto* key = reinterpret_cast<NMLVKEYDOWN*>(header);
      const int row = SelectedRow();
      if (row >= 0 && (key->wVKey == VK_F2 || key->wVKey == VK_RETURN || key->wVKey == VK_SPACE))
        BeginEdit(static_cast<size_t>(row));
      return 0;
    }
    case LVN_GETDISPINFOA: {
      auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
      const size_t row = static_cast<size_t>(info->item.iItem);
      if (row >= rows_.size()) return 0;
      if (info->item.mask & LVIF_TEXT) {
        cell_ = info->item.iSubItem == 0 ? rows_[row].label : Shown(rows_[row], recording_);
        lstrcpynA(info->item.pszText, cell_.c_str(), info->item.cchTextMax);
      }
      if (info->item.mask & LVIF_IMAGE) info->item.iImage = 0;  // the blank image that sets the row height
      return 0;
    }
    case NM_CUSTOMDRAW: {
      auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
      switch (draw->nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
          return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
          return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
          const size_t row = draw->nmcd.dwItemSpec;
          if (row >= rows_.size()) return CDRF_DODEFAULT;
          const GridRow& r = rows_[row];
          if (draw->iSubItem == 0) {
            // Labels on the face colour, like a dialog's; values on white.
            draw->clrTextBk = GetSysColor(COLOR_BTNFACE);
            draw->clrText = GetSysColor(r.editor == GridEditor::kNone ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
            return CDRF_NEWFONT;
          }
          draw->clrTextBk = GetSysColor(COLOR_WINDOW);
          draw->clrText = GetSysColor(COLOR_WINDOWTEXT);
          if (r.editor != GridEditor::kCheck) return CDRF_NEWFONT;
          RECT cell = {};
          cell.top = 1;
          cell.left = LVIR_BOUNDS;
          SendMessageA(grid_, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
          FillRect(draw->nmcd.hdc, &cell, GetSysColorBrush(COLOR_WINDOW));
          const int box = std::min<int>(Scale(13), cell.bottom - cell.top - 2);
          RECT mark = {cell.left + Scale(4), cell.top + (cell.bottom - cell.top - box) / 2, 0, 0};
          mark.right = mark.left + box;
          mark.bottom = mark.top + box;
          DrawFrameControl(draw->nmcd.hdc, &mark, DFC_BUTTON, DFCS_BUTTONCHECK | (r.value == "1" ? DFCS_CHECKED : 0));
          return CDRF_SKIPDEFAULT;
        }
        default:
          return CDRF_DODEFAULT;
      }
    }
    default:
      return 0;
  }
}

}  // namespace plumo
