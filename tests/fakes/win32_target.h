// The desktop tests' target program (tests/fixtures/target_program.cpp) as a test drives it:
// started with its windows, waited for, its log read, and ended with the test.
#pragma once

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "fakes/wait_for.h"
#include "fakes/win32_built_program.h"

namespace plumo {

// Wine's ntdll exports its version; Windows' does not.
inline bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

class TargetProgram {
 public:
  // `args` names the windows (--window TITLE ...); the log goes to a fresh temporary file.
  explicit TargetProgram(const std::string& args, const std::string& program = TestFilePath("plumo_target.exe")) {
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    static int count = 0;
    log_ = std::string(dir) + "plumo_target_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++count) + ".log";
    DeleteFileA(log_.c_str());
    std::string cmd = "\"" + program + "\" --log \"" + log_ + "\" " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    started_ = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_);
    ready_ = started_ && WaitFor([&] { return Log().find("READY\n") != std::string::npos; }, 30000);
  }
  ~TargetProgram() {
    if (!started_) return;
    TerminateProcess(pi_.hProcess, 0);
    WaitForSingleObject(pi_.hProcess, 5000);
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
    DeleteFileA(log_.c_str());
  }
  TargetProgram(const TargetProgram&) = delete;
  TargetProgram& operator=(const TargetProgram&) = delete;

  bool ready() const { return ready_; }
  DWORD processId() const { return pi_.dwProcessId; }
  HANDLE process() const { return pi_.hProcess; }

  std::string Log() const {
    std::ifstream in(log_, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // Waits until the log holds the line.
  bool Logged(const std::string& line, unsigned long ms = 5000) const {
    return WaitFor([&] { return ("\n" + Log()).find("\n" + line + "\n") != std::string::npos; }, ms);
  }

 private:
  std::string log_;
  PROCESS_INFORMATION pi_ = {};
  bool started_ = false;
  bool ready_ = false;
};

}  // namespace plumo
