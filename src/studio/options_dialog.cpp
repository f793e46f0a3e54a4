#include "studio/options_dialog.h"

#include <commctrl.h>

#include <algorithm>
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
constexpr const char* kKeyboardPage = "Keyboard";
constexpr const char* kKeyHint = "Press the keys, then Apply; Apply on an empty field removes the key";

DialogTemplate OptionsLayout() {
  constexpr short kW = 372, kH = 252, kRight = 96, kRightW = kW - kRight - 7;
  DialogTemplate t(kOptionsDialogTitle, kW, kH);
  t.Add(DialogTemplate::kListBox, kPages, "", WS_BORDER | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
        7, 7, 82, 207);
  t.Add(WC_LISTVIEWA, kRows, WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
        kRight, 7, kRightW, 168);
  t.Add(DialogTemplate::kStatic, kHint, "", SS_LEFT | SS_NOPREFIX, kRight, 182, kRightW, 8);
  t.Edit(kValue, kRight, 196, kRightW - 64);
  t.Check(kFlag, "On", kRight, 198, kRightW - 64);
  t.Add(HOTKEY_CLASSA, kKey, WS_BORDER | WS_TABSTOP, kRight, 196, kRightW - 64, 14);
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

// The hot-key control's modifier bits and the keyboard map's.
constexpr std::pair<uint8_t, uint8_t> kHotkeyModifiers[] = {
    {HOTKEYF_CONTROL, keymod::kCtrl}, {HOTKEYF_SHIFT, keymod::kShift}, {HOTKEYF_ALT, keymod::kAlt}};

class OptionsDialog : public ModalDialog {
 public:
  OptionsDialog(SettingsStore& store, const DefaultsContext& defaults, std::span<const KeyedCommand> commands)
      : store_(store), defaults_(defaults), commands_(commands.first(std::min(commands.size(), kKeyboardMapSize))) {}
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
    SendDlgItemMessageA(hwnd_, kPages, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kKeyboardPage));
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
        for (const auto& [index, entry] : pendingKeys_)
          WriteCommandKey(store_, commands_[index], entry.key, entry.modifiers);
        changed_ = changed_ || !pending_.empty() || !pendingKeys_.empty();
        End(IDOK);
        return true;
    }
    return false;
  }

  bool Keyboard() const { return page_ == static_cast<int>(OptionPages().size()); }
  std::span<const OptionRow> Rows() const {
    return Keyboard() ? std::span<const OptionRow>() : OptionPages()[static_cast<size_t>(page_)].rows;
  }
  size_t RowCount() const { return Keyboard() ? commands_.size() : Rows().size(); }
  int SelectedIndex() const {
    const int at = static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return at >= 0 && at < static_cast<int>(RowCount()) ? at : -1;
  }
  std::string Value(const OptionRow& row) {
    auto it = pending_.find(&row);
    return it == pending_.end() ? ShownOption(row, store_) : it->second.text;
  }
  KeyboardMapEntry KeyOf(size_t index) {
    auto it = pendingKeys_.find(index);
    return it == pendingKeys_.end() ? ReadCommandKey(store_, commands_[index]) : it->second;
  }
  std::string CellText(size_t index) {
    if (Keyboard()) {
      const KeyboardMapEntry key = KeyOf(index);
      return KeyName(key.key, key.modifiers);
    }
    const OptionRow& row = Rows()[index];
    if (row.kind != OptionKind::kFlag) return Value(row);
    return Value(row) == "0" ? "Off" : "On";
  }

  void ShowPage(int page) {
    if (page < 0) return;
    page_ = page;
    shown_ = -1;
    SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < RowCount(); ++i) {
      LVITEMA item = {};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(i);
      item.pszText = const_cast<char*>(Keyboard() ? commands_[i].name : Rows()[i].label);
      SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
      SetCell(i);
    }
    SelectRow(0);
  }

  void SetCell(size_t index) {
    const std::string shown = CellText(index);
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

  // The editor below the list follows the selected row: a check box, a field, or for a
  // command the hot-key field.
  void ShowEditor() {
    shown_ = SelectedIndex();
    const OptionRow* row = shown_ >= 0 && !Keyboard() ? &Rows()[static_cast<size_t>(shown_)] : nullptr;
    const int editor = Keyboard() ? kKey : row && row->kind == OptionKind::kFlag ? kFlag : kValue;
    for (int id : {kKey, kFlag, kValue}) ShowWindow(GetDlgItem(hwnd_, id), id == editor ? SW_SHOW : SW_HIDE);
    Enable(kApply, shown_ >= 0 && editor != kFlag);
    SetText(kHint, Keyboard() ? kKeyHint : row ? Hint(*row) : "");
    if (shown_ < 0) return;
    if (Keyboard()) {
      const KeyboardMapEntry key = KeyOf(static_cast<size_t>(shown_));
      uint8_t flags = 0;
      for (const auto& [hot, mod] : kHotkeyModifiers)
        if (key.modifiers & mod) flags |= hot;
      SendDlgItemMessageA(hwnd_, kKey, HKM_SETHOTKEY, MAKEWORD(key.key, flags), 0);
    } else if (editor == kFlag) {
      SetChecked(kFlag, Value(*row) != "0");
    } else {
      SetText(kValue, Value(*row));
    }
  }

  // Keeps the edited value of the row shown; false (after saying why) when it cannot be.
  bool Apply() {
    if (shown_ < 0) return true;
    if (Keyboard()) return ApplyKey(static_cast<size_t>(shown_));
    const OptionRow& row = Rows()[static_cast<size_t>(shown_)];
    const std::string typed = row.kind == OptionKind::kFlag ? (Checked(kFlag) ? "1" : "0") : GetText(kValue);
    if (typed == Value(row)) return true;
    OptionValue value = CheckOption(row, typed);
    if (!value.error.empty()) return Refuse(kValue, value.error);
    pending_[&row] = value;
    SetCell(static_cast<size_t>(shown_));
    return true;
  }

  // A key is one command's only: taken elsewhere, it is refused.
  bool ApplyKey(size_t index) {
    const WORD hot = static_cast<WORD>(SendDlgItemMessageA(hwnd_, kKey, HKM_GETHOTKEY, 0, 0));
    KeyboardMapEntry entry{commands_[index].id, 0, LOBYTE(hot)};
    for (const auto& [flag, mod] : kHotkeyModifiers)
      if (HIBYTE(hot) & flag) entry.modifiers |= mod;
    if (entry.key == 0) entry.modifiers = 0;
    const KeyboardMapEntry was = KeyOf(index);
    if (was.key == entry.key && (entry.key == 0 || was.modifiers == entry.modifiers)) return true;
    for (size_t i = 0; entry.key != 0 && i < commands_.size(); ++i) {
      const KeyboardMapEntry other = KeyOf(i);
      if (i != index && other.key == entry.key && other.modifiers == entry.modifiers)
        return Refuse(kKey, KeyName(entry.key, entry.modifiers) + " is already the key of \"" + commands_[i].name + "\".");
    }
    pendingKeys_[index] = entry;
    SetCell(index);
    return true;
  }

  bool Refuse(int editor, const std::string& why) {
    MessageBoxA(hwnd_, why.c_str(), kInvalidOptionCaption, MB_OK | MB_ICONEXCLAMATION);
    SetFocus(GetDlgItem(hwnd_, editor));
    if (editor == kValue) SendDlgItemMessageA(hwnd_, kValue, EM_SETSEL, 0, -1);
    return false;
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
  std::span<const KeyedCommand> commands_;  // the first 64, which the keyboard map holds
  HWND list_ = nullptr;
  int page_ = 0;
  int shown_ = -1;  // the row whose value the editor shows
  std::map<const OptionRow*, OptionValue> pending_;
  std::map<size_t, KeyboardMapEntry> pendingKeys_;
  bool changed_ = false;
};

}  // namespace

bool RunOptionsDialog(HWND owner, SettingsStore& store, const DefaultsContext& defaults,
                      std::span<const KeyedCommand> commands) {
  OptionsDialog dialog(store, defaults, commands);
  dialog.Run(owner, OptionsLayout());
  return dialog.changed();
}

}  // namespace plumo
