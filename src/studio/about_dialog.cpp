#include "studio/about_dialog.h"

#include <string>

#include "base/version.h"
#include "studio/command_line.h"
#include "studio/dialog_template.h"

namespace plumo {
namespace {

using namespace aboutid;

class AboutDialog : public ModalDialog {
 public:
  explicit AboutDialog(int iconResource) : iconResource_(iconResource) {}

 private:
  void Init() override {
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconResource_));
    SendDlgItemMessageA(hwnd_, kIcon, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    SetText(kVersion, std::string("Plumo Studio ") + kVersionText);
  }
  bool Command(int id, int) override {
    if (id != IDOK) return false;
    End(IDOK);
    return true;
  }
  int iconResource_;
};

// The help text in a fixed-pitch font, so that its columns line up.
class TextDialog : public ModalDialog {
 public:
  explicit TextDialog(const char* text) : text_(text) {}
  ~TextDialog() override {
    if (font_) DeleteObject(font_);
  }

 private:
  void Init() override {
    LOGFONTA look = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)), sizeof(look), &look);
    look.lfWeight = FW_NORMAL;
    look.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynA(look.lfFaceName, "Courier New", LF_FACESIZE);
    font_ = CreateFontIndirectA(&look);
    SendDlgItemMessageA(hwnd_, aboutid::kText, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    std::string crlf;
    for (const char* p = text_; *p; ++p) {
      if (*p == '\n') crlf += '\r';
      crlf += *p;
    }
    SetText(aboutid::kText, crlf);
  }
  bool Command(int id, int) override {
    if (id != IDOK) return false;
    End(IDOK);
    return true;
  }
  const char* text_;
  HFONT font_ = nullptr;
};

}  // namespace

void RunAboutDialog(HWND owner, int iconResource) {
  DialogTemplate t(kAboutDialogTitle, 220, 82);
  t.Add(DialogTemplate::kStatic, kIcon, "", SS_ICON, 10, 10, 21, 20);
  t.Add(DialogTemplate::kStatic, kVersion, "", SS_LEFT | SS_NOPREFIX, 42, 12, 170, 8);
  t.Add(DialogTemplate::kStatic, -1, "Desktop automation: write, run and compile Scripts.", SS_LEFT | SS_NOPREFIX, 42,
        26, 170, 16);
  t.Button(IDOK, "OK", 158, 61, 55, true);
  AboutDialog dialog(iconResource);
  dialog.Run(owner, t);
}

void RunStartupOptionsDialog(HWND owner) {
  DialogTemplate t(kStartupOptionsTitle, 262, 132);
  t.Add(DialogTemplate::kEdit, aboutid::kText, "", WS_BORDER | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL, 7, 7,
        248, 98);
  t.Button(IDOK, "OK", 200, 111, 55, true);
  TextDialog dialog(kCommandLineHelp);
  dialog.Run(owner, t);
}

}  // namespace plumo
