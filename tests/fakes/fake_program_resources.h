// Program resources held in memory per file name; the test seeds what a file carries and
// reads back what the builder wrote. Updates can be made to fail.
#pragma once

#include <map>
#include <tuple>

#include "compiler/program_resources.h"

namespace plumo {

class FakeProgramResources : public ProgramResources {
 public:
  struct Item {
    uint32_t type;
    ResourceName name;
    uint16_t language;
    std::string bytes;
  };
  void Put(const std::string& file, uint32_t type, ResourceName name, uint16_t language, std::string bytes) {
    Apply(file, {type, std::move(name), language, std::move(bytes), false});
  }
  const std::vector<Item>& Of(const std::string& file) { return files_[file]; }
  const Item* Get(const std::string& file, uint32_t type, uint32_t id) {
    for (const Item& i : files_[file])
      if (i.type == type && i.name == ResourceName::Number(id)) return &i;
    return nullptr;
  }
  void FailUpdates() { failUpdates_ = true; }
  int updates = 0;

  std::optional<FoundResource> Find(const std::string& file, uint32_t type, const ResourceName& name) override {
    for (const Item& i : files_[file])
      if (i.type == type && i.name == name) return FoundResource{i.bytes, i.language};
    return std::nullopt;
  }
  std::vector<ResourceName> Names(const std::string& file, uint32_t type) override {
    std::vector<ResourceName> names;
    for (const Item& i : files_[file])
      if (i.type == type && std::find(names.begin(), names.end(), i.name) == names.end()) names.push_back(i.name);
    return names;
  }
  OsError Update(const std::string& file, const std::vector<ResourceChange>& changes) override {
    if (failUpdates_) return OsError("EndUpdateResourceA", 32, "The process cannot access the file.");
    ++updates;
    for (const ResourceChange& c : changes) Apply(file, c);
    return OsError::Ok();
  }

 private:
  void Apply(const std::string& file, const ResourceChange& c) {
    auto& items = files_[file];
    auto same = [&](const Item& i) { return i.type == c.type && i.name == c.name && i.language == c.language; };
    items.erase(std::remove_if(items.begin(), items.end(), same), items.end());
    if (!c.remove) items.push_back(Item{c.type, c.name, c.language, c.bytes});
  }
  std::map<std::string, std::vector<Item>> files_;
  bool failUpdates_ = false;
};

}  // namespace plumo
