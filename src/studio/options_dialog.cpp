#include "studio/options_dialog.h"

#include <commctrl.h>

#include <map>
#include <string>

#include "settings/option_pages.h"
#include "studio/dialog_template.h"

namespace plumo {
namespace {

using namespace optionsid;

constexpr const char* kResetQuestion =
    "Every setting goes back to its default; the recent files and the report settings are cleared.\n\n"
    "Reset all settings?";

DialogTemplate Layout() {
  constexpr short kW = 372, kH = 252, kRight = 96, kRightW = kW - kRight - 7;
  DialogTemplate t(kOptionsDialogTitle, kW, kH);
  t.Add(DialogTemplate::kListBox, kPages, "", WS_BORDER | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
        7, 7, 82, 207);
  t.Add(WC_LISTVIEWA, kRows, WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
        kRight, 7, kRightW, 168);
  t.Add(DialogTemplate::kStatic, kHint, "", SS_LEFT | SS_NOPREFIX, kRight, 182, kRightW, 8);
  t.Edit(kValue, kRight, 196, kRightW - 64);
  t.Check(kFlag, "On", kRight, 198, kRightW - 64);
  t.Button(kApply, "&Apply", kW - 7 - 58, 196, 58);
  t.Button(kResetAll, "&Reset All...", 7, kH - 21, 70);
  t.Button(IDOK, "OK", kW - 7 - 58 - 4 - 58, kH - 21, 58, true);
  t.Button(IDCANCEL, "Cancel", kW - 7 - 58, kH - 21, 58);
  return t;
}

std::string Hint(const OptionRow& row) {
  switch (row.kind) {
    case OptionKind::kFlag:
      return "On or off";
    case OptionKind::kColour:
      return "A colour as 0xBBGGRR (blue, green, red)";
    case OptionKind::kText:
      return "Text of up to " + std::to_string(row.max) + " characters";
    case OptionKind::kNumber:
      break;
  }
  return "A whole number from " + std::to_string(row.min) + " to " + std::to_string(row.max);
}

class OptionsDialog : public ModalDialog {
 public:
  OptionsDialog(SettingsStore& store, const DefaultsContext& defaults) : store_(store), defaults_(defaults) {}
  bool changed() const { return changed_; }

 private:
  void Init() override {
    list_ = GetDlgItem(hwnd_, kRows);
    SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    RECT r;
    GetClientRect(list_, &r);
    const int valueWidth = (r.right - r.left) / 3;
    Column(0, "Setting", r.right - r.left - valueWidth - GetSystemMetrics(SM_CXVSCROLL));
    Column(1, "Value", valueWidth);
    for (const OptionPage& page : OptionPages())
      SendDlgItemMessageA(hwnd_, kPages, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(page.title));
    SendDlgItemMessageA(hwnd_, kPages, LB_SETCURSEL, 0, 0);
    ShowPage(0);
  }

  void Column(int index, const char* title, int width) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<char*>(title);
    column.cx = width;
    SendMessageA(list_, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
  }

  bool Command(int id, int code) override {
    switch (id) {
      case kPages:
        if (code == LBN_SELCHANGE && Apply())
          ShowPage(static_cast<int>(SendDlgItemMessageA(hwnd_, kPages, LB_GETCURSEL, 0, 0)));
        return true;
      case kApply:
        Apply();
        return true;
      case kFlag:
        if (code == BN_CLICKED) Apply();
        return true;
      case kResetAll:
        if (MessageBoxA(hwnd_, kResetQuestion, kOptionsDialogTitle, MB_YESNO | MB_ICONQUESTION) != IDYES) return true;
        ResetAllSettings(store_, defaults_);
        pending_.clear();
        changed_ = true;
        ShowPage(page_);
        return true;
      case IDOK:
        if (!Apply()) return true;
        for (const auto& [row, value] : pending_) StoreOption(*row, value, store_);
        changed_ = changed_ || !pending_.empty();
        End(IDOK);
        return true;
    }
    return false;
  }

  std::span<const OptionRow> Rows() const { return OptionPages()[static_cast<size_t>(page_)].rows; }
  const OptionRow* Selected() const {
    const int at = static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return at >= 0 && at < static_cast<int>(Rows().size()) ? &Rows()[static_cast<size_t>(at)] : nullptr;
  }
  std::string Value(const OptionRow& row) {
    auto it = pending_.find(&row);
    return it == pending_.end() ? ShownOption(row, store_) : it->second.text;
  }
  std::string Shown(const OptionRow& row) {
    if (row.kind != OptionKind::kFlag) return Value(row);
    return Value(row) == "0" ? "Off" : "On";
  }

  void ShowPage(int page) {
    if (page < 0) return;
    page_ = page;
    shown_ = nullptr;
    SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < Rows().size(); ++i) {
      LVITEMA item = {};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(i);
      item.pszText = const_cast<char*>(Rows()[i].label);
      SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
      SetCell(static_cast<int>(i));
    }
    SelectRow(0);
  }

  void SetCell(int index) {
    const std::string shown = Shown(Rows()[static_cast<size_t>(index)]);
    LVITEMA item = {};
    item.iSubItem = 1;
    item.pszText = const_cast<char*>(shown.c_str());
    SendMessageA(list_, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
  }

  void SelectRow(int index) {
    LVITEMA item = {};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list_, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
    ShowEditor();
  }

  // The editor below the list follows the selected row.
  void ShowEditor() {
    const OptionRow* row = Selected();
    shown_ = row;
    const bool flag = row && row->kind == OptionKind::kFlag;
    ShowWindow(GetDlgItem(hwnd_, kValue), flag ? SW_HIDE : SW_SHOW);
    ShowWindow(GetDlgItem(hwnd_, kFlag), flag ? SW_SHOW : SW_HIDE);
    Enable(kApply, row && !flag);
    SetText(kHint, row ? Hint(*row) : "");
    if (!row) return;
    if (flag)
      SetChecked(kFlag, Value(*row) != "0");
    else
      SetText(kValue, Value(*row));
  }

  // Keeps the edited value of the row shown; false (after saying why) when it is out of range.
  bool Apply() {
    if (!shown_) return true;
    const OptionRow& row = *shown_;
    const std::string typed = row.kind == OptionKind::kFlag ? (Checked(kFlag) ? "1" : "0") : GetText(kValue);
    if (typed == Value(row)) return true;
    OptionValue value = CheckOption(row, typed);
    if (!value.error.empty()) {
      MessageBoxA(hwnd_, value.error.c_str(), kInvalidOptionCaption, MB_OK | MB_ICONEXCLAMATION);
      SetFocus(GetDlgItem(hwnd_, kValue));
      SendDlgItemMessageA(hwnd_, kValue, EM_SETSEL, 0, -1);
      return false;
    }
    pending_[&row] = value;
    SetCell(static_cast<int>(&row - Rows().data()));
    return true;
  }

  INT_PTR Notify(NMHDR* header) override {
    if (header->idFrom != static_cast<UINT_PTR>(kRows) || header->code != LVN_ITEMCHANGED) return 0;
    const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
    // Leaving a row keeps what was typed for it, or says why it cannot.
    if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED)) {
      Apply();
      ShowEditor();
    }
    return 0;
  }

  SettingsStore& store_;
  const DefaultsContext& defaults_;
  HWND list_ = nullptr;
  int page_ = 0;
  const OptionRow* shown_ = nullptr;
  std::map<const OptionRow*, OptionValue> pending_;
  bool changed_ = false;
};

}  // namespace

bool RunOptionsDialog(HWND owner, SettingsStore& store, const DefaultsContext& defaults) {
  OptionsDialog dialog(store, defaults);
  dialog.Run(owner, Layout());
  return dialog.changed();
}

}  // namespace plumo
