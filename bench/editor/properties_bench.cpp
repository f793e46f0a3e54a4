// Selecting a Step fills the Properties palette: its rows must be ready well inside the 5 ms
// the grid has for the whole redraw.
#include <benchmark/benchmark.h>

#include "editor/properties.h"
#include "scripts/embedded_catalog.h"

namespace plumo {
namespace {

void BM_PropertyRowsFor(benchmark::State& state) {
  const ActionCatalog catalog = ActionCatalog::FromResource(EmbeddedActionCatalog());
  // The action with the most rows, a result target and failure settings.
  Step step;
  step.action = "Use Window";
  step.text = "Untitled - Notepad";
  step.options = "Partial Title,Activate,First";
  step.output = "Variable";
  step.outputValue = "%window";
  step.onfail = "Jump to Label";
  step.onfailValue = "again";
  LookUpAction(catalog, step);
  PropertyRowsFor(step, catalog);  // the table is read on first use
  for (auto _ : state) benchmark::DoNotOptimize(PropertyRowsFor(step, catalog));
}
BENCHMARK(BM_PropertyRowsFor);

}  // namespace
}  // namespace plumo
