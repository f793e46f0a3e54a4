#include "studio/compile_dialog.h"

#include "compiler/compile_command.h"
#include "compiler/compile_settings.h"
#include "compiler/program_builder.h"
#include "studio/dialog_template.h"

namespace plumo {
namespace {

using namespace compileid;

constexpr const char* kPlatformNames[] = {"Windows program (.exe)", "Console program (.com)",
                                          "Dynamic Link Library (.dll)"};
constexpr const char* kCopiedText = "The command line for compiling has been copied to the Clipboard";
constexpr const char* kCopiedCaption = "Compile EXE Switches";

struct Flag {
  int id;
  bool BuildRequest::*field;
};
constexpr Flag kFlags[] = {
    {kCompress, &BuildRequest::compress},
    {kSingleInstance, &BuildRequest::singleInstance},
    {kEncrypt, &BuildRequest::encrypt},
};
struct Text {
  int id;
  std::string BuildRequest::*field;
};
constexpr Text kTexts[] = {
    {kOutput, &BuildRequest::output},
    {kVersion, &BuildRequest::version},
    {kCopyright, &BuildRequest::copyright},
    {kDescription, &BuildRequest::description},
};
// What a DLL never gets: shown, kept, but not offered.
constexpr int kNotForDll[] = {kCompress, kSingleInstance, kEncrypt, kIconStandard, kIconStudio,
                              kIconFile, kIconPath, kIconBrowse};

DialogTemplate CompileLayout() {
  constexpr short kW = 320, kLeft = 7, kField = 70, kBrowse = 289;
  DialogTemplate t(kCompileDialogTitle, kW, 282);
  t.Label("&Output file:", kLeft, 7, 60);
  t.Edit(kOutput, kField, 7, 215);
  t.Button(kOutputBrowse, "...", kBrowse, 7, 24);
  t.Label("&Platform:", kLeft, 25, 60);
  t.DropList(kPlatform, kField, 25, 150, 60);
  t.Group("Program icon", kLeft, 44, kW - 14, 54);
  t.Radio(kIconStandard, "Standard &Windows application icon", 14, 56, 200, true);
  t.Radio(kIconStudio, "Plumo &Studio icon", 14, 68, 200, false);
  t.Radio(kIconFile, "Icon &file:", 14, 81, 52, false);
  t.Edit(kIconPath, kField, 80, 208);
  t.Button(kIconBrowse, "...", kBrowse - 7, 80, 24);
  t.Label("&Version:", kLeft, 106, 60);
  t.Edit(kVersion, kField, 106, 80);
  t.Label("Cop&yright:", kLeft, 124, 60);
  t.Edit(kCopyright, kField, 124, 243);
  t.Label("&Description:", kLeft, 142, 60);
  t.Edit(kDescription, kField, 142, 243);
  t.Check(kCompress, "Co&mpress the program", kField, 162, 115);
  t.Check(kSingleInstance, "Single i&nstance", 190, 162, 115);
  t.Check(kEncrypt, "&Encrypt the Script", kField, 175, 115);
  t.Check(kEmbedImages, "Embed &image files", kField, 188, 115);
  t.Check(kEmbedData, "Embed d&ata files", 190, 188, 115);
  t.Label("Equivalent command line:", kLeft, 204, 200);
  t.Add(DialogTemplate::kEdit, kCommandLine, "", WS_BORDER | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY,
        kLeft, 216, kW - 14, 28);
  t.Button(kCopy, "&Copy to Clipboard", kLeft, 248, 80);
  t.Button(IDOK, "Compile", kW - 123, 262, 55, true);
  t.Button(IDCANCEL, "Cancel", kW - 62, 262, 55);
  return t;
}

class CompileDialog : public ModalDialog {
 public:
  CompileDialog(SettingsStore& store, const CompileDialogContext& context, BuildRequest& request)
      : store_(store), context_(context), request_(request) {}

 private:
  void Init() override {
    LoadCompileSettings(store_, request_);
    for (const char* name : kPlatformNames) SendDlgItemMessageA(hwnd_, kPlatform, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    SendDlgItemMessageA(hwnd_, kPlatform, CB_SETCURSEL, static_cast<WPARAM>(request_.platform), 0);
    for (const Text& t : kTexts) SetText(t.id, request_.*t.field);
    for (const Flag& f : kFlags) SetChecked(f.id, request_.*f.field);
    SetChecked(kEmbedImages, request_.packaging & packaging::kImageFiles);
    SetChecked(kEmbedData, request_.packaging & packaging::kDataFiles);
    const IconChoice icon = IconChoiceOf(request_.icon, context_.studioPath);
    SetChecked(kIconStandard + static_cast<int>(icon), true);
    if (icon == IconChoice::kFile) SetText(kIconPath, request_.icon);
    ready_ = true;
    Refresh();
  }

  bool Command(int id, int code) override {
    switch (id) {
      case kPlatform:
        if (code != CBN_SELCHANGE) return false;
        Read();
        SetText(kOutput, CorrectOutputName(request_.output, request_.platform, context_.currentFolder));
        break;
      case kOutputBrowse:
        Browse(kOutput, true, "Programs (*.exe, *.com, *.dll)\0*.exe;*.com;*.dll\0All files\0*.*\0");
        break;
      case kIconBrowse:
        if (Browse(kIconPath, false, "Icons (*.ico, *.exe, *.dll)\0*.ico;*.exe;*.dll\0All files\0*.*\0"))
          CheckRadioButton(hwnd_, kIconStandard, kIconFile, kIconFile);
        break;
      case kCopy:
        Refresh();
        if (OsError e = context_.clipboard.SetText(GetText(kCommandLine)); !e.ok())
          MessageBoxA(hwnd_, e.ToString().c_str(), kCopiedCaption, MB_OK | MB_ICONEXCLAMATION);
        else
          MessageBoxA(hwnd_, kCopiedText, kCopiedCaption, MB_OK | MB_ICONINFORMATION);
        return true;
      case IDOK:
        Read();
        request_.output = CorrectOutputName(request_.output, request_.platform, context_.currentFolder);
        SaveCompileSettings(store_, request_);
        End(IDOK);
        return true;
      default:
        if (code != EN_CHANGE && code != BN_CLICKED) return false;
    }
    Refresh();
    return true;
  }

  bool Browse(int edit, bool save, const char* filter) {
    const std::string chosen = BrowseFile(save, filter, GetText(edit));
    if (!chosen.empty()) SetText(edit, chosen);
    return !chosen.empty();
  }

  void Read() {
    for (const Text& t : kTexts) request_.*t.field = GetText(t.id);
    for (const Flag& f : kFlags) request_.*f.field = Checked(f.id);
    request_.packaging = (Checked(kEmbedImages) ? packaging::kImageFiles : 0) |
                         (Checked(kEmbedData) ? packaging::kDataFiles : 0);
    const LRESULT platform = SendDlgItemMessageA(hwnd_, kPlatform, CB_GETCURSEL, 0, 0);
    request_.platform = platform == 1 ? Platform::kConsole : platform == 2 ? Platform::kDll : Platform::kWindows;
    request_.icon = Checked(kIconStudio) ? context_.studioPath : Checked(kIconFile) ? GetText(kIconPath) : "";
  }

  // The command line and what the platform allows follow every change.
  void Refresh() {
    if (!ready_) return;
    Read();
    const bool dll = request_.platform == Platform::kDll;
    for (int id : kNotForDll) Enable(id, !dll);
    if (!dll) {
      Enable(kIconPath, Checked(kIconFile));
      Enable(kIconBrowse, Checked(kIconFile));
    }
    const std::string line = EquivalentCommandLine(request_, context_.scriptPath);
    if (GetText(kCommandLine) != line) SetText(kCommandLine, line);
  }

  SettingsStore& store_;
  const CompileDialogContext& context_;
  BuildRequest& request_;
  bool ready_ = false;
};

}  // namespace

bool RunCompileDialog(HWND owner, SettingsStore& store, const CompileDialogContext& context, BuildRequest& request) {
  CompileDialog dialog(store, context, request);
  return dialog.Run(owner, CompileLayout()) == IDOK;
}

}  // namespace plumo
