// Step-loop throughput with logging off and no inter-step delay, on the platform's own port
// and the registry database in a temporary file.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

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
    settings = std::make_unique<SettingsStore>(port->registry(), port->environment());
    settings->WriteNumber("*\\LogLevel", 0);
    settings->WriteNumber("*\\InterStepDelay", 0);
    settings->WriteNumber("*\\HiliteRunningStep", 0);
    session = std::make_unique<Session>(SessionPorts{port->clock(), port->environment(), port->mainQueue(),
                                                     port->dialogs(), port->desktop(), port->processes(), port->system(),
                                                     port->threads(), *settings, port->locale(), port->files(),
                                                     port->registry(), clipboard});
    unlink(db.c_str());
  }
  std::unique_ptr<NativePort> port;
  std::unique_ptr<SettingsStore> settings;
  MemoryClipboard clipboard;
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

}  // namespace
}  // namespace plumo
