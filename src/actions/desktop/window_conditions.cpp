// The window pieces of other categories: "IF Window Exists", "Wait for Window" and the Run
// action "Send Command"; and the registration of the window family.
#include "actions/desktop/window_actions.h"
#include "actions/desktop/window_activation.h"
#include "actions/desktop/window_finder.h"
#include "base/text.h"
#include "engine/run_controller.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "engine/waits.h"
#include "scripts/action_catalog.h"

namespace plumo {
namespace {

constexpr uint32_t kWindowPollMs = 1000;
constexpr uint32_t kNoWindowPauseMs = 250;

std::optional<bool> WindowExists(Session& session, int slot, int index) {
  const Step& step = session.scripts.StepAt(slot, index);
  const std::string text = session.ExpandStep(step.text, slot, index);
  const uint32_t window = FindMatchingWindow(session, SearchFlagsFromOptions(step.options), text, 0);
  if (session.run.logLevel >= 1)
    LogLine(session, FormatText("    Window:  [%s]  (%lu)", text.c_str(), static_cast<unsigned long>(window)));
  return window != 0;
}

// Whether the window the wait looks for is there (or gone, for "Close"); a window found
// becomes the Current Window when there is none.
WaitAnswer WindowWaitPoll(Session& session, int slot, int index) {
  const Step& step = session.scripts.StepAt(slot, index);
  const uint32_t window = FindMatchingWindow(session, SearchFlagsFromOptions(step.options),
                                             session.ExpandStep(step.text, slot, index), 0);
  std::string_view mode = step.value1;
  if (ContainsNoCase(mode, "Close")) return window == 0 ? WaitAnswer::Met() : WaitAnswer::NotYet();
  if (window == 0) return WaitAnswer::NotYet();
  if (ContainsNoCase(mode, "Activ") && window != TopWindow(session) && window != session.desktop().ForegroundWindow())
    return WaitAnswer::NotYet();
  if (session.currentWindow == 0) session.currentWindow = window;
  return WaitAnswer::Met();
}

// A window to be opened that is already there ends the wait before the first poll.
WaitAnswer WindowWaitStart(Session& session, int slot, int index) {
  const Step& step = session.scripts.StepAt(slot, index);
  if (!ContainsNoCase(step.value1, "Open")) return WaitAnswer::NotYet();
  const uint32_t flags = SearchFlagsFromOptions(step.options) | findflag::kFramedVisible;
  const uint32_t window = FindMatchingWindow(session, flags, session.ExpandStep(step.text, slot, index), 0);
  if (window == 0) return WaitAnswer::NotYet();
  if (session.currentWindow == 0) session.currentWindow = window;
  session.scripts.StepAt(slot, index).runCount = 1;  // the one look, counted as a poll would be
  return WaitAnswer::Met();
}

int SendCommand(Session& session, int slot, int index, bool) {
  if (!session.desktop().HasDesktop()) return NeedsDesktop(session, slot, index);
  const std::string text = session.ExpandStep(session.scripts.StepAt(slot, index).text, slot, index);
  if (text.empty()) return session.Fail("No program name or command line provided");
  if (session.currentWindow == 0) {
    session.clock().Sleep(kNoWindowPauseMs);
    session.currentWindow = session.desktop().ForegroundWindow();
  }
  session.desktop().Post(session.currentWindow, wm::kCommand, static_cast<uint32_t>(LeadingInteger(text)) & 0xFFFF, 0);
  return result::kSuccess;
}

}  // namespace

void RegisterWindowActions(Session& session) {
  session.executors.Register(category::kWindows, WindowExecutor);
  session.executors.Register(category::kMenu, MenuExecutor);
  session.waitConditions.Register("Window", WaitCondition{.start = WindowWaitStart,
                                                          .poll = WindowWaitPoll,
                                                          .firstPollMs = kWindowPollMs,
                                                          .periodMs = kWindowPollMs});
  session.executors.RegisterAction(category::kRun, "Send Command", SendCommand);
  session.conditions.Register("Window", WindowExists);
}

}  // namespace plumo
