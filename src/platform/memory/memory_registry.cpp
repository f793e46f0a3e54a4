#include "platform/memory/memory_registry.h"

#include <vector>

namespace plumo {

struct MemoryRegistry::Node {
  std::string name;
  // Values keep their insertion order, like the Windows registry's enumeration.
  std::vector<std::pair<std::string, RegValue>> values;
  std::map<std::string, std::unique_ptr<Node>, LessNoCase> subkeys;

  std::pair<std::string, RegValue>* FindValue(const std::string& valueName) {
    for (auto& v : values)
      if (EqualsNoCase(v.first, valueName)) return &v;
    return nullptr;
  }
};

namespace {

OsError NotFound(const char* call) {
  return OsError(call, oscode::kFileNotFound, "The system cannot find the file specified.");
}

// Splits "A\\B\\\\C" into A, B, C; empty segments are ignored as Windows does for a path.
std::vector<std::string> SplitKey(const std::string& key) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : key) {
    if (c == '\\') {
      if (!cur.empty()) parts.push_back(std::move(cur));
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  if (!cur.empty()) parts.push_back(std::move(cur));
  return parts;
}

}  // namespace

MemoryRegistry::MemoryRegistry() = default;
MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::Find(RegRoot root, const std::string& key, bool create) {
  auto& top = roots_[static_cast<uint32_t>(root)];
  if (!top) top = std::make_unique<Node>();
  Node* node = top.get();
  for (const std::string& part : SplitKey(key)) {
    auto it = node->subkeys.find(part);
    if (it == node->subkeys.end()) {
      if (!create) return nullptr;
      auto child = std::make_unique<Node>();
      child->name = part;
      it = node->subkeys.emplace(part, std::move(child)).first;
    }
    node = it->second.get();
  }
  return node;
}

OsError MemoryRegistry::CreateKey(RegRoot root, const std::string& key) {
  std::lock_guard<std::mutex> lock(mu_);
  Find(root, key, true);
  ++changes_;
  return OsError::Ok();
}

bool MemoryRegistry::KeyExists(RegRoot root, const std::string& key) {
  std::lock_guard<std::mutex> lock(mu_);
  return Find(root, key, false) != nullptr;
}

OsError MemoryRegistry::DeleteKeyTree(RegRoot root, const std::string& key) {
  std::lock_guard<std::mutex> lock(mu_);
  std::vector<std::string> parts = SplitKey(key);
  if (parts.empty()) return OsError("RegDeleteTreeA", oscode::kAccessDenied, "Access is denied.");
  std::string last = parts.back();
  parts.pop_back();
  std::string parentPath;
  for (const auto& p : parts) parentPath += p + "\\";
  Node* parent = Find(root, parentPath, false);
  if (!parent || parent->subkeys.erase(last) == 0) return NotFound("RegDeleteTreeA");
  ++changes_;
  return OsError::Ok();
}

OsError MemoryRegistry::ReadValue(RegRoot root, const std::string& key, const std::string& name,
                                  RegValue* out) {
  std::lock_guard<std::mutex> lock(mu_);
  Node* node = Find(root, key, false);
  if (!node) return NotFound("RegOpenKeyExA");
  auto* v = node->FindValue(name);
  if (!v) return NotFound("RegQueryValueExA");
  *out = v->second;
  return OsError::Ok();
}

OsError MemoryRegistry::WriteValue(RegRoot root, const std::string& key, const std::string& name,
                                   const RegValue& value) {
  std::lock_guard<std::mutex> lock(mu_);
  if (valueSizeLimit_ != 0 && value.data.size() > valueSizeLimit_)
    return OsError("RegSetValueExA", oscode::kInvalidParameter, "The parameter is incorrect.");
  Node* node = Find(root, key, true);
  if (auto* v = node->FindValue(name))
    v->second = value;
  else
    node->values.emplace_back(name, value);
  ++changes_;
  return OsError::Ok();
}

void MemoryRegistry::SetValueSizeLimit(size_t bytes) {
  std::lock_guard<std::mutex> lock(mu_);
  valueSizeLimit_ = bytes;
}

OsError MemoryRegistry::DeleteValue(RegRoot root, const std::string& key, const std::string& name) {
  std::lock_guard<std::mutex> lock(mu_);
  Node* node = Find(root, key, false);
  if (!node) return NotFound("RegOpenKeyExA");
  for (auto it = node->values.begin(); it != node->values.end(); ++it) {
    if (EqualsNoCase(it->first, name)) {
      node->values.erase(it);
      ++changes_;
      return OsError::Ok();
    }
  }
  return NotFound("RegDeleteValueA");
}

OsError MemoryRegistry::ListValues(RegRoot root, const std::string& key,
                                   std::vector<std::string>* names) {
  std::lock_guard<std::mutex> lock(mu_);
  names->clear();
  Node* node = Find(root, key, false);
  if (!node) return NotFound("RegOpenKeyExA");
  for (const auto& v : node->values) names->push_back(v.first);
  return OsError::Ok();
}

// One number for the whole registry: a change anywhere moves it.
uint64_t MemoryRegistry::ChangeStamp(RegRoot, const std::string&) {
  std::lock_guard<std::mutex> lock(mu_);
  return changes_;
}

OsError MemoryRegistry::ListSubkeys(RegRoot root, const std::string& key,
                                    std::vector<std::string>* names) {
  std::lock_guard<std::mutex> lock(mu_);
  names->clear();
  Node* node = Find(root, key, false);
  if (!node) return NotFound("RegOpenKeyExA");
  for (const auto& [name, child] : node->subkeys) names->push_back(child->name);
  return OsError::Ok();
}

}  // namespace plumo
