// The scans of image and pixel search over a captured screen, free of the desktop: where a
// picture or a colour first occurs in a rectangle, in row order.
//
// A candidate is a position whose pixel matches the picture's first pixel (the key colour),
// or any position when the key colour is the mask colour. A candidate qualifies when at
// most `allowedMisses` picture pixels fail to match; mask-coloured picture pixels always
// match. Pixels match when each of red, green and blue differs by at most the tolerance.
// Qualifying does not depend on the order in which pixels are compared, so the fast scan
// compares the pixels most likely to fail first, several candidates at a time.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/picture.h"

namespace plumo {

struct ImageScan {
  int tolerance = 0;      // 0 to 255
  int allowedMisses = 0;  // picture pixels that may fail to match
  std::optional<uint32_t> maskPixel;  // picture pixels of this colour match anything
};

struct ScanPoint {
  int32_t x = 0, y = 0;
  bool operator==(const ScanPoint&) const = default;
};

// Misses allowed for `pixels` picture pixels at a required percentage: none at 100 or below 1.
int AllowedMisses(int percentage, int64_t pixels);

// The part of `area` (screen coordinates, in order) that lies on the captured screen.
ScreenRect ClipToCapture(const Picture& screen, const ScreenRect& area);

// The first qualifying top-left position (screen coordinates) of `picture` that lies wholly
// inside `area`, which must lie on `screen`.
std::optional<ScanPoint> FindImageIn(const Picture& screen, const ScreenRect& area, const Picture& picture,
                                     const ImageScan& scan);

// The first pixel within the tolerance of `pixel` in `area`, rows top to bottom, each row
// left to right, the first row beginning at `start` when given.
std::optional<ScanPoint> FindPixelIn(const Picture& screen, const ScreenRect& area, uint32_t pixel, int tolerance,
                                     std::optional<ScanPoint> start = std::nullopt);

// What the log tells of a search, comparing each candidate's pixels in row order: the
// candidate found, or else the one with the most matches when it was turned down.
struct ScanReport {
  bool found = false;
  ScanPoint at;          // the candidate found or the closest one
  int matches = 0;       // its matching pixels (0: no candidate)
  int lastMatch = -1;    // 0-based index of its last matching pixel, row order
};
ScanReport ExplainImageSearch(const Picture& screen, const ScreenRect& area, const Picture& picture,
                              const ImageScan& scan);

// The instruction set the scans use on this machine ("AVX2", "SSE2" or "portable").
const char* ScanInstructionSet();

}  // namespace plumo
