// Loading and saving a large Script: 100,000 Steps, each with text, options, two values, a
// result target, a failure mode and a comment.
#include <benchmark/benchmark.h>

#include "scripts/script_reader.h"
#include "scripts/script_writer.h"
#include "scripts/embedded_catalog.h"

namespace plumo {
namespace {

constexpr size_t kSteps = 100000;

Script LargeScript() {
  Script script;
  script.steps.resize(kSteps);
  const char* const actions[] = {"Use Window", "Type", "Mouse Click", "Get Text", "Set Variable", "Delay"};
  for (size_t i = 0; i < kSteps; ++i) {
    Step& s = script.steps[i];
    s.action = actions[i % 6];
    s.text = "Hello <World> & friends, line " + std::to_string(i) + "{Enter}";
    s.options = "Partial Title,Activate,First";
    s.value1 = "100,200";
    s.value2 = "C:\\Data\\file" + std::to_string(i) + ".txt";
    s.output = "Variable";
    s.outputValue = "%result" + std::to_string(i % 100);
    s.onfail = "Jump to Label";
    s.onfailValue = "Retry";
    s.comment = "Step number " + std::to_string(i) + " does its part";
  }
  return script;
}

const ActionCatalog& Catalog() {
  static const ActionCatalog catalog = ActionCatalog::FromResource(EmbeddedActionCatalog());
  return catalog;
}

void BM_WriteSteps(benchmark::State& state) {
  Script script = LargeScript();
  size_t bytes = 0;
  for (auto _ : state) {
    WriteOutcome out = WriteSteps(script, {});
    bytes = out.text.size();
    benchmark::DoNotOptimize(out.text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["steps"] = kSteps;
}
BENCHMARK(BM_WriteSteps)->Unit(benchmark::kMillisecond);

void BM_LoadSteps(benchmark::State& state) {
  Script source = LargeScript();
  const std::string text = WriteSteps(source, {}).text;
  for (auto _ : state) {
    Script script;
    const LoadOutcome out = LoadSteps(text, script, 0, false, LoadContext{Catalog()});
    if (out.added != kSteps) state.SkipWithError("not every Step was read");
    benchmark::DoNotOptimize(script.steps.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["steps"] = kSteps;
}
BENCHMARK(BM_LoadSteps)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace plumo
