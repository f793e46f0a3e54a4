// The console runtime image: Output lines on standard output; the exit code is the run's.
#include <windows.h>

#include <cstdio>
#include <string>

#include "runtime/win32/runtime_program.h"

namespace plumo {
namespace {

class ConsoleErrors : public MessageSink {
 public:
  void Show(std::string_view text, std::string_view caption) override {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
  }
};

}  // namespace
}  // namespace plumo

int main() {
  using namespace plumo;
  ConsoleErrors errors;
  RuntimeStart start;
  start.commandLine = ArgumentsOf(GetCommandLineA());
  start.outputToConsole = true;
  return RunBuiltProgram(start, errors);
}
