#include "actions/integration/recording/recording_actions.h"

#include "actions/desktop/window_actions.h"
#include "actions/integration/recording/recorder.h"
#include "actions/integration/recording/recording_player.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "scripts/action_catalog.h"

namespace plumo {
namespace {

// Played from the run thread: the hardware player needs no window of its own, and a main-thread
// timer would only add a hand-over that the engine offers to dialogs and DLL calls alone.
int PlayRecording(Session& s, int slot, int index, bool) {
  const Step& step = s.scripts.StepAt(slot, index);
  if (step.text.empty()) return result::kSuccess;
  ParsedRecording parsed = ParseRecordingText(step.text);
  if (parsed.events.empty()) {
    LogFormat(s, "    (%s)", parsed.problem.c_str());
    return s.Fail("Invalid Recording");
  }
  Desktop& d = s.desktop();
  if (!d.HasDesktop()) return NeedsDesktop(s, slot, index);
  if (MethodOfOptions(step.options) == RecordingMethod::kSoftware)
    LogLine(s, "    (the \"Software\" recording method is not available: playing with the \"Hardware\" method)");
  LogLine(s, "    (using \"Hardware\" recording method)");

  const uint8_t stopKey = s.run.stopKey.load();
  (void)d.KeyPressedAsync(stopKey);  // forgets a press from before
  HardwarePlayer player(d, s.clock(), std::move(parsed.events), SpeedOfOptions(step.options));
  OsError error;
  const PlayEnd end = PlayPaced(player, s.clock(), [&] {
    if (!s.AwaitResume()) return PlayCheck::kStop;
    return d.KeyPressedAsync(stopKey) ? PlayCheck::kCancel : PlayCheck::kGoOn;
  }, &error);
  switch (end) {
    case PlayEnd::kDone: break;
    case PlayEnd::kCancelled: LogLine(s, "    (playback cancelled by the stop key)"); return result::kSuccess;
    case PlayEnd::kStopped: return result::kStop;
    case PlayEnd::kCannotBegin:
      LogFormat(s, "    (%s)", error.ToString().c_str());
      return s.Fail("Unable to play recording");
  }
  if (player.leftClickPlayed() && !s.SleepInRun(d.DoubleClickTime() / 2)) return result::kStop;
  return result::kSuccess;
}

}  // namespace

void RegisterRecordingActions(Session& session) {
  session.executors.RegisterAction(category::kHardware, "Recording", PlayRecording);
}

}  // namespace plumo
