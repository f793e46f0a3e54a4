// Image search on a 1920 × 1080 screen, a 32 × 32 picture present once near the bottom
// right: our scan with the instruction set the machine offers, the same with SSE2 and
// without vectors, and the plain reference scan of the tests. OpenCV's matchTemplate runs
// beside these in image_search_opencv_bench.cpp when it is installed.
#include <benchmark/benchmark.h>

#include "actions/desktop/image_scan.h"
#include "actions/desktop/image_scan_kernel.h"
#include "actions/desktop/image_scan_reference.h"
#include "bench_screens.h"

namespace plumo::bench {
namespace {

struct Case {
  const char* name;
  bool whiteScreen, masked;
  int tolerance, percentage;
};
constexpr Case kCases[] = {
    {"Exact", false, false, 0, 100},
    {"Tolerance10At90", false, false, 10, 90},
    {"Masked", false, true, 0, 100},
    {"KeyEverywhereExact", true, false, 0, 100},
    {"KeyEverywhereTolerance10At90", true, false, 10, 90},
};

struct Inputs {
  Picture screen, picture;
  ImageScan scan;
  ScreenRect area;
};

Inputs Make(const Case& c) {
  Inputs in;
  in.screen = Desktop();
  in.picture = Icon(in.screen, c.masked);
  if (c.whiteScreen) in.screen = WhiteDesktop(in.picture);
  in.scan = {c.tolerance, AllowedMisses(c.percentage, int64_t{kIconSide} * kIconSide),
             c.masked ? std::optional<uint32_t>(kPink) : std::nullopt};
  in.area = {0, 0, kScreenWidth, kScreenHeight};
  return in;
}

void Expect(benchmark::State& state, bool found, ScanPoint at) {
  if (!found || at.x != kIconX || at.y != kIconY) state.SkipWithError("the icon was not found where it is");
}

void Ours(benchmark::State& state, const Case& c, const scan::ScanKernels* k) {
  const Inputs in = Make(c);
  for (auto _ : state) {
    std::optional<ScanPoint> at = scan::FindImageWith(*k, in.screen, in.area, in.picture, in.scan);
    benchmark::DoNotOptimize(at);
    Expect(state, at.has_value(), at.value_or(ScanPoint{}));
  }
}

void Explain(benchmark::State& state, const Case& c) {
  const Inputs in = Make(c);
  for (auto _ : state) {
    ScanReport r = ExplainImageSearch(in.screen, in.area, in.picture, in.scan);
    Expect(state, r.found, r.at);
  }
}

void Reference(benchmark::State& state, const Case& c) {
  const Inputs in = Make(c);
  for (auto _ : state) {
    ReferenceSearch r = ReferenceFindImage(in.screen, in.area, in.picture, in.scan);
    Expect(state, r.found, r.at);
  }
}

void FullScreenPixelSearch(benchmark::State& state) {
  const Picture screen = Desktop();
  for (auto _ : state) {
    std::optional<ScanPoint> at = FindPixelIn(screen, {0, 0, kScreenWidth, kScreenHeight}, 0x0000FF, 0);
    benchmark::DoNotOptimize(at);
  }
}

int Register() {
  for (const Case& c : kCases) {
    for (const scan::ScanKernels* k : scan::AvailableKernels())
      benchmark::RegisterBenchmark((std::string("ImageSearch/") + c.name + "/Plumo_" + k->name).c_str(), Ours, c, k)
          ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("ImageSearch/") + c.name + "/PlumoLogLevel2").c_str(), Explain, c)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("ImageSearch/") + c.name + "/PlainReference").c_str(), Reference, c)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("PixelSearch/FullScreenMiss", FullScreenPixelSearch)->Unit(benchmark::kMillisecond);
  return 0;
}
const int kRegistered = Register();

}  // namespace
}  // namespace plumo::bench
