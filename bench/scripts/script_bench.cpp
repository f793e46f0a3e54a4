// A Script of 100,000 Steps: copying it (undo snapshot, clipboard), inserting it, and looking
// every Step's action up in the catalogue, as a load does.
#include <benchmark/benchmark.h>

#include "scripts/action_catalog.h"
#include "scripts/embedded_catalog.h"
#include "scripts/script.h"

namespace plumo {
namespace {

constexpr size_t kSteps = 100000;

std::vector<Step> TypicalSteps() {
  static const char* const kActions[] = {"Use Window", "Type", "Mouse Click", "Set Variable", "IF Variable",
                                         "Read File", "END IF", "Delay"};
  std::vector<Step> steps(kSteps);
  for (size_t i = 0; i < kSteps; ++i) {
    Step& s = steps[i];
    s.action = kActions[i % 8];
    s.text = "Untitled - Notepad and some typed text {Enter} for step " + std::to_string(i);
    s.comment = "a comment that explains what this step is for";
    s.options = "Partial Title,Activate,First";
    s.value1 = "C:\\Program Files\\Plumo\\example.txt";
    s.value2 = "16";
    s.output = "Variable";
    s.outputValue = "%result";
    s.onfail = "Display Error and Stop";
  }
  return steps;
}

const Script& BigScript() {
  static const Script script = [] {
    Script s;
    s.steps = TypicalSteps();
    return s;
  }();
  return script;
}

void BM_CopyScript(benchmark::State& state) {
  for (auto _ : state) {
    Script copy = BigScript();
    benchmark::DoNotOptimize(copy);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kSteps));
}
BENCHMARK(BM_CopyScript)->Unit(benchmark::kMillisecond);

void BM_InsertStepsAsNew(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<Step> steps = BigScript().steps;
    Script script;
    state.ResumeTiming();
    InsertSteps(script, 0, std::move(steps), true);
    benchmark::DoNotOptimize(script);
    state.PauseTiming();
    script = Script();  // freeing is not part of inserting
    state.ResumeTiming();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kSteps));
}
BENCHMARK(BM_InsertStepsAsNew)->Unit(benchmark::kMillisecond);

void BM_LookUpEveryAction(benchmark::State& state) {
  const ActionCatalog catalog = ActionCatalog::FromResource(EmbeddedActionCatalog());
  Script script = BigScript();
  for (auto _ : state) {
    for (Step& s : script.steps) benchmark::DoNotOptimize(LookUpAction(catalog, s));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kSteps));
}
BENCHMARK(BM_LookUpEveryAction)->Unit(benchmark::kMillisecond);

void BM_LoadCatalogue(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ActionCatalog::FromResource(EmbeddedActionCatalog()));
}
BENCHMARK(BM_LoadCatalogue)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace plumo
