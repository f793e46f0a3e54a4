#include "platform/win32/win32_environment.h"

#include <shlobj.h>
#include <windows.h>

#include <vector>

#include "platform/win32/win32_error.h"

namespace plumo {
namespace {

std::string WithBackslash(std::string dir) {
  if (dir.empty() || dir.back() != '\\') dir.push_back('\\');
  return dir;
}

// The shell's special folder; when the shell cannot say, the user's "Shell Folders" value.
std::string ShellFolder(int csidl, const char* shellFoldersName) {
  char path[MAX_PATH] = {};
  if (SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) == S_OK) return WithBackslash(path);
  UniqueHkey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                    KEY_QUERY_VALUE, key.out()) != ERROR_SUCCESS)
    return std::string();
  DWORD type = 0, size = sizeof(path) - 1;
  if (RegQueryValueExA(key.get(), shellFoldersName, nullptr, &type, reinterpret_cast<BYTE*>(path), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ) || path[0] == '\0')
    return std::string();
  path[size < sizeof(path) ? size : sizeof(path) - 1] = '\0';
  return WithBackslash(path);
}

}  // namespace

std::optional<std::string> Win32Environment::Get(const std::string& name) {
  SetLastError(0);
  DWORD n = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  if (n == 0) {
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string();
  }
  std::string value(n, '\0');
  DWORD got = GetEnvironmentVariableA(name.c_str(), value.data(), n);
  value.resize(got < n ? got : n - 1);
  return value;
}

OsError Win32Environment::Set(const std::string& name, const std::optional<std::string>& value) {
  if (!SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr))
    return LastWin32Error("SetEnvironmentVariableA");
  return OsError::Ok();
}

std::string Win32Environment::ExpandStrings(const std::string& text) {
  DWORD n = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
  if (n == 0) return text;
  std::string out(n, '\0');
  DWORD got = ExpandEnvironmentStringsA(text.c_str(), out.data(), n);
  if (got == 0 || got > n) return text;
  out.resize(got - 1);
  return out;
}

std::string Win32Environment::TempFolder() {
  char path[MAX_PATH + 1] = {};
  DWORD n = GetTempPathA(sizeof(path), path);
  if (n == 0 || n > sizeof(path)) return "C:\\";
  return WithBackslash(path);
}

std::string Win32Environment::DocumentsFolder() { return ShellFolder(CSIDL_PERSONAL, "Personal"); }
std::string Win32Environment::AppDataFolder() { return ShellFolder(CSIDL_APPDATA, "Local AppData"); }
std::string Win32Environment::DesktopFolder() { return ShellFolder(CSIDL_DESKTOPDIRECTORY, "Desktop"); }
std::string Win32Environment::StartMenuFolder() { return ShellFolder(CSIDL_STARTMENU, "Start Menu"); }

std::string Win32Environment::ProgramPath() {
  std::vector<char> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return std::string();
    if (n < buf.size()) return std::string(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

}  // namespace plumo
