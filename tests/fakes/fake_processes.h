// A priority class that only remembers what it was set to, and a list of processes the test
// keeps.
#pragma once

#include <vector>

#include "platform/processes.h"

namespace plumo {

class FakeProcesses : public Processes {
 public:
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
  uint32_t cls = priority::kNormal;
  std::vector<std::string> started;
  uint32_t lastTimeoutMs = 0;
  std::vector<ProcessEntry> running;
};

}  // namespace plumo
