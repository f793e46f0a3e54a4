// Inside the image scans: the jobs image_scan.cpp prepares for the loops of
// image_scan_loops.h, and the sets of loops compiled per instruction set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "actions/desktop/image_scan.h"

namespace plumo::scan {

// The pixels a picture pixel accepts: each byte between lo's and hi's; the top byte always.
struct Range {
  uint32_t lo = 0, hi = 0xFFFFFFFF;
};

inline Range RangeOf(uint32_t pixel, int tolerance) {
  tolerance = tolerance < 0 ? 0 : tolerance > 255 ? 255 : tolerance;
  Range r{0, 0xFF000000};
  for (int shift = 0; shift < 24; shift += 8) {
    const int c = static_cast<int>((pixel >> shift) & 0xFF);
    r.lo |= static_cast<uint32_t>(c - tolerance < 0 ? 0 : c - tolerance) << shift;
    r.hi |= static_cast<uint32_t>(c + tolerance > 255 ? 255 : c + tolerance) << shift;
  }
  return r;
}

// A picture pixel as the fast scan compares it: where it lies from the candidate.
struct Probe {
  ptrdiff_t offset = 0;
  Range range;
};

// Candidates are the positions [x0, x1] × [y0, y1] of the capture (inclusive, never empty).
struct Candidates {
  const uint32_t* screen = nullptr;
  ptrdiff_t stride = 0;
  int32_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  bool keyAnywhere = false;
  Range key;
};

// Picture columns [begin, end) of one row that no pixel within the tolerance of the key
// colour can match: where the screen shows the key colour there, the picture misses for
// certain. Counting those misses costs two loads per segment for a row of candidates.
struct Segment {
  int32_t row = 0, begin = 0, end = 0;
};

struct ImageJob {
  Candidates at;
  int32_t width = 0, height = 0;  // the picture's
  const Probe* probes = nullptr;  // every picture pixel but the key and the masked ones
  size_t probeCount = 0;
  int allowed = 0;
  // Longest first; none when they could not exceed the allowance.
  const Segment* segments = nullptr;
  size_t segmentCount = 0;
};

struct ExplainJob {
  Candidates at;
  // Every picture pixel's range in row order (masked ones accept all).
  const uint32_t* lo = nullptr;
  const uint32_t* hi = nullptr;
  int32_t width = 0, height = 0;
  int allowed = 0;
};

struct PixelJob {
  const uint32_t* screen = nullptr;
  ptrdiff_t stride = 0;
  int32_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;  // inclusive
  int32_t startX = 0;                      // on row y0
  Range range;
};

// Points are capture coordinates.
struct ScanKernels {
  const char* name;
  std::optional<ScanPoint> (*findImage)(const ImageJob&);
  std::optional<ScanPoint> (*findPixel)(const PixelJob&);
  ScanReport (*explain)(const ExplainJob&);
};

// Those this machine can run, fastest first.
std::vector<const ScanKernels*> AvailableKernels();
const ScanKernels& PortableKernels();

// The public scans with the given kernels (tests run each set).
std::optional<ScanPoint> FindImageWith(const ScanKernels& k, const Picture& screen, const ScreenRect& area,
                                       const Picture& picture, const ImageScan& scan);
std::optional<ScanPoint> FindPixelWith(const ScanKernels& k, const Picture& screen, const ScreenRect& area,
                                       uint32_t pixel, int tolerance, std::optional<ScanPoint> start);
ScanReport ExplainWith(const ScanKernels& k, const Picture& screen, const ScreenRect& area, const Picture& picture,
                       const ImageScan& scan);

}  // namespace plumo::scan
