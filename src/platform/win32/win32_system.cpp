#include "platform/win32/win32_system.h"

#include <windows.h>
#include <shellapi.h>
#include <winnetwk.h>

#include "platform/win32/win32_error.h"

namespace plumo {

OsVersion Win32System::Version() {
  OSVERSIONINFOEXA info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  OsVersion v;
  v.windows = true;
  if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) {
    v.major = info.dwMajorVersion;
    v.minor = info.dwMinorVersion;
    v.build = info.dwBuildNumber & 0xFFFF;
    v.workstation = info.wProductType == VER_NT_WORKSTATION;
  }
  return v;
}

MemoryStatus Win32System::Memory() {
  MEMORYSTATUSEX m = {};
  m.dwLength = sizeof(m);
  MemoryStatus s;
  if (GlobalMemoryStatusEx(&m)) {
    s.total = m.ullTotalPhys;
    s.available = m.ullAvailPhys;
  }
  return s;
}

std::string Win32System::CurrentDirectory() {
  char buf[MAX_PATH + 1];
  DWORD n = GetCurrentDirectoryA(sizeof(buf), buf);
  if (n == 0 || n >= sizeof(buf)) return std::string();
  return std::string(buf, n);
}

OsError Win32System::ShellOpen(const std::string& command, uint32_t* shellResult) {
  std::string file, params;
  SplitCommand(command, &file, &params);
  HINSTANCE r = ShellExecuteA(nullptr, "open", file.c_str(), params.empty() ? nullptr : params.c_str(),
                              nullptr, SW_SHOWNORMAL);
  const uint32_t value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(r));
  if (shellResult) *shellResult = value;
  // ShellExecute's small answers are Win32 codes (2 not found, 5 denied, ...), except 0.
  return value > 32 ? OsError::Ok() : Win32Error("ShellExecuteA", value == 0 ? ERROR_NOT_ENOUGH_MEMORY : value);
}

std::string Win32System::CommandLine() { return GetCommandLineA(); }

std::string Win32System::SystemFolder() {
  char buf[MAX_PATH + 1] = {};
  UINT n = GetSystemDirectoryA(buf, sizeof(buf));
  return n == 0 || n >= sizeof(buf) ? std::string() : std::string(buf, n);
}

std::string Win32System::WindowsFolder() {
  char buf[MAX_PATH + 1] = {};
  UINT n = GetWindowsDirectoryA(buf, sizeof(buf));
  return n == 0 || n >= sizeof(buf) ? std::string() : std::string(buf, n);
}

std::string Win32System::UserName() {
  char buf[257] = {};
  DWORD n = sizeof(buf);
  return GetUserNameA(buf, &n) ? std::string(buf) : std::string();
}

int32_t Win32System::TimeZoneBias() {
  TIME_ZONE_INFORMATION tz = {};
  if (GetTimeZoneInformation(&tz) == TIME_ZONE_ID_INVALID) return 0;
  return tz.Bias;
}

void Win32System::AnnounceEnvironmentChange() {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("Environment"),
                      SMTO_ABORTIFHUNG, 5000, &result);
}

void Win32System::DebugOutput(const std::string& text) { OutputDebugStringA(text.c_str()); }

OsError Win32System::EndSession(SessionEnd how) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
    return LastWin32Error("OpenProcessToken");
  UniqueHandle owned(token);
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
    return LastWin32Error("LookupPrivilegeValueA");
  AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
  if (GetLastError() != ERROR_SUCCESS) return LastWin32Error("AdjustTokenPrivileges");
  UINT flags = how == SessionEnd::kLogoff   ? EWX_LOGOFF
               : how == SessionEnd::kReboot ? EWX_REBOOT | EWX_FORCE
                                            : EWX_SHUTDOWN | EWX_FORCE;
  return ExitWindowsEx(flags, 0) ? OsError::Ok() : LastWin32Error("ExitWindowsEx");
}

}  // namespace plumo

namespace plumo {

OsError Win32System::MapDrive(const std::string& letter, const std::string& share, const std::string& user,
                              const std::string& password) {
  NETRESOURCEA resource = {};
  resource.dwType = RESOURCETYPE_DISK;
  std::string local = letter, remote = share;
  resource.lpLocalName = local.empty() ? nullptr : local.data();
  resource.lpRemoteName = remote.data();
  const DWORD code = WNetAddConnection2A(&resource, password.empty() ? nullptr : password.c_str(),
                                         user.empty() ? nullptr : user.c_str(), 0);
  if (code != NO_ERROR) return Win32Error("WNetAddConnection2A", code);
  return OsError::Ok();
}

OsError Win32System::MapDrivePrompt() {
  const DWORD code = WNetConnectionDialog(GetForegroundWindow(), RESOURCETYPE_DISK);
  if (code == NO_ERROR) return OsError::Ok();
  if (code == 0xFFFFFFFF) return Win32Error("WNetConnectionDialog", ERROR_CANCELLED);
  return Win32Error("WNetConnectionDialog", code);
}

}  // namespace plumo
