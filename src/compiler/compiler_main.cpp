// Plumo.com: the console compiler.
#include <cstdio>

#include "base/option_block.h"
#include "base/version.h"

int main() {
  std::fprintf(stderr, "Plumo %s compiler: compiling Scripts is not built yet (option block \"%s\").\n",
               plumo::kVersionText, plumo::ProgramOptionBlock().c_str());
  return 2;
}
