// The plain scan of image search, pixel by pixel and candidate by candidate, as the search
// is defined: the reference the fast scans are compared with.
#pragma once

#include <optional>

#include "actions/desktop/image_scan.h"

namespace plumo {

struct ReferenceSearch {
  bool found = false;
  ScanPoint at;
  // The candidate found, or the closest one: matches and last match as the log tells them.
  ScanPoint best;
  int bestMatches = 0;
  int bestLastMatch = -1;
};

// `area` lies on the screen.
ReferenceSearch ReferenceFindImage(const Picture& screen, const ScreenRect& area, const Picture& picture,
                                   const ImageScan& scan);
std::optional<ScanPoint> ReferenceFindPixel(const Picture& screen, const ScreenRect& area, uint32_t pixel,
                                            int tolerance, std::optional<ScanPoint> start);

}  // namespace plumo
