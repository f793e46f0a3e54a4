// A registry held in memory: the test double, and the Linux runner's store when its database
// cannot be opened. Keys and value names compare without regard to case, as on Windows.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "base/text.h"
#include "platform/registry.h"

namespace plumo {

class MemoryRegistry : public Registry {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;

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

  // Refuses values longer than bytes, as small registries do (0: no limit).
  void SetValueSizeLimit(size_t bytes);

 private:
  struct Node;
  Node* Find(RegRoot root, const std::string& key, bool create);

  std::mutex mu_;
  std::map<uint32_t, std::unique_ptr<Node>> roots_;
  size_t valueSizeLimit_ = 0;
  uint64_t changes_ = 0;
};

}  // namespace plumo
