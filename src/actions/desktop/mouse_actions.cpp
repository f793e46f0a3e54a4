#include "actions/desktop/mouse_actions.h"

#include "actions/desktop/image_search.h"
#include "actions/desktop/mouse_move.h"
#include "actions/desktop/window_actions.h"
#include "actions/desktop/window_activation.h"
#include "base/text.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "scripts/action_catalog.h"
#include "vars/condition.h"

namespace plumo {
namespace {

constexpr char kSavedX[] = "*\\UserVariables\\SavedMousePosition_X";
constexpr char kSavedY[] = "*\\UserVariables\\SavedMousePosition_Y";
constexpr uint32_t kForegroundSettleMs = 250;
constexpr uint32_t kShortestDoubleClickMs = 20;
constexpr uint32_t kQuickDoubleClickPauseMs = 10;

class StepExpander : public TextExpander {
 public:
  explicit StepExpander(Session& session) : session_(session) {}
  std::string Expand(std::string_view text, int slot, int index) override { return session_.ExpandStep(text, slot, index); }

 private:
  Session& session_;
};

bool Snap(const Step& step) { return ContainsNoCase(step.options, "Snap") || ContainsNoCase(step.value1, "Snap"); }

// Buttons are sent at `at`, where the cursor was put (or stays); see SendMouseButton.
void Click(Session& session, const Step& step, ScreenPoint at) {
  Desktop& d = session.desktop();
  auto button = [&](uint32_t flags, int32_t data = 0) { (void)d.SendMouseButton(flags, at, data); };
  std::string_view name = step.action, o = step.options;
  if (ContainsNoCase(name, "Click on Image") || ContainsNoCase(name, "Click on Masked Image")) {
    button(mouseevent::kLeftDown);
    button(mouseevent::kLeftUp);
    return;
  }
  if (!ContainsNoCase(name, "Click")) return;
  const bool down = ContainsNoCase(o, "Down"), up = ContainsNoCase(o, "Up");
  if (ContainsNoCase(o, "Left")) {
    if (ContainsNoCase(o, "Double")) {
      const uint32_t time = d.DoubleClickTime();
      button(mouseevent::kLeftDown);
      button(mouseevent::kLeftUp);
      session.clock().Sleep((time & ~1u) < kShortestDoubleClickMs ? kQuickDoubleClickPauseMs : time / 2);
      button(mouseevent::kLeftDown);
      button(mouseevent::kLeftUp);
      return;
    }
    if (down) button(mouseevent::kLeftDown);
    if (up) button(mouseevent::kLeftUp);
    // A button left down is let up when the run ends.
    if (down && !up) session.run.dragInProgress = 1;
    if (up) session.run.dragInProgress = 0;
  } else if (ContainsNoCase(o, "Right")) {
    if (down) button(mouseevent::kRightDown);
    if (up) button(mouseevent::kRightUp);
  } else if (ContainsNoCase(o, "Middle")) {
    if (down) button(mouseevent::kMiddleDown);
    if (up) button(mouseevent::kMiddleUp);
  } else if (ContainsNoCase(o, "Wheel")) {
    if (down) button(mouseevent::kWheel, -mouseevent::kWheelDelta);
    else if (up) button(mouseevent::kWheel, mouseevent::kWheelDelta);
  }
}

// The Current Window's top-left corner; a window that is not visible gives way to the
// foreground window.
ScreenPoint WindowOrigin(Session& session) {
  Desktop& d = session.desktop();
  auto visible = [&](uint32_t w) {
    return w && (d.WindowLong(w, gwl::kStyle) & ws::kVisible) != 0 && d.IsWindowVisible(w);
  };
  if (!visible(session.currentWindow)) {
    session.clock().Sleep(kForegroundSettleMs);
    session.currentWindow = d.ForegroundWindow();
  }
  const std::optional<WindowRect> r = d.GetWindowRect(session.currentWindow);
  return r ? ScreenPoint{r->left, r->top} : ScreenPoint{};
}

int MoveToWindow(Session& session, int slot, int index) {
  const Step& step = session.scripts.StepAt(slot, index);
  const uint32_t window = ResolveWindow(session, slot, index, step.text);
  if (!window) return result::kFailure;
  ActivateWindow(session, window, false);
  SmoothMoveToWindow(session, window, true, !Snap(step));
  return result::kSuccess;
}

int SavePosition(Session& session) {
  const ScreenPoint p = session.desktop().CursorPosition();
  session.settings().WriteNumber(kSavedX, static_cast<uint32_t>(p.x));
  session.settings().WriteNumber(kSavedY, static_cast<uint32_t>(p.y));
  return result::kSuccess;
}

}  // namespace

namespace {

int MoveAndClick(Session& session, const Step& step, ScreenPoint target) {
  Desktop& d = session.desktop();
  d.ShowCursor();
  if (target.x != kStayCoordinate && target.y != kStayCoordinate) {
    if (Snap(step)) d.SetCursorPos(target.x, target.y);
    else GlideTo(session, target);
  } else {
    target = d.CursorPosition();
  }
  Click(session, step, target);
  return result::kSuccess;
}

// A picture's middle, or the pixel itself. The place found is already on the screen, so
// "Relative To" adds nothing to it.
int MouseToPicture(Session& session, int slot, int index) {
  const SearchResult found = SearchFromStep(session, slot, index);
  if (found.failed()) return result::kFailure;
  if (!found.found()) {
    session.StoreOutput(slot, index, "0");
    return result::kFailure;
  }
  session.StoreOutput(slot, index, FormatText("%d, %d", found.x, found.y));
  return MoveAndClick(session, session.scripts.StepAt(slot, index), {found.x + found.width / 2, found.y + found.height / 2});
}

}  // namespace

int MouseAtPoint(Session& session, int slot, int index, ScreenPoint target) {
  Desktop& d = session.desktop();
  const Step& step = session.scripts.StepAt(slot, index);
  if (target.x == kStayCoordinate || target.y == kStayCoordinate) return MoveAndClick(session, step, target);
  if (ContainsNoCase(step.options, "window")) {
    const ScreenPoint origin = WindowOrigin(session);
    target = {target.x + origin.x, target.y + origin.y};
  } else if (ContainsNoCase(step.options, "current") && !step.text.empty()) {
    const ScreenPoint here = d.CursorPosition();
    target = {target.x + here.x, target.y + here.y};
  }
  return MoveAndClick(session, step, target);
}

int MouseExecutor(Session& session, int slot, int index, bool) {
  if (!session.desktop().HasDesktop()) return NeedsDesktop(session, slot, index);
  const Step& step = session.scripts.StepAt(slot, index);
  std::string_view name = step.action;
  if (ContainsNoCase(name, "Move to Window") || ContainsNoCase(name, "Move to Control")) return MoveToWindow(session, slot, index);
  if (ContainsNoCase(name, "Image") || ContainsNoCase(name, "Pixel")) return MouseToPicture(session, slot, index);
  if (ContainsNoCase(name, "Save Current Position")) return SavePosition(session);
  ScreenPoint target;
  if (ContainsNoCase(name, "Return to Saved Position")) {
    target = {session.settings().ReadNumber(kSavedX), session.settings().ReadNumber(kSavedY)};
  } else if (const std::string at = session.ExpandStep(step.text, slot, index);
             Trim(at).empty() || EqualsNoCase(Trim(at), "Current Position")) {  // the palette's choice
    target = session.desktop().CursorPosition();
  } else {
    StepExpander expander(session);
    const auto [x, y] = NumberPair(session.formulas, expander, step.text, slot, index);
    target = {x, y};
  }
  return MouseAtPoint(session, slot, index, target);
}

void RegisterMouseActions(Session& session) { session.executors.Register(category::kMouse, MouseExecutor); }

}  // namespace plumo
