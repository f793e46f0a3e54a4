// Expansion and Store output on the Linux registry database (a fresh SQLite file): a text
// with no reference (goal: 1 GB/s through the quick exit), two user variables (goal: 200,000
// expansions per second), five system variables (goal: 200,000 per second), and Store output
// to a user variable, each store one committed transaction (goal: 50,000 per second).
#include <benchmark/benchmark.h>

#include <memory>

#include "platform/posix/sqlite_registry.h"
#include "vars/variables_world.h"

namespace plumo {
namespace {

// Variables over a registry database of its own.
struct DatabaseWorld {
  ScratchFolder folder;
  std::unique_ptr<SqliteRegistry> registry;
  std::unique_ptr<VariablesWorld> world;

  explicit DatabaseWorld(benchmark::State& state) {
    OsError error;
    registry = SqliteRegistry::Open(folder.File("registry.sqlite3"), &error);
    if (!registry) {
      state.SkipWithError(error.ToString().c_str());
      return;
    }
    world = std::make_unique<VariablesWorld>(registry.get());
    world->Set("name", "World");
    world->Set("total", "42");
  }
};

void Expect(benchmark::State& state, const std::string& got, const std::string& expected) {
  if (got != expected) state.SkipWithError(("unexpected result: " + got).c_str());
}

void BM_QuickExit10K(benchmark::State& state) {
  DatabaseWorld d(state);
  if (!d.world) return;
  std::string text;
  while (text.size() < 10240) text += "Plain text without any reference at all. ";
  text.resize(10240);
  Expect(state, d.world->X(text), text);
  for (auto _ : state) benchmark::DoNotOptimize(d.world->X(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_QuickExit10K);

void BM_TwoUserVariables(benchmark::State& state) {
  DatabaseWorld d(state);
  if (!d.world) return;
  const char* text = "Hello %name, total %total items";
  Expect(state, d.world->X(text), "Hello World, total 42 items");
  for (auto _ : state) benchmark::DoNotOptimize(d.world->X(text));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TwoUserVariables);

void BM_FiveSystemVariables(benchmark::State& state) {
  DatabaseWorld d(state);
  if (!d.world) return;
  const char* text = "{year}-{month}-{day} {hour24}:{minute}";
  Expect(state, d.world->X(text), "2026-12-07 10:30");
  for (auto _ : state) benchmark::DoNotOptimize(d.world->X(text));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FiveSystemVariables);

void BM_StoreOutputToAVariable(benchmark::State& state) {
  DatabaseWorld d(state);
  if (!d.world) return;
  VariablesWorld& w = *d.world;
  w.StepAt(0).output = "Variable";
  w.StepAt(0).outputValue = "%result";
  int n = 0;
  for (auto _ : state) {
    std::string value = "value " + std::to_string(++n);
    w.output.StoreOutput(0, 0, value, value.size());
    if (w.run.lines.size() > 1000) w.run.lines.clear();
  }
  Expect(state, w.variables.Read("result").value_or(""), "value " + std::to_string(n));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StoreOutputToAVariable);

}  // namespace
}  // namespace plumo
