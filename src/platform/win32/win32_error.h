// Translation of Win32 error codes into the port's OsError, and RAII owners of handles.
#pragma once

#include <windows.h>

#include <string>

#include "platform/os_error.h"

namespace plumo {

std::string Win32Message(DWORD code);
inline OsError Win32Error(const char* call, DWORD code) { return OsError(call, code, Win32Message(code)); }
inline OsError LastWin32Error(const char* call) { return Win32Error(call, GetLastError()); }

class UniqueHkey {
 public:
  UniqueHkey() = default;
  explicit UniqueHkey(HKEY h) : h_(h) {}
  ~UniqueHkey() { reset(); }
  UniqueHkey(const UniqueHkey&) = delete;
  UniqueHkey& operator=(const UniqueHkey&) = delete;
  HKEY get() const { return h_; }
  HKEY* out() { reset(); return &h_; }
  void reset() { if (h_) RegCloseKey(h_); h_ = nullptr; }
 private:
  HKEY h_ = nullptr;
};

class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ && h_ != INVALID_HANDLE_VALUE; }
  void reset() { if (valid()) CloseHandle(h_); h_ = nullptr; }
 private:
  HANDLE h_ = nullptr;
};

}  // namespace plumo
