// A host of a built DLL, as the DLL call action would be: loads it, finds "RunScript" by its
// undecorated name and calls it with the standard calling convention.
//   run_script_host DLL STEP DATA [TIMES]    exit code: what the last call returned
#include <windows.h>

#include <cstdio>
#include <cstdlib>

using RunScriptFn = int(__stdcall*)(int, const char*);

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: run_script_host DLL STEP DATA [TIMES]\n");
    return 100;
  }
  HMODULE dll = LoadLibraryA(argv[1]);
  if (!dll) {
    std::fprintf(stderr, "LoadLibrary failed: %lu\n", GetLastError());
    return 101;
  }
  auto run = reinterpret_cast<RunScriptFn>(reinterpret_cast<void*>(GetProcAddress(dll, "RunScript")));
  if (!run) {
    std::fprintf(stderr, "no export RunScript\n");
    return 102;
  }
  const int times = argc == 5 ? std::atoi(argv[4]) : 1;
  int code = 0;
  for (int i = 0; i < times; ++i) code = run(std::atoi(argv[2]), argv[3]);
  FreeLibrary(dll);
  return code;
}
