// Times the benchmarks' For loop on the Windows build (under Wine, where Google Benchmark is not
// built): the real registry, variable store and expansion, logging off, no inter-step delay.
//
//   for_loop_timing [REPEATS [PASSES]]      prints the median in Steps per second
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "engine/engine_actions.h"
#include "engine/run_controller.h"
#include "engine/session.h"
#include "engine/session_variables.h"
#include "for_loop_script.h"
#include "platform/native_port.h"
#include "settings/settings_store.h"

int main(int argc, char** argv) {
  using namespace plumo;
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  NativePort port;
  SettingsStore settings(port.registry(), port.environment(), port.files());
  settings.SetKeyOverride("PlumoBench");  // leaves the user's settings alone
  settings.WriteNumber("*\\LogLevel", 0);
  settings.WriteNumber("*\\InterStepDelay", 0);
  settings.WriteNumber("*\\HiliteRunningStep", 0);
  NoVariablesPalette palette;  // before the session, which owns the variables
  Session session(SessionPorts{port.clock(), port.environment(), port.mainQueue(), port.dialogs(), port.desktop(),
                               port.processes(), port.system(), port.threads(), settings, port.locale(), port.files(),
                               port.registry(), port.clipboard()});
  RegisterEngineActions(session);
  SessionVariables& variables = session.AttachVariables(std::make_unique<SessionVariables>(session, palette));
  const bool fullLoop = argc <= 2;
  session.scripts.Open(fullLoop ? ForLoopScript() : ForLoopScript(argv[2]));

  std::vector<double> rates;
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  for (int i = 0; i < repeats; ++i) {
    session.flowState.Reset(0);
    session.run.stepsRun = 0;
    QueryPerformanceCounter(&start);
    RunStepLoop(session, RunParameter{0, false, 0});
    QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    rates.push_back(session.run.stepsRun / seconds);
  }
  const bool reachedEnd = !fullLoop || variables.store().Read("x").value_or("") == kForLoopEndValue;
  if (!port.registry().DeleteKeyTree(RegRoot::kCurrentUser, "SOFTWARE\\PlumoBench").ok())
    std::fprintf(stderr, "for_loop_timing: SOFTWARE\\PlumoBench could not be removed\n");
  if (!reachedEnd) {
    std::fprintf(stderr, "for_loop_timing: the loop did not reach its end\n");
    return 1;
  }
  std::sort(rates.begin(), rates.end());
  std::printf("For loop (%d Steps a run, median of %d): %.0f Steps/s\n", session.run.stepsRun, repeats,
              rates[rates.size() / 2]);
  return 0;
}
