// Step-loop throughput with logging off and no inter-step delay, on the platform's own port
// and the registry database in a temporary file.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "engine/engine_actions.h"
#include "for_loop_script.h"
#include "engine/session_variables.h"
#include "engine/run_controller.h"
#include "engine/session.h"
#include "platform/native_port.h"
#include "settings/settings_store.h"

namespace plumo {
namespace {

struct Bench {
  Bench() {
    std::string db = "/tmp/plumo_engine_bench_" + std::to_string(getpid()) + ".sqlite3";
    setenv("PLUMO_REGISTRY", db.c_str(), 1);
    port = std::make_unique<NativePort>();
    settings = std::make_unique<SettingsStore>(port->registry(), port->environment(), port->files());
    settings->WriteNumber("*\\LogLevel", 0);
    settings->WriteNumber("*\\InterStepDelay", 0);
    settings->WriteNumber("*\\HiliteRunningStep", 0);
    session = std::make_unique<Session>(SessionPorts{port->clock(), port->environment(), port->mainQueue(),
                                                     port->dialogs(), port->desktop(), port->processes(), port->system(),
                                                     port->threads(), *settings, port->locale(), port->files(),
                                                     port->registry(), port->clipboard()});
    unlink(db.c_str());
  }
  std::unique_ptr<NativePort> port;
  std::unique_ptr<SettingsStore> settings;
  std::unique_ptr<Session> session;
};

void BM_CommentSteps(benchmark::State& state) {
  Bench b;
  Script script;
  Step comment;
  comment.action = "Comment";
  comment.category = 16;
  comment.text = "nothing to do";
  script.steps.assign(static_cast<size_t>(state.range(0)), comment);
  b.session->scripts.Open(std::move(script));
  for (auto _ : state) RunStepLoop(*b.session, RunParameter{0, false, 0});
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CommentSteps)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The For loop of the run-engine issue: each pass a formula into a variable and an IF, with
// the real variable store (on the registry database) and expansion.
void BM_ForLoopWithFormulaAndIf(benchmark::State& state) {
  Bench b;
  RegisterEngineActions(*b.session);
  NoVariablesPalette palette;
  SessionVariables& variables = b.session->AttachVariables(std::make_unique<SessionVariables>(*b.session, palette));
  b.session->scripts.Open(ForLoopScript());
  for (auto _ : state) {
    b.session->flowState.Reset(0);
    RunStepLoop(*b.session, RunParameter{0, false, 0});
  }
  if (variables.store().Read("x").value_or("") != kForLoopEndValue) state.SkipWithError("the loop did not reach its end");
  state.SetItemsProcessed(state.iterations() * b.session->run.stepsRun);
  state.counters["steps"] = b.session->run.stepsRun;
}
BENCHMARK(BM_ForLoopWithFormulaAndIf)->Unit(benchmark::kMillisecond)->UseRealTime();

// Four nested loops (For, For, Text, For: 100 x 100 x 10 x 10 passes of a Comment): over two
// million Steps, half of them flow control.
void BM_NestedLoops(benchmark::State& state) {
  Bench b;
  RegisterEngineActions(*b.session);
  Script script;
  script.steps = {BenchStep("Start 'For' Loop", 13, "100", "1", "1"), BenchStep("Start 'For' Loop", 13, "100", "1", "1"),
                  BenchStep("Start Text Loop", 13, "a,b,c,d,e,f,g,h,i,j", ","), BenchStep("Start 'For' Loop", 13, "10", "1", "1"),
                  BenchStep("Comment", 16, "body"), BenchStep("NEXT LOOP", 13, ""), BenchStep("NEXT LOOP", 13, ""),
                  BenchStep("NEXT LOOP", 13, ""), BenchStep("NEXT LOOP", 13, "")};
  b.session->scripts.Open(std::move(script));
  int64_t steps = 0;
  for (auto _ : state) {
    b.session->flowState.Reset(0);
    b.session->run.stepsRun = 0;
    RunStepLoop(*b.session, RunParameter{0, false, 0});
    steps = b.session->run.stepsRun;
  }
  state.SetItemsProcessed(state.iterations() * steps);
  state.counters["steps"] = static_cast<double>(steps);
}
BENCHMARK(BM_NestedLoops)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace plumo
