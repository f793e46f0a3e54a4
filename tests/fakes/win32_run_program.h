// Runs a program of the build as a process and keeps what it printed and its exit code.
#pragma once

#include <windows.h>

#include <string>

namespace plumo {

struct ProgramOutcome {
  bool started = false;
  DWORD exitCode = 12345;
  std::string out;  // standard output and standard error
};

inline ProgramOutcome RunProgram(const std::string& commandLine, DWORD timeoutMs = 60000) {
  ProgramOutcome o;
  SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  if (!CreatePipe(&read, &write, &sa, 0)) return o;
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = write;
  si.hStdError = write;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::string cmd = commandLine;
  PROCESS_INFORMATION pi = {};
  o.started = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  CloseHandle(write);
  if (o.started) {
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(read, buf, sizeof(buf), &n, nullptr) && n > 0) o.out.append(buf, n);
    if (WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
    GetExitCodeProcess(pi.hProcess, &o.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  CloseHandle(read);
  return o;
}

// Console output may come with CR LF line ends; compare in LF.
inline std::string Lf(std::string s) {
  for (size_t at; (at = s.find("\r\n")) != std::string::npos;) s.erase(at, 1);
  return s;
}

}  // namespace plumo
