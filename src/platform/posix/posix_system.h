#pragma once

#include "platform/system.h"

namespace plumo {

class PosixSystem : public System {
 public:
  // The kernel's version numbers.
  OsVersion Version() override;
  MemoryStatus Memory() override;
  std::string CurrentDirectory() override;
  // Starts the command through /bin/sh without waiting for it: 33 when the shell started.
  uint32_t ShellOpen(const std::string& command) override;
};

}  // namespace plumo
