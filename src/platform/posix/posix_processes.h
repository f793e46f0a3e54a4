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
  // posix_spawnp over the command line's words read as Windows programs read them.
  std::unique_ptr<StartedProgram> Start(const std::string& commandLine, const std::string& folder, bool hidden,
                                        OsError* error) override;
  std::string FindOnPath(const std::string& program) override;
  bool BareProgramNames() override;
  // xdg-open for documents and folders.
  OsError ShellOpen(const std::string& file, const std::string& parameters, bool hidden) override;
  std::string AssociatedProgram(const std::string& document) override;
  OsError ControlService(const std::string& name, ServiceRequest request) override;
};

}  // namespace plumo
