// plumo: the Linux runner. Same command line as Plumo.exe; no studio window.
#include <sys/stat.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "base/message_sink.h"
#include "base/option_block.h"
#include "base/version.h"
#include "engine/session.h"
#include "platform/memory/memory_resources.h"
#include "platform/native_port.h"
#include "runtime/standalone_run.h"
#include "scripts/embedded_catalog.h"
#include "scripts/script_file.h"
#include "settings/settings_defaults.h"
#include "studio/command_line.h"
#include "studio/startup.h"

namespace {

// Without a desktop there is no screen or font to measure: the sizes of a common one.
constexpr int kAssumedScreenWidth = 1280;
constexpr int kAssumedFontHeight = 13;

// The arguments as one Windows-style command line; arguments with spaces keep them in quotes.
std::string CommandLineOf(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line.push_back(' ');
    std::string arg = argv[i];
    bool quote = arg.empty() || arg.find(' ') != std::string::npos;
    if (quote && arg.find('%') == std::string::npos) line += "\"" + arg + "\"";
    else line += arg;
  }
  return line;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

int main(int argc, char** argv) {
  // Numbers, dates and comparisons follow the user's locale, as on Windows.
  std::setlocale(LC_ALL, "");
  if (argc == 2 && (!std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "/?"))) {
    std::printf("%s\n", plumo::kCommandLineHelp);
    return 0;
  }
  if (argc == 2 && !std::strcmp(argv[1], "--version")) {
    std::printf("Plumo %s (%s)\n", plumo::kVersionText, plumo::ProgramOptionBlock().c_str());
    return 0;
  }
  using namespace plumo;
  const std::string commandLine = CommandLineOf(argc, argv);
  const StartRequest request = ParseStartRequest(commandLine);
  if (request.consoleSwitch) std::fprintf(stderr, "%s", ConsoleSwitchRefusal(commandLine).c_str());

  NativePort port;
  SettingsStore store(port.registry(), port.environment());
  ApplyIniKeyOverride(store, port.environment().ProgramPath());
  WriteStartupDefaults(store, {kAssumedScreenWidth, kAssumedFontHeight, DocumentsFolderOf(port.environment(), store)});
  const ProcessLogging logging = ApplyLoggingSwitches(store, request);
  int variables = StoreCommandLineVariables(store, commandLine);

  if (request.mode == 0) {
    if (variables == 0) std::printf("%s\n", kCommandLineHelp);
    return 0;
  }
  if (!(request.mode & startmode::kRun)) {
    std::fprintf(stderr, "plumo: editing Scripts needs the Plumo Studio on Windows (Plumo.exe -e \"%s\").\n",
                 request.file.c_str());
    return 2;
  }
  if (!FileExists(request.file)) {
    std::fprintf(stderr, "plumo: cannot open the Script %s.\n", request.file.c_str());
    // A hidden run of a missing file ends quietly with 0, as the studio's does.
    return (request.mode & startmode::kHidden) ? 0 : 2;
  }

  // The catalogue travels inside the program, as resource 9001 does on Windows.
  MemoryResources resources;
  resources.Add("", 9001, std::string(EmbeddedActionCatalog()));
  ActionCatalogs catalogs(resources);
  ConsoleMessages messages(std::cerr);
  ScriptFileServices io{port.files(), messages, store, catalogs};

  StandaloneRun run;
  run.logging = logging;
  // -v shows the Output palette; a hidden run shows it only when -L asks for every line.
  run.showOutput = !(request.mode & startmode::kHidden) || request.loggingOn;
  run.startStep = request.startStep;
  run.load = ScriptFileLoader(io, request.file);
  return RunStandalone(port, store, run);
}
