#pragma once

#include "platform/processes.h"

namespace plumo {

// The priority class maps to the calling thread's scheduling policy (idle or normal), which
// an ordinary user may switch both ways.
class PosixProcesses : public Processes {
 public:
  uint32_t PriorityClass() override;
  OsError SetPriorityClass(uint32_t cls) override;
  // From /proc: the name of each process's program file (its command's first word for
  // processes whose file may not be read, its short name for kernel threads).
  OsError List(std::vector<ProcessEntry>* out) override;
  OsError RunAndWait(const std::string& commandLine, uint32_t timeoutMs) override;
  OsError ImagePath(uint32_t processId, std::string* path) override;
  OsError Terminate(uint32_t processId, uint32_t exitCode) override;
  uint32_t CurrentProcessId() override;
};

}  // namespace plumo
