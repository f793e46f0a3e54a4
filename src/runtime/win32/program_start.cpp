#include "runtime/win32/program_start.h"

#include <algorithm>
#include <utility>

namespace plumo {

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  return std::string(path, n);
}

InstanceLock::InstanceLock(const std::string& modulePath) {
  std::string name = modulePath;
  std::replace(name.begin(), name.end(), '\\', '_');
  if (HANDLE existing = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str())) {
    CloseHandle(existing);
    refused_ = true;
    return;
  }
  mutex_ = CreateMutexA(nullptr, FALSE, name.c_str());
  refused_ = GetLastError() == ERROR_ALREADY_EXISTS;
}

InstanceLock::~InstanceLock() {
  if (mutex_) CloseHandle(mutex_);
}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
    : mutex_(std::exchange(other.mutex_, nullptr)), refused_(other.refused_) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
  if (this != &other) {
    if (mutex_) CloseHandle(mutex_);
    mutex_ = std::exchange(other.mutex_, nullptr);
    refused_ = other.refused_;
  }
  return *this;
}

int InterfaceFontHeight() {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICA tm = {};
  GetTextMetricsA(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return tm.tmHeight > 0 ? tm.tmHeight : 13;
}

}  // namespace plumo
