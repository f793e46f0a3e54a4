// Image and pixel search on the screen as Steps use them: the request built from a Step, the
// screen capture with its fall-back, picture files and inline patterns, the scans, and the
// log lines that explain a miss.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "actions/desktop/image_scan.h"
#include "platform/picture.h"
#include "platform/processes.h"

namespace plumo {

class Session;

// The mask colour that stands for none.
constexpr uint32_t kNoMaskColor = 256;
constexpr uint32_t kDefaultMaskColor = 0xFF00FF;  // pink
// Tolerance of inline patterns at least.
constexpr int kPatternTolerance = 15;
constexpr uint32_t kSearchAttemptPauseMs = 10;

struct SearchResult {
  enum class Outcome { kNotFound, kFound, kFailed };
  Outcome outcome = Outcome::kNotFound;
  int32_t x = 0, y = 0;           // top-left of the picture, or the pixel
  int32_t width = 0, height = 0;  // of the picture; 0 for a pixel
  bool found() const { return outcome == Outcome::kFound; }
  bool failed() const { return outcome == Outcome::kFailed; }
};

struct ImageRequest {
  std::string picture;  // a file name, or an inline pattern
  // Screen coordinates, corners in any order; a zero width or height reaches to the screen's
  // edge. None: the whole screen.
  std::optional<ScreenRect> area;
  int tolerance = 0;
  int percentage = 100;
  uint32_t maskColor = kNoMaskColor;  // a Windows colour value
  uint32_t priorityClass = priority::kIdle;
  bool slow = false;
  bool verbose = false;
  int stepNumber = 0;  // names the closest-match picture beside the log
};

// Find image: the picture's size is reported whether found or not.
SearchResult FindImage(Session& session, const ImageRequest& request);

// Find pixel: the first pixel of `color` (within the tolerance) in the area cut to the
// screen, rows top to bottom from `start`'s row. Pixels come from `captured` when given.
std::optional<ScanPoint> FindPixel(Session& session, uint32_t color, std::optional<ScreenRect> area, int tolerance,
                                   std::optional<ScanPoint> start, const Picture* captured, bool slow);

// Search from Step: a pixel search when the action name contains "Pixel", else an image
// search through the Step's picture list. Failed only for a picture file that does not
// exist, with "Unable to open file '%s'" in the error text.
SearchResult SearchFromStep(Session& session, int slot, int index);

}  // namespace plumo
