// The body every runtime image shares: the start-up of a built program, its Script out of its
// own module, and the run to its end.
#pragma once

#include <windows.h>

#include <string>

#include "base/message_sink.h"

namespace plumo {

struct RuntimeStart {
  HMODULE module = nullptr;  // the image's own module (the DLL's, not its host's)
  bool dll = false;
  // The command line without the program's name; for a DLL the data string.
  std::string commandLine;
  // 1-based; 0 takes "-s" of the command line.
  int startStep = 0;
  // Output lines on standard output whether or not "-L" asks (the console image).
  bool outputToConsole = false;
};

// Returns the exit code: *\DefaultReturnCode after the run, 0 for a refused second instance
// or a refused run, 1 when the Script cannot be read (told through `errors`).
int RunBuiltProgram(const RuntimeStart& start, MessageSink& errors);

// The command line without the program's name: the first word, quoted or not, and the
// spaces after it go.
std::string ArgumentsOf(std::string_view commandLine);

}  // namespace plumo
