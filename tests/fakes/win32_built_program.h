// Where the Windows tests find the programs of the build: the tests run from
// <build>\tests\bin, the programs lie in <build>\bin.
#pragma once

#include <windows.h>

#include <string>

namespace plumo {

// A file beside the running test program (fixture programs, copied test data).
inline std::string TestFilePath(const char* name) {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, n);
  return dir.substr(0, dir.find_last_of('\\') + 1) + name;
}

inline std::string BuiltProgramPath(const char* name) { return TestFilePath("..\\..\\bin\\") + name; }

}  // namespace plumo
