// Evaluations per second of typical formulas, preparation included, on one engine whose
// working storage is reused; allocations are counted to show that evaluations make none.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "vars/condition.h"
#include "vars/formula_world.h"

namespace {

std::atomic<long> allocations{0};

}  // namespace

void* operator new(std::size_t n) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace plumo {
namespace {

void Run(benchmark::State& state, const char* formula, const char* expected) {
  FormulaWorld w;
  std::string out;
  out.reserve(4096);
  w.engine.Evaluate(formula, &out);  // the first evaluation sizes the working storage
  if (out != expected) {
    state.SkipWithError(("unexpected result: " + out).c_str());
    return;
  }
  long before = allocations.load();
  for (auto _ : state) {
    benchmark::DoNotOptimize(w.engine.Evaluate(formula, &out));
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["allocs/eval"] =
      benchmark::Counter(static_cast<double>(allocations.load() - before) / static_cast<double>(state.iterations()));
  state.SetItemsProcessed(state.iterations());
}

void BM_Arithmetic(benchmark::State& s) { Run(s, "=ROUND(12.5*3+SQRT(16)/2, 2)", "39.5"); }
void BM_IfLen(benchmark::State& s) { Run(s, "=IF(LEN(\"abc\")>2, \"long\", \"short\")", "long"); }
void BM_DateText(benchmark::State& s) { Run(s, "=TEXT(DATE(2009,8,22), \"yyyy-mm-dd\")", "2009-08-22"); }
void BM_DateTextNames(benchmark::State& s) {
  Run(s, "=TEXT(DATE(2009,8,22)+TIME(13,5,0), \"dddd, mmmm d, yyyy h:mm AM/PM\")",
      "Saturday, August 22, 2009 1:05 PM");
}
void BM_Concatenation(benchmark::State& s) { Run(s, "=\"Step \" & 12 & \" of \" & UPPER(\"total\")", "Step 12 of TOTAL"); }

void BM_Condition(benchmark::State& state) {
  FormulaWorld w;
  for (auto _ : state) benchmark::DoNotOptimize(ConditionTest(w.engine, w.locale, "12 > 3 && abc <> abd"));
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_Arithmetic);
BENCHMARK(BM_IfLen);
BENCHMARK(BM_DateText);
BENCHMARK(BM_DateTextNames);
BENCHMARK(BM_Concatenation);
BENCHMARK(BM_Condition);

}  // namespace
}  // namespace plumo
