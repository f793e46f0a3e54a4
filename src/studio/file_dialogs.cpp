#include "studio/file_dialogs.h"

#include "studio/dialog_template.h"

namespace plumo {
namespace {

class CloseOnOk : public ModalDialog {
 private:
  void Init() override {}
  bool Command(int id, int) override {
    if (id != IDOK) return false;
    End(IDOK);
    return true;
  }
};

class CustomTagsDialog : public ModalDialog {
 public:
  explicit CustomTagsDialog(std::string& custom) : custom_(custom) {}

 private:
  void Init() override {
    SendDlgItemMessageA(hwnd_, filedlgid::kCustom, EM_SETLIMITTEXT, kCustomTagsWidth, 0);
    SetText(filedlgid::kCustom, custom_);
  }
  bool Command(int id, int) override {
    if (id != IDOK) return false;
    custom_ = GetText(filedlgid::kCustom);
    End(IDOK);
    return true;
  }
  std::string& custom_;
};

}  // namespace

void RunPropertiesDialog(HWND owner, const std::vector<std::pair<std::string, std::string>>& rows) {
  constexpr short kW = 270, kRow = 12, kValue = 90;
  const short height = static_cast<short>(7 + kRow * static_cast<short>(rows.size()) + 28);
  DialogTemplate t(kPropertiesDialogTitle, kW, height);
  short y = 7;
  for (size_t i = 0; i < rows.size(); ++i, y += kRow) {
    t.Add(DialogTemplate::kStatic, -1, rows[i].first + ":", SS_LEFT | SS_NOPREFIX, 7, y, kValue - 10, 8);
    t.Add(DialogTemplate::kStatic, filedlgid::kFirstValue + static_cast<int>(i), rows[i].second,
          SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, kValue, y, kW - kValue - 7, 8);
  }
  t.Button(IDOK, "OK", kW - 7 - 55, static_cast<short>(height - 21), 55, true);
  CloseOnOk dialog;
  dialog.Run(owner, t);
}

std::optional<std::string> RunCustomTagsDialog(HWND owner, size_t stepNumber, const std::string& custom) {
  constexpr short kW = 280, kH = 110;
  DialogTemplate t(kCustomTagsDialogTitle, kW, kH);
  t.Label("&XML kept with Step " + std::to_string(stepNumber) + " (at most " + std::to_string(kCustomTagsWidth) +
              " characters):",
          7, 5, kW - 14);
  t.Add(DialogTemplate::kEdit, filedlgid::kCustom, "",
        WS_BORDER | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 7, 19, kW - 14, 62);
  t.Button(IDOK, "OK", kW - 7 - 55 - 4 - 55, kH - 21, 55, true);
  t.Button(IDCANCEL, "Cancel", kW - 7 - 55, kH - 21, 55);
  std::string edited = custom;
  CustomTagsDialog dialog(edited);
  if (dialog.Run(owner, t) != IDOK) return std::nullopt;
  return edited;
}

}  // namespace plumo
