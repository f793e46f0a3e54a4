#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/win32/win32_error.h"

namespace plumo {

// The Windows registry through advapi32.
class Win32Registry : public Registry {
 public:
  Win32Registry();
  ~Win32Registry() override;

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
  uint64_t ChangeStamp(RegRoot root, const std::string& key) override;

 private:
  struct Watch;
  struct OpenKey;
  // The open handle of a key written to lately (created when missing), under openMu_.
  HKEY WriteHandle(RegRoot root, const std::string& key, LONG* rc);
  void ForgetWriteHandle(RegRoot root, const std::string& key);
  // Values are read with the 64-bit view's query access, plain query access on Windows 2000.
  uint32_t valueReadAccess_;
  // Changes made through this object, seen at once; others' arrive by the key's notification.
  std::atomic<uint64_t> ownChanges_{0};
  std::atomic<uint64_t> unwatched_{0};
  std::mutex watchMu_;
  std::vector<std::unique_ptr<Watch>> watches_;
  // Keys written to lately, kept open: a write is then one call instead of three.
  std::mutex openMu_;
  std::vector<std::unique_ptr<OpenKey>> openKeys_;
};

}  // namespace plumo
