#include "runtime/standalone_run.h"

#include "engine/engine_actions.h"
#include "engine/headless_run.h"
#include "engine/session_variables.h"

namespace plumo {

std::function<std::optional<int>(Session&)> ScriptFileLoader(ScriptFileServices& io, std::string path) {
  return [&io, path = std::move(path)](Session& session) -> std::optional<int> {
    int slot = 0;
    if (!OpenScriptFile(io, session.scripts, path, 0, &slot)) return std::nullopt;
    return slot;
  };
}

int RunStandalone(NativePort& port, SettingsStore& store, const StandaloneRun& run) {
  IntegrationPort integration;
  // Before the session: its run thread may still be ending when the session goes.
  NoVariablesPalette palette;
  StreamOutputView view(port.mainQueue(), run.out, run.showOutput);
  Session session(SessionPorts{port.clock(), port.environment(), port.mainQueue(), port.dialogs(),
                               port.desktop(), port.processes(), port.system(), port.threads(), store,
                               port.locale(), port.files(), port.registry(), port.clipboard()});
  if (run.registerActions) run.registerActions(session, port, integration);
  else RegisterEngineActions(session);
  session.AttachVariables(std::make_unique<SessionVariables>(session, palette));
  session.forcedLogLevel = run.logging.level;
  session.forcedOutput = run.logging.everyLineToOutput;
  const std::optional<int> slot = run.load(session);
  if (!slot) return exitcode::kCannotLoad;
  session.SetView(&view);
  if (run.attach) run.attach(&session);
  const int code = RunHidden(session, *slot, run.startStep);
  if (run.attach) run.attach(nullptr);
  return code;
}

}  // namespace plumo
