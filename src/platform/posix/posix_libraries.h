#pragma once

#include "platform/libraries.h"

namespace plumo {

// dlopen and dlsym; the system list is the C library and the maths library. Functions are
// called in the C convention; errno stands for the last error.
class PosixLibraries : public Libraries {
 public:
  std::unique_ptr<Library> Load(const std::string& name) override;
  std::vector<std::string> SystemLibraries() override;
  NativeCallResult Call(void* function, const uintptr_t* args, int count) override;
  std::string ErrorMessage(uint32_t code) override;
};

}  // namespace plumo
