// Processes port: the priority class of this process, which the run lowers while a Wait Step
// polls, and the list of running processes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
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

// A program this process started. Letting go of it leaves the program running.
class StartedProgram {
 public:
  static constexpr uint32_t kNoLimit = 0xFFFFFFFFu;
  virtual ~StartedProgram() = default;
  virtual uint32_t Id() = 0;
  // Waits until the program waits for its user's input, at most timeoutMs; true at once
  // for programs that have no such state (console programs, and every program on Linux).
  virtual bool WaitUntilReady(uint32_t timeoutMs) = 0;
  // Waits at most timeoutMs for its end; its exit code once it has ended.
  virtual std::optional<uint32_t> WaitForExit(uint32_t timeoutMs) = 0;
  virtual OsError Terminate(uint32_t exitCode) = 0;
};

enum class ServiceRequest { kStart, kStop, kAutomatic, kManual, kDisabled };

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

  // Starts a command line as the system's process call reads it: the program (quoted when
  // it holds blanks), then its arguments. An empty folder keeps ours. Hidden: no window
  // shown (on Windows also no console window).
  virtual std::unique_ptr<StartedProgram> Start(const std::string& commandLine, const std::string& folder,
                                                bool hidden, OsError* error) = 0;
  // The program file found along the search path; empty when there is none.
  virtual std::string FindOnPath(const std::string& program) = 0;
  // True where programs are named without a suffix (Linux), so that a command is also looked
  // for along the path when it does not name an ".exe".
  virtual bool BareProgramNames() = 0;
  // The shell's "open" of a file or program with parameters; it cannot be waited for.
  virtual OsError ShellOpen(const std::string& file, const std::string& parameters, bool hidden) = 0;
  // The program that opens the document; empty when none.
  virtual std::string AssociatedProgram(const std::string& document) = 0;
  virtual OsError ControlService(const std::string& name, ServiceRequest request) = 0;
};

}  // namespace plumo
