// A Script run by a program without the studio's window: the Linux runner, the studio's
// hidden start and the runtime of built programs. A session over the native port, with the
// actions the program carries and the variable store, runs the Script a loader puts into a
// slot, to its end.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>

#include "engine/engine_actions.h"
#include "engine/session.h"
#include "platform/integration_port.h"
#include "platform/native_port.h"
#include "scripts/script_file.h"
#include "settings/settings_store.h"
#include "studio/startup.h"

namespace plumo {

struct StandaloneRun {
  ProcessLogging logging;
  // Output lines reach `out` only when shown.
  bool showOutput = false;
  std::FILE* out = stdout;
  int startStep = 0;  // 0-based
  // Registers the executors the program carries; the run engine's own when empty.
  std::function<void(Session&, NativePort&, IntegrationPort&)> registerActions;
  // Puts the Script into a slot of the session and gives the slot; nothing after telling why.
  std::function<std::optional<int>(Session&)> load;
  // Told the session once it exists and null before it goes (a stop from outside the run).
  std::function<void(Session*)> attach;
};

// A loader that opens a Script file into slot 0, as "-r" and "-v" do.
std::function<std::optional<int>(Session&)> ScriptFileLoader(ScriptFileServices& io, std::string path);

// The run's exit code (RunHidden); exitcode::kCannotLoad when the loader gave nothing.
int RunStandalone(NativePort& port, SettingsStore& store, const StandaloneRun& run);

}  // namespace plumo
