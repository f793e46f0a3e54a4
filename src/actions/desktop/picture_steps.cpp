#include "actions/desktop/picture_steps.h"

#include <algorithm>
#include <optional>
#include <string>

#include "actions/desktop/bmp_file.h"
#include "actions/desktop/colour_text.h"
#include "actions/desktop/image_search.h"
#include "base/text.h"
#include "engine/failure.h"
#include "engine/run_controller.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "scripts/action_catalog.h"

namespace plumo {
namespace {

constexpr uint32_t kFirstPollMs = 1000;
constexpr uint32_t kPollMs = 3000;
constexpr uint32_t kSliceMs = 250;
constexpr uint32_t kForegroundSettleMs = 250;

Step& StepAt(Session& session, int slot, int index) { return session.scripts.At(slot)->steps[static_cast<size_t>(index)]; }

// "x,y", each part a number or a formula.
ScanPoint CoordinatePair(Session& session, int slot, int index, std::string_view field) {
  const std::string text = session.ExpandStep(field, slot, index);
  const size_t comma = text.find(',');
  auto number = [&](std::string_view part) {
    if (RunVariables* v = session.variables()) return static_cast<int32_t>(v->EvaluateNumber(part));
    return static_cast<int32_t>(LeadingInteger(part));
  };
  if (comma == std::string::npos) return {number(text), 0};
  return {number(std::string_view(text).substr(0, comma)), number(std::string_view(text).substr(comma + 1))};
}

std::optional<bool> PixelEquals(Session& session, int slot, int index) {
  Step& step = StepAt(session, slot, index);
  const ScanPoint at = CoordinatePair(session, slot, index, step.value1);
  const std::string expected = session.ExpandStep(step.text, slot, index);
  const std::optional<uint32_t> color = session.desktop().PixelColor(at.x, at.y);
  if (!color) {
    session.SetError(FormatText("The screen pixel at (%d, %d) cannot be read", at.x, at.y));
    return std::nullopt;
  }
  LogFormat(session, "    %s = %s", ColorText(*color).c_str(), expected.c_str());
  return *color == ColorFromText(expected);
}

std::optional<bool> PictureVisible(Session& session, int slot, int index) {
  if (ContainsNoCase(StepAt(session, slot, index).action, "Pixel Equals")) return PixelEquals(session, slot, index);
  const SearchResult r = SearchFromStep(session, slot, index);
  if (r.failed()) return std::nullopt;
  if (r.found()) session.StoreOutput(slot, index, FormatText("%d, %d", r.x, r.y));
  return r.found();
}

// Wait for Pixel and Wait for Image, polled on the run thread: the first look after a second,
// then every three seconds, until the picture is there, the time-out passes or a stop comes.
int WaitForPicture(Session& session, int slot, int index, bool) {
  Step& step = StepAt(session, slot, index);
  const double seconds = TimeoutSeconds(session, slot, index);
  const uint32_t timeoutMs = seconds > 0 ? static_cast<uint32_t>(std::min(seconds * 1000.0, 4294967295.0)) : 0;
  Clock& clock = session.clock();
  const uint32_t start = clock.TickCount();
  uint32_t nextPoll = kFirstPollMs;
  step.runCount = 0;
  for (;;) {
    if (session.StopRequested()) return result::kStop;
    const uint32_t elapsed = clock.TickCount() - start;
    if (elapsed >= nextPoll) {
      ++step.runCount;
      const SearchResult r = SearchFromStep(session, slot, index);
      if (r.failed()) return result::kFailure;
      if (r.found()) return result::kSuccess;
      nextPoll = clock.TickCount() - start + kPollMs;
    }
    const uint32_t now = clock.TickCount() - start;
    if (timeoutMs && now >= timeoutMs) return result::kFailure;
    uint32_t wait = std::min(kSliceMs, nextPoll > now ? nextPoll - now : 0);
    if (timeoutMs) wait = std::min(wait, timeoutMs - now);
    if (!session.SleepInRun(wait)) return result::kStop;  // a pause holds here
  }
}

// The window of "Window" captures: the Current Window while it is shown, else the
// foreground window, which becomes the Current Window.
uint32_t CaptureWindow(Session& session) {
  Desktop& desktop = session.desktop();
  if (desktop.IsWindow(session.currentWindow) && desktop.IsFramedTopLevel(session.currentWindow)) return session.currentWindow;
  session.clock().Sleep(kForegroundSettleMs);
  session.currentWindow = desktop.ForegroundWindow();
  return session.currentWindow;
}

int ImageCapture(Session& session, int slot, int index, bool) {
  Step& step = StepAt(session, slot, index);
  std::string_view options = step.options;
  ScreenRect area = session.desktop().VirtualScreen();
  if (ContainsNoCase(options, "Area")) {
    const ScanPoint at = CoordinatePair(session, slot, index, step.value1);
    const ScanPoint size = CoordinatePair(session, slot, index, step.value2);
    area = {at.x, at.y, at.x + size.x, at.y + size.y};
  } else if (ContainsNoCase(options, "Window")) {
    const std::optional<WindowFacts> f = session.desktop().Facts(CaptureWindow(session));
    if (!f) return session.Fail("No window to capture");
    area = {f->left, f->top, f->left + f->width, f->top + f->height};
  }
  OsError error;
  std::optional<Picture> picture = session.desktop().CaptureScreen(area, false, &error);
  if (!picture) return session.Fail("Unable to capture the screen: " + error.ToString());
  if (ContainsNoCase(step.output, "Clipboard")) {
    if (OsError e = session.clipboard().SetPicture(*picture); !e)
      return session.Fail("Unable to put the picture on the clipboard: " + e.ToString());
    return result::kSuccess;
  }
  const std::string path = session.ExpandStep(step.outputValue, slot, index);
  if (Trim(path).empty()) return session.Fail("No file named for the picture");
  if (OsError e = SaveBmp(session.files(), path, *picture); !e)
    return session.Fail(FormatText("Unable to write the picture to '%s': %s", path.c_str(), e.ToString().c_str()));
  return result::kSuccess;
}

}  // namespace

void RegisterPictureSteps(Session& session) {
  session.conditions.Register("Pixel", PictureVisible);
  session.conditions.Register("Image", PictureVisible);
  session.executors.RegisterAction(category::kWait, "Wait for Pixel", WaitForPicture);
  session.executors.RegisterAction(category::kWait, "Wait for Image", WaitForPicture);
  session.executors.RegisterAction(category::kSystem, "Image Capture", ImageCapture);
}

}  // namespace plumo
