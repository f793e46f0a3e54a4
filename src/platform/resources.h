// Data resources (RT_RCDATA) built into program files: the program's own, or those of
// another module file such as a DLL.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os_error.h"

namespace plumo {

class Resources {
 public:
  virtual ~Resources() = default;

  // The bytes of data resource `id` of the module file at modulePath, or of the running
  // program when modulePath is empty.
  virtual OsError ReadData(const std::string& modulePath, uint32_t id, std::string* out) = 0;
};

}  // namespace plumo
