// The DLL runtime image. RunScript(startStep, data) runs the DLL's Script from Step
// startStep (1-based; below 1 means the first, or "-s" of data) and returns the run's exit
// code. `data` is read like a built program's command line: "%name=value" pieces set user
// variables, "-L" and "-F" turn logging on and off, "-s n" gives the start Step when
// startStep is 0. Each call runs on the caller's thread and returns when the run has ended.
#include <windows.h>

#include <cstdio>
#include <string>

#include "runtime/win32/runtime_program.h"

namespace plumo {
namespace {

// A DLL has no window of its own to show errors in: they go to standard error and the
// debugger, and the call returns 1.
class DllErrors : public MessageSink {
 public:
  void Show(std::string_view text, std::string_view caption) override {
    const std::string line = std::string(caption) + ": " + std::string(text) + "\n";
    std::fputs(line.c_str(), stderr);
    OutputDebugStringA(line.c_str());
  }
};

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

}  // namespace
}  // namespace plumo

// Exported undecorated through runtime_dll.def.
extern "C" int __stdcall RunScript(int startStep, const char* data) {
  using namespace plumo;
  DllErrors errors;
  RuntimeStart start;
  start.module = ThisModule();
  start.dll = true;
  start.commandLine = data ? data : "";
  start.startStep = startStep;
  return RunBuiltProgram(start, errors);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
