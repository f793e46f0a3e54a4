// The settings the studio expects to find: written at every start when absent, and again by
// "reset all" (general rows) and "Reset User Interface" (interface rows).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "settings/settings_store.h"

namespace plumo {

// What the computed defaults depend on, measured by the program.
struct DefaultsContext {
  int screenWidth = 1280;
  int interfaceFontHeight = 13;
  std::string documentsFolder;  // with its trailing separator
};

enum class DefaultValue { kNumber, kText, kScreenWidthMinus280, kFontHeightPlus6, kLogFile, kCopyright };

struct SettingDefault {
  const char* path;
  DefaultValue value;
  uint32_t number = 0;
  const char* text = nullptr;
};

std::span<const SettingDefault> InterfaceDefaults();
std::span<const SettingDefault> GeneralDefaults();

// Writes one row; with onlyWhenAbsent a present value is left alone.
void WriteDefault(SettingsStore& store, const SettingDefault& row, const DefaultsContext& context,
                  bool onlyWhenAbsent);

// At every start: both tables where absent, then the housekeeping deletions (obsolete values,
// recent-file entries above *\RecentFileCount).
void WriteStartupDefaults(SettingsStore& store, const DefaultsContext& context);
// The Options dialog's "reset all".
void ResetAllSettings(SettingsStore& store, const DefaultsContext& context);
// The View menu's "Reset User Interface".
void ResetUserInterface(SettingsStore& store, const DefaultsContext& context);

// The user's documents folder, or when the environment cannot name it the shell's
// "Personal" folder as the registry records it; "" when neither is known.
std::string DocumentsFolderOf(Environment& environment, SettingsStore& store);

}  // namespace plumo
