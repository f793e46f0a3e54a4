#include "studio/startup.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "base/text.h"
#include "base/version.h"

namespace plumo {
namespace {

constexpr size_t kKeyOverrideWidth = 64;
constexpr int kMinSavedSide = 50;

std::string_view Unquoted(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

struct WindowsVersion {
  unsigned major, minor;
  bool nt;
  const char* name;
};
constexpr WindowsVersion kWindowsVersions[] = {
    {6, 1, true, "Windows 7"},     {6, 0, true, "Windows Vista"}, {5, 2, true, "Windows Server 2003"},
    {5, 1, true, "Windows XP"},    {5, 0, true, "Windows 2000"},  {4, 0, true, "Windows NT"},
    {4, 90, false, "Windows ME"},  {4, 10, false, "Windows 98"},  {4, 0, false, "Windows 95"},
};

}  // namespace

std::string_view WindowsName(unsigned major, unsigned minor, bool nt) {
  for (const auto& v : kWindowsVersions)
    if (v.major == major && v.minor == minor && v.nt == nt) return v.name;
  return "Windows";
}

std::string IniPathOf(std::string_view programPath) {
  std::string path(programPath);
  if (EndsWithNoCase(path, ".EXE")) return path.substr(0, path.size() - 4) + ".INI";
  return path + ".ini";
}

std::string KeyOverrideFromIni(std::string_view iniText) {
  bool inSection = false;
  std::string value;
  std::istringstream lines{std::string(iniText)};
  std::string raw;
  while (std::getline(lines, raw)) {
    std::string_view line = Trim(raw);
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[') {
      size_t close = line.find(']');
      inSection = close != std::string_view::npos && EqualsNoCase(Trim(line.substr(1, close - 1)), "Plumo Studio");
      continue;
    }
    size_t eq = line.find('=');
    if (!inSection || eq == std::string_view::npos) continue;
    if (EqualsNoCase(Trim(line.substr(0, eq)), "UserRegistryKey")) {
      value = Bounded(Unquoted(Trim(line.substr(eq + 1))), kKeyOverrideWidth);
      break;
    }
  }
  if (EqualsNoCase(value, kProductName)) value.clear();
  return value;
}

void ApplyIniKeyOverride(SettingsStore& store, std::string_view programPath) {
  std::ifstream in(IniPathOf(programPath), std::ios::binary);
  if (!in) return;
  // An INI is a few lines; more than this is not one.
  std::string text(64 * 1024, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  store.SetKeyOverride(KeyOverrideFromIni(text));
}

ProcessLogging ApplyLoggingSwitches(SettingsStore& store, const StartRequest& request) {
  ProcessLogging logging;
  if (request.loggingOn) {
    logging.level = 2;
    logging.everyLineToOutput = true;
  }
  if (request.loggingOff) {
    store.Delete("SOFTWARE\\Plumo\\LogLevel");
    logging.level = 0;
  }
  return logging;
}

int StoreCommandLineVariables(SettingsStore& store, std::string_view commandLine) {
  int stored = 0;
  for (const auto& [name, value] : CommandLineVariables(commandLine))
    if (store.WriteText("SOFTWARE\\Plumo\\UserVariables\\%s", value, {name}) != 0) ++stored;
  return stored;
}

WindowPlacement MainWindowPlacement(SettingsStore& store, int screenWidth, int screenHeight) {
  WindowPlacement saved{store.ReadNumber("*\\window_left"), store.ReadNumber("*\\window_top"),
                        store.ReadNumber("*\\window_width"), store.ReadNumber("*\\window_height")};
  if (saved.width >= kMinSavedSide && saved.height >= kMinSavedSide) return saved;
  int w = std::min(screenWidth, 1280), h = std::min(screenHeight, 1024);
  if (screenHeight > 1024) return {100, 100, w - 200, h - 200};
  return {50, 50, w - 100, h - 100};
}

std::string StartupStatusText(std::string_view osName) {
  return std::string(" Plumo Studio ") + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) +
         " running on Microsoft " + std::string(osName);
}

}  // namespace plumo
