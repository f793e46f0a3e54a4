// The recording text both ways: a long recording (100000 events, about an hour of busy input)
// written and read, and a damaged text of 1 MB of brackets refused.
#include <benchmark/benchmark.h>

#include <random>

#include "actions/integration/recording/recording_text.h"

namespace plumo {
namespace {

std::vector<RecordedEvent> LongRecording() {
  std::mt19937 random(21);
  std::vector<RecordedEvent> events(100000);
  uint32_t time = 1000;
  for (RecordedEvent& e : events) e = {recmsg::kMouseMove, random() % 1920, random() % 1080, time += random() % 50, 0};
  return events;
}

void BM_WriteText(benchmark::State& state) {
  const std::vector<RecordedEvent> events = LongRecording();
  for (auto _ : state) benchmark::DoNotOptimize(RecordingText(events));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(events.size()));
}
BENCHMARK(BM_WriteText)->Unit(benchmark::kMillisecond);

void BM_ParseText(benchmark::State& state) {
  const std::string text = RecordingText(LongRecording());
  for (auto _ : state) benchmark::DoNotOptimize(ParseRecordingText(text));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseText)->Unit(benchmark::kMillisecond);

void BM_ParseBrackets(benchmark::State& state) {
  const std::string text(1 << 20, '[');
  for (auto _ : state) benchmark::DoNotOptimize(ParseRecordingText(text));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseBrackets)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace plumo
