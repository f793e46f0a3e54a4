// Plumo.exe: the studio, and with -r the hidden runner.
#include <windows.h>

#include <cstdio>

#include "base/option_block.h"
#include "base/version.h"
#include "platform/native_port.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  plumo::NativePort port;
  // Until start-up and the studio window exist, say so instead of pretending to start.
  std::fprintf(stderr,
               "Plumo Studio %s: the studio window and running Scripts are not built yet "
               "(option block \"%s\").\n",
               plumo::kVersionText, plumo::ProgramOptionBlock().c_str());
  return 2;
}
