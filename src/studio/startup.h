// The parts of start-up both programs share, over the settings store: the INI override of the
// settings key, the logging switches, the command line's user variables, and the main
// window's placement.
#pragma once

#include <string>
#include <string_view>

#include "settings/settings_store.h"
#include "studio/command_line.h"

namespace plumo {

// The INI beside the program: its name with ".EXE" made ".INI" (".ini" added when it has none).
std::string IniPathOf(std::string_view programPath);
// "UserRegistryKey" of section "Plumo Studio" (at most 63 characters); "" when absent or
// when it names the product itself.
std::string KeyOverrideFromIni(std::string_view iniText);
// Reads the INI beside the program and sets the store's override from it.
void ApplyIniKeyOverride(SettingsStore& store, std::string_view programPath);

// The log level of this process after -L and -F (-1: as the settings say), and whether the
// Output palette gets every line.
struct ProcessLogging {
  int level = -1;
  bool everyLineToOutput = false;
};
ProcessLogging ApplyLoggingSwitches(SettingsStore& store, const StartRequest& request);

// Stores each %name=value of the command line as a persistent user variable; returns how many.
int StoreCommandLineVariables(SettingsStore& store, std::string_view commandLine);

struct WindowPlacement {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const WindowPlacement&) const = default;
};
// The saved *\window_* placement when both sides are at least 50, else a default for the screen.
WindowPlacement MainWindowPlacement(SettingsStore& store, int screenWidth, int screenHeight);

// " Plumo Studio 7.76 running on Microsoft Windows 7"
std::string StartupStatusText(std::string_view osName);
// "Windows XP" for 5.1 and so on; "Windows" for a version it does not know.
std::string_view WindowsName(unsigned major, unsigned minor, bool nt);

inline constexpr const char kHandOverSlot[] = "SOFTWARE\\Plumo\\FileOpenFromExternal_%d";
inline constexpr int kHandOverSlots = 8;

}  // namespace plumo
