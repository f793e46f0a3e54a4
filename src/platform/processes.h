// Processes port: the priority class of this process, which the run lowers while a Wait Step
// polls, and the list of running processes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os_error.h"

namespace plumo {

namespace priority {
constexpr uint32_t kIdle = 0x40;
constexpr uint32_t kNormal = 0x20;
}  // namespace priority

struct ProcessEntry {
  uint32_t id = 0;
  std::string name;  // the program's file name without its folder ("notepad.exe")
};

class Processes {
 public:
  virtual ~Processes() = default;

  // Win32 priority class numbers. Callers set and restore on the same thread (the run thread).
  virtual uint32_t PriorityClass() = 0;
  virtual OsError SetPriorityClass(uint32_t cls) = 0;
  // The processes running now, in the system's order.
  virtual OsError List(std::vector<ProcessEntry>* out) = 0;
  // Starts the command line and waits until it ends or timeoutMs pass (it then keeps running).
  virtual OsError RunAndWait(const std::string& commandLine, uint32_t timeoutMs) = 0;
  // The full path of the program file of a running process.
  virtual OsError ImagePath(uint32_t processId, std::string* path) = 0;
  virtual uint32_t CurrentProcessId() = 0;
  // Ends the process at once with the exit code.
  virtual OsError Terminate(uint32_t processId, uint32_t exitCode) = 0;
};

}  // namespace plumo
