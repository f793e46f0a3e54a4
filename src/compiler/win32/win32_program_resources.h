// Program resources through the system's own resource reading and updating.
#pragma once

#include "compiler/program_resources.h"
#include "platform/clock.h"

namespace plumo {

class Win32ProgramResources : public ProgramResources {
 public:
  explicit Win32ProgramResources(Clock& clock) : clock_(clock) {}
  std::optional<FoundResource> Find(const std::string& file, uint32_t type, const ResourceName& name) override;
  std::vector<ResourceName> Names(const std::string& file, uint32_t type) override;
  OsError Update(const std::string& file, const std::vector<ResourceChange>& changes) override;

 private:
  Clock& clock_;
};

}  // namespace plumo
