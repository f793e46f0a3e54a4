// Times, under Wine, Run program with its wait against CreateProcess + WaitForSingleObject of
// the same trivial console program, and DLL calls of lstrlen through the executor.
//
//   program_timing [STARTS [CALLS]]      prints milliseconds per start and calls per second
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "actions/programs/dll_call.h"
#include "actions/programs/run_program.h"
#include "engine/session.h"
#include "platform/native_port.h"
#include "settings/settings_store.h"

namespace {

double Seconds(const LARGE_INTEGER& a, const LARGE_INTEGER& b) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace plumo;
  const int starts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  const int calls = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200000;
  NativePort port;
  SettingsStore settings(port.registry(), port.environment(), port.files());
  settings.SetKeyOverride("PlumoBench");
  Session session(SessionPorts{port.clock(), port.environment(), port.mainQueue(), port.dialogs(), port.desktop(),
                               port.processes(), port.system(), port.threads(), settings, port.locale(), port.files(),
                               port.registry(), port.clipboard()});
  char system[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  const std::string program = std::string(system) + "\\cmd.exe";
  const std::string command = "\"" + program + "\" /c exit 0";

  // Turn about, so that the machine's load weighs on both alike.
  LARGE_INTEGER a, b;
  double direct = 0, through = 0;
  for (int i = 0; i < starts; ++i) {
    QueryPerformanceCounter(&a);
    std::string line = command;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    QueryPerformanceCounter(&b);
    direct += Seconds(a, b) * 1000 / starts;
    QueryPerformanceCounter(&a);
    if (RunProgram(session, RunRequest{program + " /c exit 0", false, -1, false}) != 0) return 1;
    QueryPerformanceCounter(&b);
    through += Seconds(a, b) * 1000 / starts;
  }

  DllArgumentHost host;
  host.variable = host.expand = host.evaluate = host.constant = [](std::string_view t) { return std::string(t); };
  DllCallCache cache;
  QueryPerformanceCounter(&a);
  for (int i = 0; i < calls; ++i)
    if (CallDllFunction(session, port.libraries(), "", ParseDllCall("lstrlen( \"abc\" )", host), &cache).value != 3) return 1;
  QueryPerformanceCounter(&b);
  const double rate = calls / Seconds(a, b);

  std::printf("CreateProcess + WaitForSingleObject: %.2f ms per start\n", direct);
  std::printf("Run program with Wait:               %.2f ms per start (%+.2f ms)\n", through, through - direct);
  std::printf("DLL calls of lstrlen:                %.0f per second\n", rate);
  return 0;
}
