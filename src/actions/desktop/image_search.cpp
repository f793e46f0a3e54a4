#include "actions/desktop/image_search.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "actions/desktop/bmp_file.h"
#include "actions/desktop/colour_text.h"
#include "actions/desktop/inline_pattern.h"
#include "base/text.h"
#include "engine/run_controller.h"
#include "engine/run_log.h"
#include "engine/session.h"

namespace plumo {
namespace {

constexpr size_t kShownPictureText = 59;
constexpr int32_t kLargestCrop = 256;
constexpr const char* kFastScan = "Fast Scan (Video Memory)";
constexpr const char* kSlowScan = "Slow Scan (Pixel-by-Pixel)";

struct Capture {
  std::optional<Picture> picture;
  bool slow = false;
};

// The screen inside `area`; when the fast form fails the slow one is tried.
Capture CaptureArea(Session& session, const ScreenRect& area, bool slow) {
  Capture c{std::nullopt, slow};
  OsError error;
  if (!slow) {
    c.picture = session.desktop().CaptureScreen(area, false, &error);
    if (c.picture) return c;
    LogLine(session, FormatText("    %s failed (%s); trying %s", kFastScan, error.ToString().c_str(), kSlowScan));
    c.slow = true;
  }
  c.picture = session.desktop().CaptureScreen(area, true, &error);
  if (!c.picture) LogLine(session, FormatText("    %s failed (%s)", kSlowScan, error.ToString().c_str()));
  return c;
}

// The process runs at another priority class while this lives.
class PriorityScope {
 public:
  PriorityScope(Processes& processes, uint32_t cls) : processes_(processes), old_(processes.PriorityClass()) {
    (void)processes_.SetPriorityClass(cls);  // a search at the old priority is only slower
  }
  ~PriorityScope() { (void)processes_.SetPriorityClass(old_); }
  PriorityScope(const PriorityScope&) = delete;
  PriorityScope& operator=(const PriorityScope&) = delete;

 private:
  Processes& processes_;
  uint32_t old_;
};

ScreenRect Ordered(ScreenRect r) {
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  return r;
}

std::optional<Picture> LoadPicture(Session& session, const std::string& text, int* tolerance) {
  std::string error;
  std::optional<Picture> picture;
  if (IsInlinePattern(text)) {
    picture = ReadInlinePattern(text, &error);
    *tolerance = std::max(*tolerance, kPatternTolerance);
  } else if (ContainsNoCase(text, ".BMP")) {
    std::string bytes;
    bool opened = false;
    if (OsError e = session.files().ReadFile(text, &bytes, &opened); e) picture = ReadBmp(bytes, &error);
    else error = e.ToString();
  } else {
    OsError e;
    picture = session.desktop().ReadPictureFile(text, &e);
    if (!picture) error = e.ToString();
  }
  if (!picture) LogLine(session, "    Cannot read the picture \"" + text + "\": " + error);
  return picture;
}

std::string Rgb(uint32_t pixel) {
  return FormatText("RGB[%d, %d, %d]", (pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

// Beside the run log, so that a user sees what stood where the picture was looked for.
void SaveClosestMatch(Session& session, const Picture& screen, const ScanReport& report, const Picture& picture,
                      int stepNumber) {
  const ScreenRect a = ClipToCapture(screen, {report.at.x, report.at.y, report.at.x + std::min(picture.width(), kLargestCrop),
                                              report.at.y + std::min(picture.height(), kLargestCrop)});
  std::optional<Picture> crop = Picture::Allocate(a.Width(), a.Height());
  if (!crop) return;
  for (int32_t y = 0; y < crop->height(); ++y)
    for (int32_t x = 0; x < crop->width(); ++x) crop->Row(y)[x] = screen.At(a.left - screen.left + x, a.top - screen.top + y);
  std::string path = LogFilePath(session);
  if (const size_t dot = path.rfind('.'); dot != std::string::npos) path.resize(dot);
  path += FormatText(" [Step %d] CLOSEST MATCH.bmp", stepNumber);
  if (OsError e = SaveBmp(session.files(), path, *crop); e)
    LogLine(session, "    Closest match saved as \"" + path + "\"");
  else
    LogLine(session, "    The closest match could not be saved: " + e.ToString());
}

void LogSearch(Session& session, const ImageRequest& r, const Picture& picture, const Picture& screen, const ScreenRect& area,
               int tolerance, bool slow, const ScanReport& report) {
  const int n = picture.width() * picture.height();
  std::string shown = r.picture.size() > kShownPictureText ? r.picture.substr(0, kShownPictureText) + "..." : r.picture;
  LogFormat(session, "    \"%s\" %smatched (%d of %d pixels matched)", shown.c_str(), report.found ? "" : "not ",
            report.matches, n);
  const uint32_t key = picture.At(0, 0);
  LogFormat(session, "    Image parameters: %d x %d, %d-bit, first pixel #%02X%02X%02X", picture.height(), picture.width(),
            picture.bitsPerPixel >= 24 ? 32 : picture.bitsPerPixel, (key >> 16) & 0xFF, (key >> 8) & 0xFF, key & 0xFF);
  LogFormat(session, "    Scanned (%d, %d) -> (%d, %d)", area.left, area.top, area.right, area.bottom);
  LogFormat(session, "    Match Method: %s, RGB Tolerance: %d, Required Percentage: %d%%", slow ? kSlowScan : kFastScan,
            tolerance, r.percentage == 0 ? 100 : r.percentage);
  if (report.matches >= 2) {
    const int32_t ix = report.lastMatch % picture.width(), iy = report.lastMatch / picture.width();
    const int32_t sx = report.at.x + ix, sy = report.at.y + iy;
    LogFormat(session, "    Closest match at (%d, %d) which was good thru pixel #%d of %d  (all coordinates are 0-based)",
              report.at.x, report.at.y, report.lastMatch + 1, n);
    LogLine(session, FormatText("    Last matching pixel: Screen (%d, %d) ", sx, sy) +
                         Rgb(screen.At(sx - screen.left, sy - screen.top)) +
                         FormatText(" vs. Image (%d, %d) ", ix, iy) + Rgb(picture.At(ix, iy)));
    if (!report.found) SaveClosestMatch(session, screen, report, picture, r.stepNumber);
  }
  LogLine(session, kBlankLine);
}

// "x,y" with either number left out.
struct Pair {
  std::optional<int32_t> x, y;
};
Pair PairOf(std::string_view text) {
  auto number = [](std::string_view part) -> std::optional<int32_t> {
    part = Trim(part);
    if (part.empty()) return std::nullopt;
    return LeadingInteger(part);
  };
  const size_t comma = text.find(',');
  if (comma == std::string_view::npos) return {number(text), std::nullopt};
  return {number(text.substr(0, comma)), number(text.substr(comma + 1))};
}

ScreenRect WindowArea(Session& session, uint32_t handle) {
  std::optional<WindowFacts> f = session.desktop().Facts(handle);
  if (!f) return {};
  return {f->left, f->top, f->left + f->width, f->top + f->height};
}

// A relative file name is taken from the running Script's folder.
std::string Resolve(Session& session, int slot, const std::string& name) {
  const std::string_view folder = FolderPart(session.scripts.At(slot)->path.str());
  if (IsRootedPath(name) || folder.empty()) return name;
  return std::string(folder) + name;
}

}  // namespace

SearchResult FindImage(Session& session, const ImageRequest& r) {
  SearchResult result;
  int tolerance = std::clamp(r.tolerance, 0, 255);
  std::optional<Picture> picture = LoadPicture(session, r.picture, &tolerance);
  if (!picture || picture->empty()) return result;
  result.width = picture->width();
  result.height = picture->height();

  const ScreenRect screenArea = session.desktop().VirtualScreen();
  ScreenRect area = r.area ? Ordered(*r.area) : screenArea;
  if (area.Width() == 0) area.right = screenArea.right;
  if (area.Height() == 0) area.bottom = screenArea.bottom;
  if (area.Width() < picture->width() || area.Height() < picture->height()) return result;

  ImageScan scan;
  scan.tolerance = tolerance;
  scan.allowedMisses = AllowedMisses(r.percentage, int64_t{picture->width()} * picture->height());
  if (r.maskColor != kNoMaskColor) scan.maskPixel = PixelOfColor(r.maskColor);

  PriorityScope priority(session.processes(), r.priorityClass);
  const Capture capture = CaptureArea(session, area, r.slow);
  if (!capture.picture) return result;
  const Picture& screen = *capture.picture;
  const ScreenRect scanned = ClipToCapture(screen, area);
  if (session.run.logLevel < 2) {
    if (std::optional<ScanPoint> at = FindImageIn(screen, scanned, *picture, scan)) {
      result.outcome = SearchResult::Outcome::kFound;
      result.x = at->x;
      result.y = at->y;
    }
    return result;
  }
  // Row-order comparison names the closest candidate as the log tells it.
  const ScanReport report = ExplainImageSearch(screen, scanned, *picture, scan);
  if (report.found) {
    result.outcome = SearchResult::Outcome::kFound;
    result.x = report.at.x;
    result.y = report.at.y;
  }
  int& lastLogged = session.lastLoggedImageMatches;
  if (r.verbose || (report.matches >= 2 && report.matches > lastLogged)) {
    lastLogged = report.matches;
    LogSearch(session, r, *picture, screen, area, tolerance, capture.slow, report);
  }
  return result;
}

std::optional<ScanPoint> FindPixel(Session& session, uint32_t color, std::optional<ScreenRect> area, int tolerance,
                                   std::optional<ScanPoint> start, const Picture* captured, bool slow) {
  const ScreenRect screenArea = session.desktop().VirtualScreen();
  ScreenRect a = area ? Ordered(*area) : screenArea;
  if (a.Width() == 0) a.right = screenArea.right;
  if (a.Height() == 0) a.bottom = screenArea.bottom;
  const uint32_t pixel = PixelOfColor(color);
  tolerance = std::clamp(tolerance, 0, 255);
  if (captured) return FindPixelIn(*captured, ClipToCapture(*captured, a), pixel, tolerance, start);
  const Capture capture = CaptureArea(session, a, slow);
  if (!capture.picture) return std::nullopt;
  return FindPixelIn(*capture.picture, ClipToCapture(*capture.picture, a), pixel, tolerance, start);
}

SearchResult SearchFromStep(Session& session, int slot, int index) {
  Step& step = session.scripts.At(slot)->steps[static_cast<size_t>(index)];
  auto expand = [&](std::string_view field) { return session.ExpandStep(field, slot, index); };
  SearchResult result;

  const int tolerance = std::clamp(LeadingInteger(expand(step.value1)), 0, 255);
  const std::string percentText = expand(step.value4);
  int percentage = Trim(percentText).empty() ? 0 : std::abs(LeadingInteger(percentText));
  percentage = percentage == 0 ? 100 : std::clamp(percentage, 1, 100);
  const bool slow = ContainsNoCase(step.options, "Slow");
  uint32_t mask = kNoMaskColor;
  if (ContainsNoCase(step.options, "Masked") || ContainsNoCase(step.action, "Masked"))
    mask = session.settings().Probe("*\\MaskColor") ? static_cast<uint32_t>(session.settings().ReadNumber("*\\MaskColor"))
                                                     : kDefaultMaskColor;

  // "Full Screen", the palette's choice for either corner, is the same as no corner.
  auto corner = [&](const Text260& field) {
    std::string text = expand(field);
    return EqualsNoCase(Trim(text), "Full Screen") ? std::string() : text;
  };
  const std::string upperLeft = corner(step.value2), lowerRight = corner(step.value3);
  const Pair p1 = PairOf(upperLeft), p2 = PairOf(lowerRight);
  ScreenRect area;
  if (ContainsNoCase(step.options, "Active") || ContainsNoCase(step.options, "ScanLastWin")) {
    const uint32_t current = session.currentWindow;
    const uint32_t window = session.desktop().IsWindow(current) ? current : session.desktop().ForegroundWindow();
    area = WindowArea(session, window);
    if (!upperLeft.empty() || !lowerRight.empty()) {
      if (p1.x && *p1.x < area.Width()) area.left += *p1.x;
      if (p1.y && *p1.y < area.Height()) area.top += *p1.y;
      if (p2.x && *p2.x < area.right - area.left) area.right = area.left + *p2.x;
      if (p2.y && *p2.y < area.bottom - area.top) area.bottom = area.top + *p2.y;
    }
    if (step.runCount == 0)
      LogFormat(session, "    \"ScanLastWin\": Scanning rectangle (%d, %d) - (%d, %d)", area.left, area.top, area.right,
                area.bottom);
  } else {
    area.left = std::max(0, p1.x.value_or(0));
    area.top = std::max(0, p1.y.value_or(0));
    if (lowerRight.empty() && (area.left || area.top)) {
      const ScreenRect screen = session.desktop().VirtualScreen();
      area.right = screen.Width() + area.left;
      area.bottom = screen.Height() + area.top;
    } else {
      area.right = std::max(0, p2.x.value_or(0));
      area.bottom = std::max(0, p2.y.value_or(0));
    }
    if (area.left && area.top && area.left == area.right && area.top == area.bottom && tolerance == 0 && percentage == 100) {
      std::optional<uint32_t> color = session.desktop().PixelColor(area.left, area.top);
      if (color && *color == ColorFromText(expand(step.text))) result.outcome = SearchResult::Outcome::kFound;
      return result;
    }
  }

  const std::string text = expand(step.text);
  if (ContainsNoCase(step.action, "Pixel")) {
    if (step.runCount < 2) LogLine(session, "    Searching for pixel color " + text);
    if (std::optional<ScanPoint> at = FindPixel(session, ColorFromText(text), area, tolerance, std::nullopt, nullptr, slow)) {
      result.outcome = SearchResult::Outcome::kFound;
      result.x = at->x;
      result.y = at->y;
      return result;
    }
  } else {
    int number = 0;
    for (size_t from = 0; from <= text.size();) {
      const size_t semicolon = std::min(text.find(';', from), text.size());
      const std::string entry(Trim(std::string_view(text).substr(from, semicolon - from)));
      from = semicolon + 1;
      if (entry.empty()) continue;
      ++number;
      ImageRequest request{entry, area, tolerance, percentage, mask, priority::kIdle, slow, step.runCount < 2, index + 1};
      if (!IsInlinePattern(entry)) {
        request.picture = Resolve(session, slot, entry);
        if (session.files().Kind(request.picture) != PathKind::kFile) {
          session.SetError(FormatText("Unable to open file '%s'", request.picture.c_str()));
          result.outcome = SearchResult::Outcome::kFailed;
          return result;
        }
        LogFormat(session, "    Searching for image (#%d) \"%s\"", number, request.picture.c_str());
      }
      result = FindImage(session, request);
      session.clock().Sleep(kSearchAttemptPauseMs);
      if (result.found()) return result;
    }
  }
  const uint32_t depth = session.desktop().Screen().bitsPerPixel;
  if (tolerance < 8 && depth > 0 && depth < 32)
    LogFormat(session,
              "    NOTE: Color bit depth is %d bits per pixel; raise \"RGB Color Tolerance\" to 8 or more to increase accuracy",
              static_cast<int>(depth));
  return result;
}

}  // namespace plumo
