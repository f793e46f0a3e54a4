// Start-up pieces every Windows program of the system shares: its own module's path, the
// single-instance lock a built program asks for in its option block, and the interface font
// the settings defaults are sized by.
#pragma once

#include <windows.h>

#include <string>

namespace plumo {

// The module's file (the program's with nullptr).
std::string ModulePath(HMODULE module = nullptr);

// The mutex named after the module path with every '\' made '_', held until the lock goes.
// `refused` when another instance holds it: the caller ends at once with 0.
class InstanceLock {
 public:
  explicit InstanceLock(const std::string& modulePath);
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(InstanceLock&& other) noexcept;
  InstanceLock& operator=(InstanceLock&& other) noexcept;
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  bool refused() const { return refused_; }

 private:
  HANDLE mutex_ = nullptr;
  bool refused_ = false;
};

// Height of the default GUI font; 13 when it cannot be measured.
int InterfaceFontHeight();

}  // namespace plumo
