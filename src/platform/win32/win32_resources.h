#pragma once

#include "platform/resources.h"

namespace plumo {

// RT_RCDATA resources through FindResource; other modules are mapped as data files only.
class Win32Resources : public Resources {
 public:
  OsError ReadData(const std::string& modulePath, uint32_t id, std::string* out) override;
};

}  // namespace plumo
