#pragma once

#include "platform/libraries.h"

namespace plumo {

// LoadLibraryA and GetProcAddress; the last error is cleared before a call and read after.
class Win32Libraries : public Libraries {
 public:
  std::unique_ptr<Library> Load(const std::string& name) override;
  std::vector<std::string> SystemLibraries() override;
  NativeCallResult Call(void* function, const uintptr_t* args, int count) override;
  std::string ErrorMessage(uint32_t code) override;
};

}  // namespace plumo
