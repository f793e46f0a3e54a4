#include "studio/find_dialog.h"

#include "studio/dialog_template.h"

namespace plumo {
namespace {

using namespace findid;

DialogTemplate Layout(bool replace) {
  constexpr short kW = 300, kField = 62, kFieldW = 160, kButtons = kW - 7 - 66;
  const short below = replace ? 18 : 0;
  DialogTemplate t(replace ? kReplaceDialogTitle : kFindDialogTitle, kW, static_cast<short>(92 + below));
  t.Label("Fi&nd what:", 7, 7, 52);
  t.Add(DialogTemplate::kComboBox, kWhat, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, kField, 7,
        kFieldW, 120);
  if (replace) {
    t.Label("Re&place with:", 7, 25, 52);
    t.Edit(kWith, kField, 25, kFieldW);
  }
  t.Check(kMatchCase, "Match &case", 7, static_cast<short>(30 + below), 100);
  t.Check(kWholeWord, "Match &whole word only", 7, static_cast<short>(43 + below), 110);
  t.Group("Direction", 130, static_cast<short>(26 + below), 92, 30);
  t.Radio(kUp, "&Up", 137, static_cast<short>(38 + below), 36, true);
  t.Radio(kDown, "&Down", 176, static_cast<short>(38 + below), 40, false);
  t.Add(DialogTemplate::kStatic, kOutcome, "", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 7,
        static_cast<short>(66 + below), kW - 14, 8);
  t.Button(kFindNext, "Find &Next", kButtons, 7, 66, true);
  short y = 25;
  if (replace) {
    t.Button(kReplace, "&Replace", kButtons, y, 66);
    t.Button(kReplaceAll, "Replace &All", kButtons, y += 18, 66);
  }
  t.Button(IDCANCEL, "Close", kButtons, static_cast<short>(y + 18), 66);
  return t;
}

class FindDialog : public ModalDialog {
 public:
  FindDialog(SettingsStore& store, bool replace, const FindActions& actions)
      : store_(store), replace_(replace), actions_(actions) {}

 private:
  void Init() override {
    const FindOptions last = ReadFindOptions(store_);
    for (const std::string& entry : ReadFindHistory(store_))
      SendDlgItemMessageA(hwnd_, kWhat, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    SetText(kWhat, last.text);
    if (replace_) SetText(kWith, store_.ReadText("*\\Replace", kFindTextWidth));
    SetChecked(kMatchCase, last.matchCase);
    SetChecked(kWholeWord, last.wholeWord);
    SetChecked(last.up ? kUp : kDown, true);
  }

  bool Command(int id, int) override {
    if (id != kFindNext && id != kReplace && id != kReplaceAll && id != IDOK) return false;
    FindOptions options;
    options.text = GetText(kWhat);
    if (options.text.empty()) return true;
    options.matchCase = Checked(kMatchCase);
    options.wholeWord = Checked(kWholeWord);
    options.up = Checked(kUp);
    RememberFindOptions(store_, options);
    std::string outcome;
    if (id == kFindNext || id == IDOK) {
      outcome = actions_.findNext(options);
    } else {
      const std::string with = GetText(kWith);
      RememberReplace(store_, with);
      outcome = id == kReplace ? actions_.replace(options, with) : actions_.replaceAll(options, with);
    }
    SetText(kOutcome, outcome);
    return true;
  }

  SettingsStore& store_;
  bool replace_;
  const FindActions& actions_;
};

}  // namespace

void RunFindDialog(HWND owner, SettingsStore& store, bool replace, const FindActions& actions) {
  FindDialog dialog(store, replace, actions);
  dialog.Run(owner, Layout(replace));
}

}  // namespace plumo
