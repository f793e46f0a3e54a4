// A priority class that only remembers what it was set to, and a list of processes the test
// keeps.
#pragma once

#include <map>
#include <vector>

#include "platform/processes.h"

namespace plumo {

class FakeProcesses : public Processes {
 public:
  static constexpr uint32_t kThisProcess = 4242;
  uint32_t PriorityClass() override { return cls; }
  OsError SetPriorityClass(uint32_t c) override {
    cls = c;
    return OsError::Ok();
  }
  OsError List(std::vector<ProcessEntry>* out) override {
    *out = running;
    return OsError::Ok();
  }
  OsError RunAndWait(const std::string& commandLine, uint32_t timeoutMs) override {
    started.push_back(commandLine);
    lastTimeoutMs = timeoutMs;
    return OsError::Ok();
  }
  OsError ImagePath(uint32_t processId, std::string* path) override {
    auto it = paths.find(processId);
    if (it == paths.end()) return OsError("OpenProcess", oscode::kInvalidParameter, "no such process");
    *path = it->second;
    return OsError::Ok();
  }
  uint32_t CurrentProcessId() override { return kThisProcess; }
  OsError Terminate(uint32_t processId, uint32_t) override {
    terminated.push_back(processId);
    return OsError::Ok();
  }
  uint32_t cls = priority::kNormal;
  std::vector<std::string> started;
  uint32_t lastTimeoutMs = 0;
  std::vector<ProcessEntry> running;
  std::map<uint32_t, std::string> paths;
  std::vector<uint32_t> terminated;
};

}  // namespace plumo
