// Edits of a Script of 100,000 Steps, each with its undo record: every one has to feel
// instant (a few milliseconds), a Delete of 10,000 scattered rows and its Undo included.
#include <benchmark/benchmark.h>

#include "editor/document.h"
#include "scripts/embedded_catalog.h"
#include "scripts/script_writer.h"

namespace plumo {
namespace {

constexpr size_t kSteps = 100000;
constexpr size_t kMiddle = kSteps / 2;

Script BigScript() {
  static const char* const kActions[] = {"Use Window", "Type", "Mouse Click", "Set Variable", "IF Variable",
                                         "Read File", "END IF", "Delay"};
  Script script;
  script.steps.resize(kSteps);
  for (size_t i = 0; i < kSteps; ++i) {
    Step& s = script.steps[i];
    s.action = kActions[i % 8];
    s.text = "Untitled - Notepad and some typed text {Enter} for step " + std::to_string(i);
    s.comment = "a comment that explains what this step is for";
    s.options = "Partial Title,Activate,First";
    s.value1 = "C:\\Program Files\\Plumo\\example.txt";
    s.output = "Variable";
    s.outputValue = "%result";
    s.onfail = "Display Error and Stop";
  }
  return script;
}

struct Open {
  Open() { slots.Set(0, BigScript()); }
  ScriptSlots slots;
  Document doc{slots, 0};
};

void SelectEveryTenth(Document& doc) {
  doc.ClearSelection();
  for (size_t r = 0; r < kSteps; r += 10) doc.Toggle(r);
}

void BM_DeleteTenThousandScattered(benchmark::State& state) {
  Open o;
  for (auto _ : state) {
    state.PauseTiming();
    SelectEveryTenth(o.doc);
    state.ResumeTiming();
    o.doc.Delete();
    state.PauseTiming();
    o.doc.Undo();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_DeleteTenThousandScattered)->Unit(benchmark::kMillisecond);

void BM_UndoOfThatDelete(benchmark::State& state) {
  Open o;
  for (auto _ : state) {
    state.PauseTiming();
    SelectEveryTenth(o.doc);
    o.doc.Delete();
    state.ResumeTiming();
    o.doc.Undo();
  }
}
BENCHMARK(BM_UndoOfThatDelete)->Unit(benchmark::kMillisecond);

void BM_EditOneStepField(benchmark::State& state) {
  Open o;
  size_t n = 0;
  for (auto _ : state) o.doc.EditStep(kMiddle, [&](Step& s) { s.text = "typed " + std::to_string(++n); });
}
BENCHMARK(BM_EditOneStepField)->Unit(benchmark::kMillisecond);

void BM_SkipOnSelectAll(benchmark::State& state) {
  Open o;
  o.doc.SelectAll();
  for (auto _ : state) o.doc.ToggleMark(status::kSkip);
}
BENCHMARK(BM_SkipOnSelectAll)->Unit(benchmark::kMillisecond);

void BM_MoveDownOneRow(benchmark::State& state) {
  Open o;
  o.doc.Select(kMiddle);
  for (auto _ : state) {
    o.doc.MoveDown();
    state.PauseTiming();
    o.doc.Undo();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_MoveDownOneRow)->Unit(benchmark::kMillisecond);

void BM_PasteTenSteps(benchmark::State& state) {
  Open o;
  const ActionCatalog catalog = ActionCatalog::FromResource(EmbeddedActionCatalog());
  const LoadContext context{catalog};
  const EditSettings settings;
  Script ten;
  ten.steps.assign(o.slots.At(0)->steps.begin(), o.slots.At(0)->steps.begin() + 10);
  const std::string text = WriteSteps(ten, {}).text;
  for (auto _ : state) {
    state.PauseTiming();
    o.doc.Select(kMiddle);
    state.ResumeTiming();
    o.doc.Paste(text, context, settings);
    state.PauseTiming();
    o.doc.Undo();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_PasteTenSteps)->Unit(benchmark::kMillisecond);

// What a full copy of the Steps, the snapshot these records replace, costs.
void BM_FullCopyForComparison(benchmark::State& state) {
  Open o;
  for (auto _ : state) {
    Script copy = *o.slots.At(0);
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(BM_FullCopyForComparison)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace plumo
