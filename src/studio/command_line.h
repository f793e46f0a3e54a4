// The command line of Plumo.exe and of the Linux runner: switches, the start mode, user
// variables given as %name=value, and the texts shown about them.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace plumo {

// Bits of the start mode.
namespace startmode {
constexpr int kEdit = 1;    // a file is loaded
constexpr int kRun = 2;     // and run at once
constexpr int kHidden = 4;  // with the main window hidden
}  // namespace startmode

inline constexpr size_t kStartFileWidth = 260;
inline constexpr size_t kStartStepWidth = 32;

// Looks for the switch (" -r " as a word, either '-' or '/', any case). 0 when absent;
// otherwise, when value is given, the value after it (quoted, or up to the next space; cut to
// valueWidth - 1 characters) and its length, or 1 for an empty value.
int FindSwitch(std::string_view commandLine, std::string_view name, std::string* value = nullptr,
               size_t valueWidth = 0);

struct StartRequest {
  int mode = 0;        // 0: no file on the command line
  std::string file;
  int startStep = 0;   // 0-based
  bool loggingOn = false;   // -L
  bool loggingOff = false;  // -F
  bool consoleSwitch = false;  // "-c ", which only Plumo.com serves
};

StartRequest ParseStartRequest(std::string_view commandLine);

// The %name=value fields, in order: names cut to 63 characters, values trimmed and unquoted.
std::vector<std::pair<std::string, std::string>> CommandLineVariables(std::string_view commandLine);

// The message shown for "-c " on the studio's command line.
std::string ConsoleSwitchRefusal(std::string_view commandLine);

extern const char kCommandLineHelp[];

}  // namespace plumo
