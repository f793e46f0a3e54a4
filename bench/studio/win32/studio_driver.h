// What the studio's timing programs share: a clock, the studio's window, the settings they
// set aside while they time.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace studio_driver {

inline double NowMs() {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return 1e3 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

struct Found {
  DWORD pid;
  HWND hwnd;
};
inline BOOL CALLBACK FindStudio(HWND hwnd, LPARAM lp) {
  auto* f = reinterpret_cast<Found*>(lp);
  char cls[32] = {};
  GetClassNameA(hwnd, cls, sizeof(cls));
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == f->pid && std::string(cls) == "PlumoClass" && IsWindowVisible(hwnd)) {
    f->hwnd = hwnd;
    return FALSE;
  }
  return TRUE;
}

inline DWORD GetNumber(const char* name, DWORD fallback) {
  DWORD value = fallback, size = sizeof(value);
  HKEY k;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Plumo", 0, KEY_READ, &k)) return fallback;
  if (RegQueryValueExA(k, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size)) value = fallback;
  RegCloseKey(k);
  return value;
}

inline void SetNumber(const char* name, DWORD value) {
  HKEY k;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Plumo", 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr)) return;
  RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
  RegCloseKey(k);
}

inline int Rows(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

// The list painted: every message before this one handled, then the studio's own paint of it.
// Forcing the paint from here (UpdateWindow) would add some 5 ms of Wine's cross-process
// messages to every time.
inline void Painted(HWND list) {
  DWORD_PTR ignored;
  SendMessageTimeoutA(list, WM_NULL, 0, 0, SMTO_BLOCK, 60000, &ignored);
  for (const double start = NowMs(); GetUpdateRect(list, nullptr, FALSE) && NowMs() - start < 60000;) Sleep(0);
}


// Starts Plumo.exe with the file and waits for its shown main window; null on failure.
inline HWND StartStudio(const char* exe, const std::string& file, PROCESS_INFORMATION& pi) {
  std::string cmd = "\"" + std::string(exe) + "\" \"" + file + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return nullptr;
  Found f{pi.dwProcessId, nullptr};
  for (const double start = NowMs(); !f.hwnd && NowMs() - start < 60000; Sleep(5))
    EnumWindows(&FindStudio, reinterpret_cast<LPARAM>(&f));
  return f.hwnd;
}

}  // namespace studio_driver
