#include "actions/desktop/image_scan.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "actions/desktop/image_scan_kernel.h"

namespace plumo {
namespace scan {
namespace {

const ScanKernels& Best() {
  static const ScanKernels* const best = AvailableKernels().front();
  return *best;
}

// The candidates of `picture` in `area`, in capture coordinates; false when there are none.
bool CandidatesOf(const Picture& screen, const ScreenRect& area, const Picture& picture, const ImageScan& scan,
                  Candidates* c) {
  if (picture.empty()) return false;
  const ScreenRect a = ClipToCapture(screen, area);
  if (a.Width() < picture.width() || a.Height() < picture.height()) return false;
  c->screen = screen.Row(0);
  c->stride = screen.stride();
  c->x0 = a.left - screen.left;
  c->y0 = a.top - screen.top;
  c->x1 = a.right - screen.left - picture.width();
  c->y1 = a.bottom - screen.top - picture.height();
  const uint32_t key = picture.At(0, 0);
  c->keyAnywhere = scan.maskPixel && *scan.maskPixel == key;
  c->key = RangeOf(key, scan.tolerance);
  return true;
}

bool Masked(const ImageScan& scan, uint32_t pixel) { return scan.maskPixel && *scan.maskPixel == pixel; }

int Distance(uint32_t a, uint32_t b) {
  int d = 0;
  for (int shift = 0; shift < 24; shift += 8)
    d = std::max(d, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
  return d;
}

// Runs of picture pixels that cannot match a key-coloured screen pixel: unmasked and, in
// some colour, further than twice the tolerance from the key. Worth counting only when a
// candidate needs misses beyond the allowance to be turned down.
std::vector<Segment> SegmentsOf(const Picture& picture, const ImageScan& scan) {
  constexpr int32_t kShortest = 4;
  constexpr size_t kMost = 64;
  std::vector<Segment> out;
  if (scan.allowedMisses == 0) return out;
  const uint32_t key = picture.At(0, 0);
  auto far = [&](uint32_t p) { return !Masked(scan, p) && Distance(p, key) > 2 * scan.tolerance; };
  int64_t total = 0;
  for (int32_t y = 0; y < picture.height(); ++y)
    for (int32_t x = 0; x < picture.width();) {
      const int32_t begin = x;
      while (x < picture.width() && far(picture.At(x, y))) ++x;
      if (x - begin >= kShortest) {
        out.push_back({y, begin, x});
        total += x - begin;
      }
      if (x == begin) ++x;
    }
  if (total <= scan.allowedMisses) return {};
  std::stable_sort(out.begin(), out.end(),
                   [](const Segment& a, const Segment& b) { return a.end - a.begin > b.end - b.begin; });
  if (out.size() > kMost) out.resize(kMost);
  return out;
}

ScanPoint ToScreen(const Picture& screen, ScanPoint p) { return {p.x + screen.left, p.y + screen.top}; }

}  // namespace

std::optional<ScanPoint> FindImageWith(const ScanKernels& k, const Picture& screen, const ScreenRect& area,
                                       const Picture& picture, const ImageScan& scan) {
  ImageJob job;
  if (!CandidatesOf(screen, area, picture, scan, &job.at)) return std::nullopt;
  // The key pixel matches at every candidate and masked pixels match anywhere; of the rest,
  // those least like the key colour come first, since around a candidate the screen tends
  // to look like the key colour and they fail there soonest.
  const uint32_t key = picture.At(0, 0);
  struct Ranked {
    int distance;
    Probe probe;
  };
  std::vector<Ranked> ranked;
  ranked.reserve(static_cast<size_t>(picture.width()) * static_cast<size_t>(picture.height()));
  for (int32_t y = 0; y < picture.height(); ++y)
    for (int32_t x = y == 0 ? 1 : 0; x < picture.width(); ++x) {
      const uint32_t p = picture.At(x, y);
      if (Masked(scan, p)) continue;
      ranked.push_back({Distance(p, key), {y * screen.stride() + x, RangeOf(p, scan.tolerance)}});
    }
  std::stable_sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) { return a.distance > b.distance; });
  std::vector<Probe> probes(ranked.size());
  std::transform(ranked.begin(), ranked.end(), probes.begin(), [](const Ranked& r) { return r.probe; });
  job.probes = probes.data();
  job.probeCount = probes.size();
  job.allowed = scan.allowedMisses;
  job.width = picture.width();
  job.height = picture.height();
  const std::vector<Segment> segments = SegmentsOf(picture, scan);
  job.segments = segments.data();
  job.segmentCount = segments.size();
  std::optional<ScanPoint> found = k.findImage(job);
  if (!found) return std::nullopt;
  return ToScreen(screen, *found);
}

std::optional<ScanPoint> FindPixelWith(const ScanKernels& k, const Picture& screen, const ScreenRect& area,
                                       uint32_t pixel, int tolerance, std::optional<ScanPoint> start) {
  const ScreenRect a = ClipToCapture(screen, area);
  if (a.Width() <= 0 || a.Height() <= 0) return std::nullopt;
  PixelJob job;
  job.screen = screen.Row(0);
  job.stride = screen.stride();
  job.x0 = a.left - screen.left;
  job.x1 = a.right - screen.left - 1;
  job.y0 = a.top - screen.top;
  job.y1 = a.bottom - screen.top - 1;
  job.startX = job.x0;
  if (start && start->y >= a.top) {
    job.y0 = start->y - screen.top;
    job.startX = std::max(start->x - screen.left, job.x0);
    if (job.startX > job.x1) {
      ++job.y0;
      job.startX = job.x0;
    }
    if (job.y0 > job.y1) return std::nullopt;
  }
  job.range = RangeOf(pixel, tolerance);
  std::optional<ScanPoint> found = k.findPixel(job);
  if (!found) return std::nullopt;
  return ToScreen(screen, *found);
}

ScanReport ExplainWith(const ScanKernels& k, const Picture& screen, const ScreenRect& area, const Picture& picture,
                       const ImageScan& scan) {
  ExplainJob job;
  if (!CandidatesOf(screen, area, picture, scan, &job.at)) return {};
  const size_t n = static_cast<size_t>(picture.width()) * static_cast<size_t>(picture.height());
  std::vector<uint32_t> lo(n), hi(n);
  for (int32_t y = 0, i = 0; y < picture.height(); ++y)
    for (int32_t x = 0; x < picture.width(); ++x, ++i) {
      const uint32_t p = picture.At(x, y);
      const Range r = Masked(scan, p) ? Range{} : RangeOf(p, scan.tolerance);
      lo[static_cast<size_t>(i)] = r.lo;
      hi[static_cast<size_t>(i)] = r.hi;
    }
  job.lo = lo.data();
  job.hi = hi.data();
  job.width = picture.width();
  job.height = picture.height();
  job.allowed = scan.allowedMisses;
  ScanReport report = k.explain(job);
  if (report.matches > 0) report.at = ToScreen(screen, report.at);
  return report;
}

}  // namespace scan

int AllowedMisses(int percentage, int64_t pixels) {
  if (percentage < 1 || percentage >= 100) return 0;
  return static_cast<int>(pixels - (percentage * pixels + 50) / 100);
}

ScreenRect ClipToCapture(const Picture& screen, const ScreenRect& area) {
  ScreenRect a;
  a.left = std::max(area.left, screen.left);
  a.top = std::max(area.top, screen.top);
  a.right = std::max(a.left, std::min(area.right, screen.left + screen.width()));
  a.bottom = std::max(a.top, std::min(area.bottom, screen.top + screen.height()));
  return a;
}

std::optional<ScanPoint> FindImageIn(const Picture& screen, const ScreenRect& area, const Picture& picture,
                                     const ImageScan& scan) {
  return scan::FindImageWith(scan::Best(), screen, area, picture, scan);
}

std::optional<ScanPoint> FindPixelIn(const Picture& screen, const ScreenRect& area, uint32_t pixel, int tolerance,
                                     std::optional<ScanPoint> start) {
  return scan::FindPixelWith(scan::Best(), screen, area, pixel, tolerance, start);
}

ScanReport ExplainImageSearch(const Picture& screen, const ScreenRect& area, const Picture& picture,
                              const ImageScan& scan) {
  return scan::ExplainWith(scan::Best(), screen, area, picture, scan);
}

const char* ScanInstructionSet() { return scan::Best().name; }

}  // namespace plumo
