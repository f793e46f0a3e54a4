// Automation on Windows: IDispatch objects created by program id, late bound by name.
#pragma once

#include "platform/automation.h"

namespace plumo {

class Win32Automation : public Automation {
 public:
  AutoObjectPtr Create(const std::string& progId, OsError* error) override;
};

}  // namespace plumo
