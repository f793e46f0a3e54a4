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

namespace plumo {
namespace {

constexpr uint32_t kWindowPollMs = 1000;
constexpr uint32_t kNoWindowPauseMs = 250;
constexpr int kWaitCategory = 7;
constexpr int kRunCategory = 2;
constexpr int kWindowCategory = 3;
constexpr int kMenuCategory = 5;

Step& StepOf(Session& session, int slot, int index) { return session.scripts.At(slot)->steps[static_cast<size_t>(index)]; }

std::optional<bool> WindowExists(Session& session, int slot, int index) {
  const Step& step = StepOf(session, slot, index);
  const std::string text = session.ExpandStep(step.text, slot, index);
  const uint32_t window = FindMatchingWindow(session, SearchFlagsFromOptions(step.options), text, 0);
  if (session.run.logLevel >= 1)
    LogLine(session, FormatText("    Window:  [%s]  (%lu)", text.c_str(), static_cast<unsigned long>(window)));
  return window != 0;
}

// Whether the window the wait looks for is there (or gone, for "Close"); a window found
// becomes the Current Window when there is none.
bool WindowWaitMet(Session& session, int slot, int index) {
  const Step& step = StepOf(session, slot, index);
  const uint32_t window = FindMatchingWindow(session, SearchFlagsFromOptions(step.options),
                                             session.ExpandStep(step.text, slot, index), 0);
  std::string_view mode = step.value1;
  if (ContainsNoCase(mode, "Close")) return window == 0;
  if (window == 0) return false;
  if (ContainsNoCase(mode, "Activ") && window != TopWindow(session) && window != session.desktop().ForegroundWindow())
    return false;
  if (session.currentWindow == 0) session.currentWindow = window;
  return true;
}

int WaitForWindow(Session& session, int slot, int index, bool) {
  const Step& step = StepOf(session, slot, index);
  if (ContainsNoCase(step.value1, "Open")) {
    const uint32_t flags = SearchFlagsFromOptions(step.options) | findflag::kFramedVisible;
    if (uint32_t window = FindMatchingWindow(session, flags, session.ExpandStep(step.text, slot, index), 0)) {
      if (session.currentWindow == 0) session.currentWindow = window;
      return result::kSuccess;
    }
  }
  return FamilyConditionWait(session, slot, index, WindowWaitMet, kWindowPollMs);
}

int SendCommand(Session& session, int slot, int index, bool) {
  if (!session.desktop().HasDesktop()) return NeedsDesktop(session, slot, index);
  const std::string text = session.ExpandStep(StepOf(session, slot, index).text, slot, index);
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
  session.executors.Register(kWindowCategory, WindowExecutor);
  session.executors.Register(kMenuCategory, MenuExecutor);
  session.executors.RegisterAction(kWaitCategory, "Wait for Window", WaitForWindow);
  session.executors.RegisterAction(kRunCategory, "Send Command", SendCommand);
  session.conditions.Register("Window", WindowExists);
}

}  // namespace plumo
