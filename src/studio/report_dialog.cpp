#include "studio/report_dialog.h"

#include "base/text.h"
#include "engine/report.h"
#include "studio/dialog_template.h"

namespace plumo {
namespace {

using namespace reportid;

constexpr const char* kFileSetting = "*\\Report\\OutputFile";
constexpr const char* kTypeSetting = "*\\Report\\ReportType";
constexpr const char* kOpenSetting = "*\\Report\\OpenImmediately";
constexpr int kTypes = kGrid - kText + 1;

DialogTemplate ReportLayout() {
  constexpr short kW = 272, kH = 128;
  DialogTemplate t(kReportDialogTitle, kW, kH);
  t.Label("Report &file:", 7, 7, 50);
  t.Edit(kFile, 60, 7, 178);
  t.Button(kBrowse, "...", 241, 7, 24);
  t.Group("Format", 7, 27, kW - 14, 56);
  t.Radio(kText, "&Text (.txt)", 14, 39, 110, true);
  t.Radio(kCsv, "&Comma-separated (.csv)", 14, 53, 110, false);
  t.Radio(kHtml, "&HTML page (.htm)", 140, 39, 110, false);
  t.Radio(kWorkbook, "&Workbook (.xlsx)", 140, 53, 110, false);
  t.Radio(kGrid, "&Grid snapshot to the clipboard", 14, 67, 200, false);
  t.Check(kOpen, "&Open the report once written", 7, 92, 200);
  t.Button(IDOK, "Create", kW - 7 - 55 - 4 - 55, kH - 21, 55, true);
  t.Button(IDCANCEL, "Cancel", kW - 7 - 55, kH - 21, 55);
  return t;
}

class ReportDialog : public ModalDialog {
 public:
  ReportDialog(SettingsStore& store, const std::string& scriptPath) : store_(store), scriptPath_(scriptPath) {}

 private:
  void Init() override {
    int type = store_.ReadNumber(kTypeSetting);
    if (type < 0 || type >= kTypes) type = 0;
    std::string file = store_.ReadText(kFileSetting, 260);
    if (Trim(file).empty()) {
      const std::string_view name = NamePart(scriptPath_);
      file = name.empty() ? "Report" : std::string(name.substr(0, name.rfind('.')));
    }
    SetText(kFile, ReportNameFor(file, type));
    SetChecked(kText + type, true);
    SetChecked(kOpen, store_.Probe(kOpenSetting) == 0 || store_.ReadNumber(kOpenSetting) != 0);
    EnableFileRows();
  }

  // A grid snapshot writes no file.
  void EnableFileRows() {
    const bool file = Type() != kGrid - kText;
    for (int id : {static_cast<int>(kFile), static_cast<int>(kBrowse), static_cast<int>(kOpen)}) Enable(id, file);
  }

  int Type() const {
    for (int t = 0; t < kTypes; ++t)
      if (Checked(kText + t)) return t;
    return 0;
  }

  bool Command(int id, int code) override {
    if (id >= kText && id <= kGrid && code == BN_CLICKED) {
      SetText(kFile, ReportNameFor(GetText(kFile), Type()));
      EnableFileRows();
      return true;
    }
    if (id == kBrowse) {
      const std::string chosen = BrowseFile(true, "Reports (*.txt, *.csv, *.htm, *.xlsx)\0*.txt;*.csv;*.htm;*.xlsx\0All files\0*.*\0", GetText(kFile));
      if (!chosen.empty()) SetText(kFile, ReportNameFor(chosen, Type()));
      return true;
    }
    if (id != IDOK) return false;
    store_.WriteText(kFileSetting, GetText(kFile));
    store_.WriteNumber(kTypeSetting, static_cast<uint32_t>(Type()));
    store_.WriteNumber(kOpenSetting, Checked(kOpen) ? 1 : 0);
    End(IDOK);
    return true;
  }

  SettingsStore& store_;
  const std::string& scriptPath_;
};

}  // namespace

bool RunReportDialog(HWND owner, SettingsStore& store, const std::string& scriptPath) {
  ReportDialog dialog(store, scriptPath);
  return dialog.Run(owner, ReportLayout()) == IDOK;
}

}  // namespace plumo
