// Resources held in memory: the test double, and on Linux the program's own data, which
// the build embeds as arrays (Linux programs carry no resource section).
#pragma once

#include <map>
#include <string>

#include "base/text.h"
#include "platform/resources.h"

namespace plumo {

class MemoryResources : public Resources {
 public:
  // An empty modulePath is the running program. Module paths compare without regard to case.
  void Add(const std::string& modulePath, uint32_t id, std::string bytes);

  OsError ReadData(const std::string& modulePath, uint32_t id, std::string* out) override;

 private:
  std::map<std::string, std::map<uint32_t, std::string>, LessNoCase> modules_;
};

}  // namespace plumo
