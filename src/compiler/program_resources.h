// The resources of program files as the program builder reads and changes them: by type,
// name (number or text) and language.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/os_error.h"

namespace plumo {

namespace restype {
constexpr uint32_t kIcon = 3;
constexpr uint32_t kRcData = 10;
constexpr uint32_t kGroupIcon = 14;
constexpr uint32_t kVersion = 16;
}  // namespace restype

namespace reslang {
constexpr uint16_t kNeutral = 0x400;  // LANG_NEUTRAL, SUBLANG_SYS_DEFAULT
constexpr uint16_t kEnglishUs = 1033;
}  // namespace reslang

// A number, or a text name as some programs give their icon groups.
struct ResourceName {
  uint32_t id = 0;
  std::string text;  // named when not empty
  static ResourceName Number(uint32_t n) { return ResourceName{n, {}}; }
  bool operator==(const ResourceName&) const = default;
};

struct FoundResource {
  std::string bytes;
  uint16_t language = 0;
};

struct ResourceChange {
  uint32_t type = 0;
  ResourceName name;
  uint16_t language = 0;
  std::string bytes;
  bool remove = false;  // take the item out instead of writing bytes
};

class ProgramResources {
 public:
  virtual ~ProgramResources() = default;
  // The item (its first language) in the program or DLL file; nothing when absent.
  virtual std::optional<FoundResource> Find(const std::string& file, uint32_t type, const ResourceName& name) = 0;
  // The names of every item of the type, in the file's order.
  virtual std::vector<ResourceName> Names(const std::string& file, uint32_t type) = 0;
  // Applies the changes in one update of the file: all of them or none.
  virtual OsError Update(const std::string& file, const std::vector<ResourceChange>& changes) = 0;
};

}  // namespace plumo
