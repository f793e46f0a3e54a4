// plumo: the Linux runner. Same command line as Plumo.exe; no studio window.
#include <cstdio>
#include <cstring>

#include "base/option_block.h"
#include "base/version.h"
#include "platform/native_port.h"

namespace {

void PrintUsage() {
  std::printf(
      "Plumo %s - desktop automation runner\n"
      "Usage: plumo [-r|-v|-e] [script.vxm] [%%name=value ...]\n"
      "  -r  run the Script without a window\n"
      "  -v  run the Script and show its Output lines\n"
      "  -e  open the Script for editing (needs the Plumo Studio on Windows)\n",
      plumo::kVersionText);
}

}  // namespace

int main(int argc, char** argv) {
  plumo::NativePort port;
  if (argc < 2 || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help")) {
    PrintUsage();
    return 0;
  }
  if (!std::strcmp(argv[1], "--version")) {
    std::printf("Plumo %s (%s)\n", plumo::kVersionText, plumo::ProgramOptionBlock().c_str());
    return 0;
  }
  std::fprintf(stderr, "plumo: running Scripts is not built yet.\n");
  return 2;
}
