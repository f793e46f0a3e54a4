// Plumo.com: the console compiler. Every message goes to standard output.
#include <windows.h>

#include <iostream>
#include <string>
#include <vector>

#include "base/message_sink.h"
#include "compiler/compile_command.h"
#include "compiler/program_builder.h"
#include "compiler/win32/win32_program_resources.h"
#include "engine/session.h"
#include "engine/session_variables.h"
#include "platform/native_port.h"
#include "platform/win32/win32_resources.h"
#include "scripts/script_file.h"
#include "settings/settings_store.h"

namespace plumo {
namespace {

std::string CurrentFolder() {
  char folder[MAX_PATH] = {};
  DWORD n = GetCurrentDirectoryA(MAX_PATH, folder);
  return n > 0 && n < MAX_PATH ? std::string(folder, n) : std::string();
}

int Compile(const std::string& commandLine) {
  const ScriptAndOutput named = ReadScriptAndOutput(commandLine);
  if (!named.hasScript) {
    std::cout << MissingScriptText(commandLine) << std::flush;
    return 0;
  }
  NativePort port;
  SettingsStore store(port.registry(), port.environment(), port.files());
  Win32Resources resources;
  ActionCatalogs catalogs(resources);
  ConsoleMessages messages(std::cout);
  ScriptFileServices io{port.files(), messages, store, catalogs};
  Script script;
  if (!ReadScriptFile(io, named.script, script)) return 0;

  BuildRequest request;
  request.output = named.output;
  ReadBuildOptions(commandLine, request);
  // A session only for the variable expansion of packaged files' names.
  NoVariablesPalette palette;
  Session session(SessionPorts{port.clock(), port.environment(), port.mainQueue(), port.dialogs(),
                               port.desktop(), port.processes(), port.system(), port.threads(), store,
                               port.locale(), port.files(), port.registry(), port.clipboard()});
  session.AttachVariables(std::make_unique<SessionVariables>(session, palette));
  Win32ProgramResources programResources(port.clock());
  BuildServices services{messages,
                         [](std::string_view line) { std::cout << line << '\n' << std::flush; },
                         port.files(),
                         port.clock(),
                         programResources,
                         port.processes(),
                         CurrentFolder(),
                         port.environment().TempFolder(),
                         RuntimeLibraryPath(port.environment().ProgramPath()),
                         [&](std::string_view text) { return session.Expand(text); }};
  BuildProgram(services, script, request);
  return 1;
}

}  // namespace
}  // namespace plumo

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  return plumo::Compile(plumo::JoinArguments(arguments));
}
