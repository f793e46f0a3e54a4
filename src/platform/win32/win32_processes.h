#pragma once

#include "platform/processes.h"
#include "platform/threads.h"

namespace plumo {

class Win32Processes : public Processes {
 public:
  uint32_t PriorityClass() override;
  OsError SetPriorityClass(uint32_t cls) override;
  // A Toolhelp snapshot.
  OsError List(std::vector<ProcessEntry>* out) override;
  OsError RunAndWait(const std::string& commandLine, uint32_t timeoutMs) override;
  OsError ImagePath(uint32_t processId, std::string* path) override;
  OsError Terminate(uint32_t processId, uint32_t exitCode) override;
  uint32_t CurrentProcessId() override;
  std::unique_ptr<StartedProgram> Start(const std::string& commandLine, const std::string& folder, bool hidden,
                                        OsError* error) override;
  std::string FindOnPath(const std::string& program) override;
  bool BareProgramNames() override;
  OsError ShellOpen(const std::string& file, const std::string& parameters, bool hidden) override;
  // FindExecutableA.
  std::string AssociatedProgram(const std::string& document) override;
  OsError ControlService(const std::string& name, ServiceRequest request) override;
};

// Threads the studio can terminate.
class Win32Threads : public Threads {
 public:
  std::unique_ptr<Worker> Start(std::function<void()> body) override;
};

}  // namespace plumo
