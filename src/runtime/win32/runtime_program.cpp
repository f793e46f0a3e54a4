#include "runtime/win32/runtime_program.h"

#include <objbase.h>


#include "base/option_block.h"
#include "base/text.h"
#include "engine/session.h"
#include "platform/native_port.h"
#include "platform/win32/win32_resources.h"
#include "runtime/program_script.h"
#include "runtime/runtime_variant.h"
#include "runtime/standalone_run.h"
#include "runtime/win32/program_start.h"
#include "scripts/action_catalog.h"
#include "scripts/script_file.h"
#include "settings/settings_defaults.h"
#include "studio/command_line.h"
#include "studio/startup.h"

namespace plumo {
namespace {

// COM for the run's thread, left as the host had it when it was already initialised.
class ComScope {
 public:
  ComScope() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (ok_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool ok_;
};

}  // namespace

std::string ArgumentsOf(std::string_view commandLine) {
  size_t i = 0;
  while (i < commandLine.size() && commandLine[i] == ' ') ++i;
  if (i < commandLine.size() && commandLine[i] == '"') {
    const size_t close = commandLine.find('"', i + 1);
    i = close == std::string_view::npos ? commandLine.size() : close + 1;
  }
  while (i < commandLine.size() && commandLine[i] != ' ' && commandLine[i] != '\t') ++i;
  while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
  return std::string(commandLine.substr(i));
}

int RunBuiltProgram(const RuntimeStart& start, MessageSink& errors) {
  const std::string modulePath = ModulePath(start.module);
  const std::string& commandLine = start.commandLine;

  // The builder never marks a DLL; its host decides how often it runs.
  InstanceLock lock;
  if (!start.dll && OptionBlockAsksSingleInstance(ProgramOptionBlock()) && FindSwitch(commandLine, "-r") == 0) {
    lock = InstanceLock(modulePath);
    if (lock.refused()) return 0;
  }
  ComScope com;

  NativePort port;
  SettingsStore store(port.registry(), port.environment(), port.files());
  ApplyIniKeyOverride(store, modulePath);
  WriteStartupDefaults(store, {GetSystemMetrics(SM_CXSCREEN), InterfaceFontHeight(),
                               DocumentsFolderOf(port.environment(), store)});
  const StartRequest request = ParseStartRequest(commandLine);
  StandaloneRun run;
  run.logging = ApplyLoggingSwitches(store, request);
  StoreCommandLineVariables(store, commandLine);

  run.showOutput = start.outputToConsole || request.loggingOn;
  run.startStep = start.startStep > 0 ? start.startStep - 1 : request.startStep;
  // A program runs a called Script itself ("-r"); a DLL's host cannot, Plumo.exe beside it can.
  const std::string runner = start.dll ? std::string(FolderPart(modulePath)) + "Plumo.exe" : std::string();
  run.registerActions = [&runner](Session& session, NativePort& native, IntegrationPort& integration) {
    RegisterVariantActions(session, native, integration, runner);
  };

  Win32Resources resources;
  ActionCatalogs catalogs(resources);
  const ProgramModule module{start.dll ? modulePath : std::string(), modulePath};
  ScriptFileServices io{port.files(), errors, store, catalogs};
  if (!start.dll && request.mode == (startmode::kEdit | startmode::kRun | startmode::kHidden)) {
    // As Plumo.exe: no box for a missing file (a caller waits for this program's end).
    if (port.files().Kind(request.file) != PathKind::kFile) return exitcode::kCannotLoad;
    run.load = ScriptFileLoader(io, request.file);
    return RunStandalone(port, store, run);
  }
  run.load = [&](Session& session) -> std::optional<int> {
    ProgramPorts ports{resources, port.files(), port.environment()};
    Script script;
    std::string error;
    if (!OpenProgramScript(ports, module, catalogs.For(modulePath), script, &error)) {
      errors.Show(error, kErrorCaption);
      return std::nullopt;
    }
    session.scripts.Set(0, std::move(script));
    return 0;
  };
  return RunStandalone(port, store, run);
}

}  // namespace plumo
