#include "actions/desktop/picture_steps.h"

#include <optional>
#include <string>

#include "actions/desktop/bmp_file.h"
#include "actions/desktop/colour_text.h"
#include "actions/desktop/image_search.h"
#include "base/text.h"
#include "engine/run_controller.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "engine/waits.h"
#include "scripts/action_catalog.h"

namespace plumo {
namespace {

constexpr uint32_t kFirstPollMs = 1000;
constexpr uint32_t kPollMs = 3000;
constexpr uint32_t kForegroundSettleMs = 250;

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
  Step& step = session.scripts.StepAt(slot, index);
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
  if (ContainsNoCase(session.scripts.StepAt(slot, index).action, "Pixel Equals")) return PixelEquals(session, slot, index);
  const SearchResult r = SearchFromStep(session, slot, index);
  if (r.failed()) return std::nullopt;
  if (r.found()) session.StoreOutput(slot, index, FormatText("%d, %d", r.x, r.y));
  return r.found();
}

// Wait for Pixel and Wait for Image: one search per look, on the main thread like every
// condition wait, so a stop or a pause is answered between looks.
WaitAnswer PictureWaitPoll(Session& session, int slot, int index) {
  const SearchResult r = SearchFromStep(session, slot, index);
  if (r.failed()) return WaitAnswer::Failed(session.run.errorText);
  return r.found() ? WaitAnswer::Met() : WaitAnswer::NotYet();
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
  Step& step = session.scripts.StepAt(slot, index);
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
  for (const char* keyword : {"Pixel", "Image"})
    session.waitConditions.Register(keyword, WaitCondition{.poll = PictureWaitPoll, .firstPollMs = kFirstPollMs, .periodMs = kPollMs});
  session.executors.RegisterAction(category::kSystem, "Image Capture", ImageCapture);
}

}  // namespace plumo
