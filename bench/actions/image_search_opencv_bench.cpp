// OpenCV's template matching (TM_SQDIFF and the best place) on the same screens, for
// comparison only: Debian's libopencv-dev, linked into this benchmark and nothing else.
// OpenCV runs on one thread, as our scan does.
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
  cv::setNumThreads(static_cast<int>(state.range(0)));
  Picture screen = Desktop();
  Picture picture = Icon(screen, masked);
  if (whiteScreen) screen = WhiteDesktop(picture);
  cv::Mat mask;
  if (masked) {
    mask = cv::Mat(kIconSide, kIconSide, CV_8UC4);
    for (int32_t y = 0; y < kIconSide; ++y)
      for (int32_t x = 0; x < kIconSide; ++x)
        mask.at<cv::Vec4b>(y, x) = picture.At(x, y) == kPink ? cv::Vec4b(0, 0, 0, 0) : cv::Vec4b(1, 1, 1, 1);
  }
  cv::Mat result;
  for (auto _ : state) {
    cv::matchTemplate(View(screen), View(picture), result, cv::TM_SQDIFF, mask);
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
        ->ArgName("threads")
        ->Arg(1)
        ->Unit(benchmark::kMillisecond);
  return 0;
}
const int kRegistered = Register();

}  // namespace
}  // namespace plumo::bench
