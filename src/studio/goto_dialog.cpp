#include "studio/goto_dialog.h"

#include <cstdlib>

#include "scripts/script.h"
#include "studio/dialog_template.h"

namespace plumo {
namespace {

class GoToDialog : public ModalDialog {
 public:
  explicit GoToDialog(const std::function<std::string(long)>& go) : go_(go) {}

 private:
  void Init() override { SendDlgItemMessageA(hwnd_, gotoid::kNumber, EM_SETLIMITTEXT, 9, 0); }
  bool Command(int id, int) override {
    if (id != IDOK) return false;
    const std::string error = go_(std::strtol(GetText(gotoid::kNumber).c_str(), nullptr, 10));
    if (error.empty()) {
      End(IDOK);
      return true;
    }
    MessageBoxA(hwnd_, error.c_str(), kWarningCaption, MB_OK | MB_ICONWARNING);
    SetFocus(GetDlgItem(hwnd_, gotoid::kNumber));
    SendDlgItemMessageA(hwnd_, gotoid::kNumber, EM_SETSEL, 0, -1);
    return true;
  }
  const std::function<std::string(long)>& go_;
};

}  // namespace

void RunGoToStepDialog(HWND owner, size_t rows, const std::function<std::string(long)>& go) {
  DialogTemplate t(kGoToDialogTitle, 172, 58);
  t.Label("&Step number (1 to " + std::to_string(rows) + "):", 7, 9, 90);
  t.Edit(gotoid::kNumber, 100, 9, 65, ES_NUMBER);
  t.Button(IDOK, "Go", 52, 37, 55, true);
  t.Button(IDCANCEL, "Cancel", 110, 37, 55);
  GoToDialog dialog(go);
  dialog.Run(owner, t);
}

}  // namespace plumo
