// Times screen captures through the Win32 port, and an exact search of the captured screen
// for a 32 × 32 picture drawn into its bottom right:
//
//   capture_timing [REPEATS]
//
// Prints the screen's size and depth, then in milliseconds (median of REPEATS): the fast
// capture of the whole screen, the search, and the slow capture of a 32 × 32 area.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "actions/desktop/image_scan.h"
#include "platform/win32/win32_desktop.h"

namespace plumo {
namespace {

double Now() {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

double Median(int repeats, const std::function<void()>& fn) {
  std::vector<double> times;
  for (int i = 0; i < repeats; ++i) {
    const double start = Now();
    fn();
    times.push_back(Now() - start);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

int Main(int repeats) {
  Win32Desktop desktop;
  const ScreenRect screen = desktop.VirtualScreen();
  OsError error;
  std::optional<Picture> shot;
  const double capture = Median(repeats, [&] { shot = desktop.CaptureScreen(screen, false, &error); });
  if (!shot) {
    std::printf("capture failed: %s\n", error.ToString().c_str());
    return 1;
  }
  std::printf("screen %d x %d, %d bits per pixel, scans with %s\n", shot->width(), shot->height(), shot->bitsPerPixel,
              ScanInstructionSet());
  // A test desktop is mostly one colour: the picture is drawn into the capture.
  Picture piece = *Picture::Allocate(32, 32);
  const int32_t px = shot->width() - 40, py = shot->height() - 40;
  for (int32_t y = 0; y < 32; ++y)
    for (int32_t x = 0; x < 32; ++x) shot->Row(py + y)[px + x] = piece.Row(y)[x] = static_cast<uint32_t>(x * 0x080402 + y * 0x000810);
  std::optional<ScanPoint> at;
  const double search = Median(repeats, [&] { at = FindImageIn(*shot, screen, piece, {}); });
  const double slow = Median(std::min(repeats, 3), [&] { desktop.CaptureScreen({0, 0, 32, 32}, true, &error); });
  std::printf("fast capture of the screen  %8.2f ms\n", capture);
  std::printf("exact search of the capture %8.2f ms (found at %d, %d)\n", search, at ? at->x : -1, at ? at->y : -1);
  std::printf("slow capture of 32 x 32     %8.2f ms\n", slow);
  return 0;
}

}  // namespace
}  // namespace plumo

int main(int argc, char** argv) { return plumo::Main(argc > 1 ? std::max(1, std::atoi(argv[1])) : 20); }
