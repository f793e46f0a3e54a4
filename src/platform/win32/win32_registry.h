#pragma once

#include <atomic>

#include "platform/registry.h"

namespace plumo {

// The Windows registry through advapi32.
class Win32Registry : public Registry {
 public:
  Win32Registry();

  OsError CreateKey(RegRoot root, const std::string& key) override;
  bool KeyExists(RegRoot root, const std::string& key) override;
  OsError DeleteKeyTree(RegRoot root, const std::string& key) override;
  OsError ReadValue(RegRoot root, const std::string& key, const std::string& name,
                    RegValue* out) override;
  OsError WriteValue(RegRoot root, const std::string& key, const std::string& name,
                     const RegValue& value) override;
  OsError DeleteValue(RegRoot root, const std::string& key, const std::string& name) override;
  OsError ListValues(RegRoot root, const std::string& key, std::vector<std::string>* names) override;
  OsError ListSubkeys(RegRoot root, const std::string& key, std::vector<std::string>* names) override;
  uint64_t ChangeStamp() override;

 private:
  // Values are read with the 64-bit view's query access, plain query access on Windows 2000.
  uint32_t valueReadAccess_;
  std::atomic<uint64_t> stamps_{0};
};

}  // namespace plumo
