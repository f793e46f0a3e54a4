// OpenCV's template matching (TM_SQDIFF and the best place) on the same screens, for
// comparison only: Debian's libopencv-dev, linked into this benchmark and nothing else.
// Arguments: OpenCV's threads (1 as our scan, 0 for its default) and the channels it sees
// (4 as captured, or 3 converted before the timing starts).
#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench_screens.h"

namespace plumo::bench {
namespace {

cv::Mat View(Picture& p) {
  return cv::Mat(p.height(), p.width(), CV_8UC4, p.Row(0), static_cast<size_t>(p.stride()) * 4);
}

void OpenCv(benchmark::State& state, bool whiteScreen, bool masked) {
  const int threads = static_cast<int>(state.range(0)), channels = static_cast<int>(state.range(1));
  cv::setNumThreads(threads == 0 ? -1 : threads);
  Picture screen = Desktop();
  Picture picture = Icon(screen, masked);
  if (whiteScreen) screen = WhiteDesktop(picture);
  cv::Mat image = View(screen), templ = View(picture), mask;
  if (channels == 3) {
    cv::cvtColor(image, image, cv::COLOR_BGRA2BGR);
    cv::cvtColor(templ, templ, cv::COLOR_BGRA2BGR);
  }
  if (masked) {
    mask = cv::Mat(kIconSide, kIconSide, CV_8UC(channels));
    for (int32_t y = 0; y < kIconSide; ++y)
      for (int32_t x = 0; x < kIconSide; ++x)
        for (int c = 0; c < channels; ++c) mask.ptr<uint8_t>(y)[x * channels + c] = picture.At(x, y) == kPink ? 0 : 1;
  }
  cv::Mat result;
  for (auto _ : state) {
    cv::matchTemplate(image, templ, result, cv::TM_SQDIFF, mask);
    cv::Point at;
    cv::minMaxLoc(result, nullptr, nullptr, &at, nullptr);
    if (at.x != kIconX || at.y != kIconY) state.SkipWithError("OpenCV did not find the icon where it is");
  }
}

// Tolerance and percentage have no counterpart: the same square differences serve every row.
int Register() {
  struct Row {
    const char* name;
    bool whiteScreen, masked;
  } rows[] = {{"Exact", false, false},
              {"Tolerance10At90", false, false},
              {"Masked", false, true},
              {"KeyEverywhereExact", true, false},
              {"KeyEverywhereTolerance10At90", true, false}};
  for (const Row& r : rows)
    benchmark::RegisterBenchmark((std::string("ImageSearch/") + r.name + "/OpenCV_matchTemplate").c_str(), OpenCv,
                                 r.whiteScreen, r.masked)
        ->ArgNames({"threads", "channels"})
        ->Args({1, 4})
        ->Args({1, 3})
        ->Args({0, 3})
        ->Unit(benchmark::kMillisecond);
  return 0;
}
const int kRegistered = Register();

}  // namespace
}  // namespace plumo::bench
