#include "actions/desktop/window_activation.h"

#include <string>

#include "actions/desktop/window_finder.h"
#include "base/text.h"
#include "engine/run_log.h"
#include "engine/session.h"

namespace plumo {
namespace {

constexpr int kTabStopSteps = 1024;
constexpr int kWalkLimit = 100000;  // the Z order may change under the walk
constexpr uint32_t kHotKeyTimeoutMs = 1000;
constexpr char kTopmostMessageClass[] = "PlumoTopmostMessage";

class ActivationLog {
 public:
  explicit ActivationLog(Session& session)
      : session_(session), level_(session.RunExists() ? session.run.logLevel.load() : 0) {}
  void Line(const std::string& text) {
    if (level_ >= 1) LogLine(session_, text);
  }
  void Trace(const char* mark) {
    if (level_ >= 2) LogLine(session_, FormatText("    TRACE [%s]: %lu", mark, static_cast<unsigned long>(session_.clock().TickCount())));
  }

 private:
  Session& session_;
  uint8_t level_;
};

bool FramedVisibleTopLevel(Session& session, uint32_t w) {
  Desktop& d = session.desktop();
  return d.IsWindowVisible(w) && IsFramed(session, w) && d.WalkWindows(w, WindowStep::kParent) == 0;
}

uint32_t StyleOf(Desktop& d, uint32_t w) { return static_cast<uint32_t>(d.WindowLong(w, gwl::kStyle)); }

}  // namespace

uint32_t NextInputControl(Session& session, uint32_t w) {
  Desktop& d = session.desktop();
  const uint32_t dialog = d.WalkWindows(w, WindowStep::kParent);
  uint32_t at = w;
  for (int step = 0; step < kTabStopSteps && ControlTypeOfWindow(session, at) == ControlType::kStatic; ++step) {
    const uint32_t next = d.GetNextDlgTabItem(dialog, at);
    if (next == 0 || next == w) break;
    at = next;
  }
  return at;
}

namespace {

// Runs fn with this thread's input attached to `other`'s thread (or the other way round when
// that is refused), and detaches the same way.
template <typename Fn>
void WithAttachedInput(Desktop& d, uint32_t from, uint32_t to, Fn fn) {
  bool attached = from != to && d.AttachThreadInput(from, to, true);
  const bool reversed = !attached && from != to && d.AttachThreadInput(to, from, true);
  fn();
  if (attached) d.AttachThreadInput(from, to, false);
  if (reversed) d.AttachThreadInput(to, from, false);
}

bool Holds(const WindowRect& r, int32_t x, int32_t y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }
int64_t Area(const WindowRect& r) { return static_cast<int64_t>(r.right - r.left) * (r.bottom - r.top); }

}  // namespace

ControlType ControlTypeOfWindow(Session& session, uint32_t window) {
  Desktop& d = session.desktop();
  return ControlTypeOf(d.ClassName(window), StyleOf(d, window));
}

void ActivateWindow(Session& session, uint32_t window, bool force) {
  Desktop& d = session.desktop();
  ActivationLog log(session);
  const bool exists = window != 0 && d.IsWindow(window);
  const bool visible = d.IsWindowVisible(window), iconic = d.IsIconic(window);
  const bool popup = visible && IsFramed(session, window);
  const bool application = popup && d.WalkWindows(window, WindowStep::kParent) == 0;
  log.Line(FormatText("    Activate: HWND=%lu, IsWindow=%d, IsWindowVisible=%d, IsIconic=%d, is_popup=%d, "
                      "is_real_app_window=%d, Force=%d",
                      static_cast<unsigned long>(window), exists, visible, iconic, popup, application, force));
  if (!exists) return;

  if (d.ForegroundWindow() == window && !iconic && visible) {
    log.Trace("1");
    d.BringWindowToTop(window);
    d.SetFocus(window);
    return;
  }
  if (!force && application) {
    log.Trace("2");
    d.SetForegroundWindow(window);
    if (d.ForegroundWindow() == window && FramedVisibleTopLevel(session, window) && !d.IsIconic(window)) {
      log.Trace("3");
      log.Line("    Activate: Method=Quick Foreground");
      d.SetActiveWindow(window);
      d.SetFocus(window);
      return;
    }
  }
  log.Trace("4");
  // Bounded: a hung window must not hold the run.
  d.Send(window, wm::kSysCommand, sc::kHotKey, window, kHotKeyTimeoutMs);
  uint32_t target = window;
  if (ControlTypeOfWindow(session, window) == ControlType::kStatic) {
    target = NextInputControl(session, window);
    const ControlType type = ControlTypeOfWindow(session, target);
    if (type == ControlType::kEdit || type == ControlType::kMultilineEdit) d.Send(target, wm::kEmSetSel, 0, -1, kHotKeyTimeoutMs);
  }
  log.Trace("5");
  log.Line(force ? "    Activate: Method=Force" : "    Activate: Method=Normal");

  if (force) {
    log.Trace("6");
    const uint32_t foregroundThread = d.GetWindowThreadProcessId(d.ForegroundWindow(), nullptr);
    WithAttachedInput(d, foregroundThread, d.GetCurrentThreadId(), [&] {
      d.SetForegroundWindow(target);
      d.BringWindowToTop(target);
      d.SetFocus(target);
    });
    log.Trace("7");
  }

  const uint32_t parent = d.WalkWindows(target, WindowStep::kParent);
  const bool framedVisible = d.IsWindowVisible(target) && IsFramed(session, target);
  if ((framedVisible && !(StyleOf(d, target) & ws::kChild)) || parent == 0) {
    log.Trace("9");
    d.SetForegroundWindow(target);
    d.BringWindowToTop(target);
    d.SetActiveWindow(target);
    if (d.IsIconic(target)) d.ShowWindow(target, sw::kRestore);
    d.ShowWindow(target, sw::kShow);
    d.SetFocus(target);
    return;
  }
  uint32_t ancestor = parent;
  int level = 1;
  for (uint32_t up = d.WalkWindows(ancestor, WindowStep::kParent); up && level < kParentLevels;
       up = d.WalkWindows(ancestor, WindowStep::kParent)) {
    ancestor = up;
    ++level;
  }
  log.Line(FormatText("    Activate: Parent level #%d activation, IsIconic=%d", level, d.IsIconic(ancestor)));
  log.Trace("8");
  if (d.IsIconic(ancestor)) d.ShowWindow(ancestor, sw::kRestore);
  d.SetForegroundWindow(ancestor);
  d.BringWindowToTop(ancestor);
  d.SetActiveWindow(target);
  if (d.IsIconic(target)) d.ShowWindow(target, sw::kRestore);
  d.ShowWindow(target, sw::kShow);
  d.SetFocus(target);
}

uint32_t FocusedControl(Session& session) {
  Desktop& d = session.desktop();
  const uint32_t foregroundThread = d.GetWindowThreadProcessId(d.ForegroundWindow(), nullptr);
  uint32_t focus = 0;
  WithAttachedInput(d, d.GetCurrentThreadId(), foregroundThread, [&] { focus = d.GetFocus(); });
  return focus;
}

uint32_t TopLevelWindowAt(Session& session, int32_t x, int32_t y) {
  Desktop& d = session.desktop();
  uint32_t w = d.ForegroundWindow();
  for (int step = 0; w && step < kWalkLimit; ++step, w = d.WalkWindows(w, WindowStep::kNext)) {
    if (step > 0 && !FramedVisibleTopLevel(session, w)) continue;
    std::optional<WindowRect> r = d.GetWindowRect(w);
    if (r && Holds(*r, x, y)) return w;
  }
  return d.DesktopWindow();
}

uint32_t ChildControlAt(Session& session, int32_t x, int32_t y) {
  Desktop& d = session.desktop();
  uint32_t pick = d.WindowFromPoint(x, y);
  const uint32_t parent = d.WalkWindows(pick, WindowStep::kParent);
  if (!pick || !parent) return pick;
  int64_t area = Area(d.GetWindowRect(pick).value_or(WindowRect{}));
  uint32_t sibling = d.WalkWindows(pick, WindowStep::kNext);
  for (int step = 0; sibling && step < kWalkLimit; ++step, sibling = d.WalkWindows(sibling, WindowStep::kNext)) {
    std::optional<WindowRect> r = d.GetWindowRect(sibling);
    if (!r || !d.IsWindowVisible(sibling) || d.WalkWindows(sibling, WindowStep::kParent) != parent) continue;
    if (Holds(*r, x, y) && Area(*r) < area) {
      pick = sibling;
      area = Area(*r);
    }
  }
  return pick;
}

uint32_t TopWindow(Session& session) {
  Desktop& d = session.desktop();
  uint32_t w = d.ForegroundWindow();
  for (int step = 0; w && step < kWalkLimit; ++step, w = d.WalkWindows(w, WindowStep::kNext)) {
    if (d.IsWindowVisible(w) && IsFramed(session, w) && (StyleOf(d, w) & ws::kVisible) &&
        !EqualsNoCase(d.ClassName(w), kTopmostMessageClass))
      return w;
  }
  return 0;
}

uint32_t HandleFromText(std::string_view text) {
  if (text.find_first_of("xXhH#") == std::string_view::npos) return HandleFieldValue(text);
  return HandleFieldValue("#" + std::string(text));
}

uint32_t ResolveWindow(Session& session, int slot, int index, std::string_view windowText) {
  Desktop& d = session.desktop();
  const Step& step = session.scripts.At(slot)->steps[static_cast<size_t>(index)];
  std::string_view options = step.options;
  const bool byTitle = ContainsNoCase(options, "Title");
  const bool byHandle = ContainsNoCase(options, "Handle") || ContainsNoCase(options, "HWND");
  if ((byTitle || byHandle) && !ContainsNoCase(options, "Use")) {
    const std::string text = session.ExpandStep(windowText, slot, index);
    uint32_t window = 0;
    if (byTitle) {
      window = FindMatchingWindow(session, findflag::kExactTitle, text, 0);
      if (!window) window = FindMatchingWindow(session, findflag::kPartialTitle, text, 0);
    } else {
      window = HandleFromText(text);
      if (!d.IsWindow(window)) window = 0;
    }
    if (!window) session.SetError(FormatText("Unable to find window '%s'", text.c_str()));
    return window;
  }
  uint32_t window = 0;
  if (!ContainsNoCase(options, "Top")) {
    const uint32_t current = session.currentWindow;
    window = d.IsWindow(current) ? current : d.ForegroundWindow();
  } else {
    window = TopWindow(session);
  }
  if (!window) session.SetError(FormatText("Unable to find window '%s'", session.ExpandStep(windowText, slot, index).c_str()));
  return window;
}

}  // namespace plumo
