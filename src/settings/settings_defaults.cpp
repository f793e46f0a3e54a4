#include "settings/settings_defaults.h"

#include <cstdio>

namespace plumo {
namespace {

using V = DefaultValue;

constexpr SettingDefault kInterfaceDefaults[] = {
    {"*\\OnTop", V::kNumber, 0},
    {"*\\window_maximized", V::kNumber, 0},
    {"*\\RunTrackingShow", V::kNumber, 1},
    {"*\\RunTrackingX", V::kScreenWidthMinus280},
    {"*\\RunTrackingY", V::kNumber, 30},
    {"*\\RunTrackingAlpha", V::kNumber, 85},
    {"*\\RunTrackingWidth", V::kNumber, 250},
    {"*\\RunTrackingTimeout", V::kNumber, 3000},
    {"*\\Palettes\\Properties\\RowHeight", V::kFontHeightPlus6},
    {"*\\HiliteRunningStep", V::kNumber, 1},
    {"*\\Palettes\\MainList\\IndentSize", V::kNumber, 6},
    {"*\\Palettes\\MainList\\IndentAllColumns", V::kNumber, 0},
    {"*\\Palettes\\MainList\\IndentNewColumns", V::kNumber, 1},
    {"*\\Palettes\\MainList\\IndentCommentMode", V::kNumber, 2},
};

constexpr SettingDefault kGeneralDefaults[] = {
    {"*\\Compile\\Copyright", V::kCopyright},
    {"*\\Compile\\Description", V::kText, 0, "My Automation Script"},
    {"*\\Compile\\Version", V::kText, 0, "1.0"},
    {"*\\Compile\\Compress", V::kNumber, 0},
    {"*\\AutoUpdate", V::kNumber, 2},
    {"*\\CustomTagEdit", V::kNumber, 0},
    {"*\\LastVariableType", V::kNumber, 1},
    {"*\\Favorites\\Separator", V::kNumber, 4},
    {"*\\ShowRunResult", V::kNumber, 1},
    {"*\\InterStepDelay", V::kNumber, 0},
    {"*\\AlwaysShowSysVars", V::kNumber, 1},
    {"*\\EncodeXML", V::kNumber, 1},
    {"*\\ShowFullFilesInTabs", V::kNumber, 0},
    {"*\\Palettes\\Variables\\MaxDisplayCount", V::kNumber, 100},
    {"*\\InsertNewStep", V::kNumber, 0},
    {"*\\SelectNewStep", V::kNumber, 1},
    {"*\\ShowSamples", V::kNumber, 1},
    {"*\\RestartLog", V::kNumber, 1},
    {"*\\Find", V::kNumber, 0},
    {"*\\ReloadFiles", V::kNumber, 0},
    {"*\\ReloadFiles_List", V::kNumber, 0},
    {"*\\MinimizeFindWin", V::kNumber, 0},
    {"*\\MinimizeStart", V::kNumber, 0},
    {"*\\PromptSave", V::kNumber, 1},
    {"*\\Colors\\CommentItalic", V::kNumber, 1},
    {"*\\Colors\\BreakText", V::kNumber, 0xFFFFFF},
    {"*\\Colors\\BreakFill", V::kNumber, 0x463A96},
    {"*\\Colors\\WaitText", V::kNumber, 0x808000},
    {"*\\Colors\\WaitFill", V::kNumber, 0xFFFFFF},
    {"*\\Colors\\ResultSuccessFill", V::kNumber, 0xECFFEC},
    {"*\\Colors\\ResultFailFill", V::kNumber, 0xF0ECFF},
    {"*\\Colors\\NonEditableFill", V::kNumber, 0xF8F8F8},
    {"*\\Colors\\SkipFill", V::kNumber, 0xF0F0F0},
    {"*\\Colors\\SkipText", V::kNumber, 0x808080},
    {"*\\Colors\\CommentFill", V::kNumber, 0xC0FFFF},
    {"*\\Colors\\CommentText", V::kNumber, 0xA000},
    {"*\\Colors\\CustomText", V::kNumber, 0x800080},
    {"*\\Colors\\Bookmark", V::kNumber, 0xF9D2BF},
    {"*\\Colors\\OnFailureLabels", V::kNumber, 0x8080},
    {"*\\Palettes\\Properties\\MaxFieldSize", V::kNumber, 10},
    {"*\\Palettes\\Properties\\ShowEnvVars", V::kNumber, 0},
    {"*\\Palettes\\Properties\\InitialEditMode", V::kNumber, 0},
    {"*\\Palettes\\Properties\\HelpSize", V::kNumber, 75},
    {"*\\Palettes\\Properties\\EditGridFields", V::kNumber, 1},
    {"*\\Palettes\\MainList\\AllowDragDrop", V::kNumber, 1},
    {"*\\Progress", V::kNumber, 0},
    {"*\\Palettes\\Output\\Font", V::kText, 0, "Courier New"},
    {"*\\Palettes\\Output\\FontSize", V::kNumber, 8},
    {"*\\Palettes\\Output\\Font_Italic", V::kNumber, 0},
    {"*\\Palettes\\Output\\Font_Weight", V::kNumber, 400},
    {"*\\Palettes\\Output\\WrapLength", V::kNumber, 32000},
    {"*\\Palettes\\Output\\RestartEachRun", V::kNumber, 1},
    {"*\\Palettes\\Output\\AlwaysGenerateOutput", V::kNumber, 1},
    {"*\\DisableScreenSaver", V::kNumber, 0},
    {"*\\ShowSplash", V::kNumber, 1},
    {"*\\ResetUserVariables", V::kNumber, 0},
    {"*\\MaskColor", V::kNumber, 0xFF00FF},
    {"*\\MultipleWindowError", V::kNumber, 1},
    {"*\\DefaultFailureMode", V::kText, 0, "Display Error and Stop"},
    {"*\\LogLevel", V::kNumber, 0},
    {"*\\Logfile", V::kLogFile},
    {"*\\DefaultReturnCode", V::kNumber, 0},
    {"*\\DefaultLoadAction", V::kNumber, 0},
    {"*\\RecentFileCount", V::kNumber, 16},
    {"*\\Report\\MaxTextLen", V::kNumber, 50},
    {"*\\Report\\ResultText_0", V::kText, 0, "(Not Run)"},
    {"*\\Report\\ResultText_1", V::kText, 0, "Incomplete"},
    {"*\\Report\\ResultText_2", V::kText, 0, "Success"},
    {"*\\Report\\ResultText_3", V::kText, 0, "Fail"},
    {"*\\Report\\ResultText_4", V::kText, 0, "Fail and Continue"},
    {"*\\Report\\OpenImmediately", V::kNumber, 1},
    {"*\\Report\\stats_active", V::kNumber, 1},
};

// "\xA9" is the copyright sign in the ANSI code page.
constexpr const char kCopyrightFormat[] = "Copyright \xA9 %d My Company. All Rights Reserved.";
constexpr int kCopyrightYear = 2010;

constexpr const char* kObsoleteAtStart[] = {
    "SOFTWARE\\Plumo\\ShowGlobalVars",
    "SOFTWARE\\Plumo\\LocalVariables",
    "SOFTWARE\\Plumo\\Palettes\\MainList\\GridStyle",
    "SOFTWARE\\Plumo\\Palettes\\MainList\\GridStyle_AltColor",
    "SOFTWARE\\Plumo\\Palettes\\MainList\\BASICEditor",
    "SOFTWARE\\Plumo\\Colors\\SkipItalic",
};

constexpr const char* kDeletedByResetAll[] = {
    "SOFTWARE\\Plumo\\Report\\",
    "*\\DefaultOutputTo",
    "*\\DefaultOutputTo_Option",
    "*\\DefaultFailureMode",
    "*\\DefaultFailureMode_Option",
};

constexpr const char* kDeletedByInterfaceReset[] = {
    "SOFTWARE\\Plumo\\Palettes\\EditDlgPos",
    "SOFTWARE\\Plumo\\Palettes\\ListDlgPos",
};

constexpr int kMaxRecentFiles = 32;

void WriteTable(SettingsStore& store, std::span<const SettingDefault> rows, const DefaultsContext& context,
                bool onlyWhenAbsent) {
  for (const auto& row : rows) WriteDefault(store, row, context, onlyWhenAbsent);
}

}  // namespace

std::span<const SettingDefault> InterfaceDefaults() { return kInterfaceDefaults; }
std::span<const SettingDefault> GeneralDefaults() { return kGeneralDefaults; }

void WriteDefault(SettingsStore& store, const SettingDefault& row, const DefaultsContext& context,
                  bool onlyWhenAbsent) {
  if (onlyWhenAbsent && store.Probe(row.path) != 0) return;
  switch (row.value) {
    case V::kNumber:
      store.WriteNumber(row.path, row.number);
      break;
    case V::kText:
      store.WriteText(row.path, row.text);
      break;
    case V::kScreenWidthMinus280:
      store.WriteNumber(row.path, static_cast<uint32_t>(context.screenWidth - 280));
      break;
    case V::kFontHeightPlus6:
      store.WriteNumber(row.path, static_cast<uint32_t>(context.interfaceFontHeight + 6));
      break;
    case V::kLogFile:
      store.WriteText(row.path, context.documentsFolder + "PlumoLog.txt");
      break;
    case V::kCopyright: {
      char text[128];
      std::snprintf(text, sizeof(text), kCopyrightFormat, kCopyrightYear);
      store.WriteText(row.path, text);
      break;
    }
  }
}

void WriteStartupDefaults(SettingsStore& store, const DefaultsContext& context) {
  WriteTable(store, kInterfaceDefaults, context, true);
  WriteTable(store, kGeneralDefaults, context, true);
  for (const char* path : kObsoleteAtStart)
    if (store.Probe(path) != 0) store.Delete(path);
  int count = store.ReadNumber("*\\RecentFileCount");
  if (count >= 0 && count < kMaxRecentFiles)
    for (int n = kMaxRecentFiles; n > count; --n) store.Delete("*\\RecentFile%d", {n});
}

void ResetAllSettings(SettingsStore& store, const DefaultsContext& context) {
  WriteTable(store, kGeneralDefaults, context, false);
  for (int n = 1; n <= kMaxRecentFiles; ++n) store.Delete("*\\RecentFile%d", {n});
  for (const char* path : kDeletedByResetAll) store.Delete(path);
}

void ResetUserInterface(SettingsStore& store, const DefaultsContext& context) {
  WriteTable(store, kInterfaceDefaults, context, false);
  for (const char* path : kDeletedByInterfaceReset) store.Delete(path);
}

std::string DocumentsFolderOf(Environment& environment, SettingsStore& store) {
  std::string folder = environment.DocumentsFolder();
  if (!folder.empty()) return folder;
  folder = store.ReadText(
      "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\\Personal", 260);
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder.push_back('\\');
  return folder;
}

}  // namespace plumo
