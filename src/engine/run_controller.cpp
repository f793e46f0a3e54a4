#include "engine/run_controller.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "base/text.h"
#include "engine/failure.h"
#include "engine/run_log.h"
#include "engine/session.h"

namespace plumo {
namespace {

constexpr uint32_t kRunErrorStyle = msgbox::kIconExclamation | msgbox::kTaskModal | msgbox::kForeground;
constexpr uint32_t kInformationStyle = msgbox::kIconInformation | msgbox::kTaskModal | msgbox::kForeground;
constexpr uint32_t kEditorCloseSleepMs = 200;
constexpr char kScreenSaveActive[] = "HKEY_CURRENT_USER\\Control Panel\\Desktop\\ScreenSaveActive";

bool ValidCategory(int category) { return category >= 1 && category <= 16; }

bool SettingOn(Session& session, std::string_view path) { return session.settings().ReadNumber(path) != 0; }

// Log level, always-generate-output switch and highlight switch, read at each run's start.
void ReadRunSwitches(Session& session) {
  RunState& run = session.run;
  run.highlight = SettingOn(session, "*\\HiliteRunningStep") ? 1 : 0;
  run.alwaysOutput = SettingOn(session, "*\\Palettes\\Output\\AlwaysGenerateOutput") ? 1 : 0;
  run.logLevel = static_cast<uint8_t>(std::clamp(session.settings().ReadNumber("*\\LogLevel"), 0, 2));
  if (session.forcedLogLevel >= 0) run.logLevel = static_cast<uint8_t>(std::min(session.forcedLogLevel, 2));
  if (session.forcedOutput) run.alwaysOutput = 1;
}

void StopAtStep(Session& session, int slot, Step& step, int index) {
  const bool scriptExit = step.action.str().rfind("Exit ", 0) == 0;
  step.ranFlag = scriptExit ? ran::kSucceeded : ran::kRun;
  if (!scriptExit || session.StopRequested()) session.outcome.stopped = true;
  session.slots[static_cast<size_t>(slot)].runRepeats = 0;
  char text[64];
  std::snprintf(text, sizeof text, "Stopping run at [STEP %d]", index + 1);
  LogLine(session, text);
  StatusText(session, 0, true, text);
}

int Execute(Session& session, Step& step, int slot, int index) {
  const Executor* executor = session.executors.Find(step.category, step.action.str());
  if (!executor) {
    char text[128];
    std::snprintf(text, sizeof text, "Unknown Action (%d) \"%s\"", step.category, step.action.c_str());
    session.SetError(text);
    LogFormat(session, "    %s", text);
    return result::kSuccess;
  }
  if (step.category != 7) return (*executor)(session, slot, index, false);
  // Waits poll; they should not take the machine from the programs they wait for.
  Processes& processes = session.processes();
  const uint32_t before = processes.PriorityClass();
  processes.SetPriorityClass(priority::kIdle);
  int r = (*executor)(session, slot, index, false);
  processes.SetPriorityClass(before);
  return r;
}

// Leaves the popup of the last Step on the screen a moment before the summary.
void KeepPopupVisible(Session& session, const Step& step) {
  if (!ContainsNoCase(step.action, " Popup") && !ContainsNoCase(step.action, "Display Image")) return;
  int ms = LeadingInteger(step.timeout);
  if (ms > 0) session.clock().Sleep(static_cast<uint32_t>(std::clamp(ms, 1000, 3000)));
}

}  // namespace

int LeadingInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && !(text[i] >= '0' && text[i] <= '9')) ++i;
  if (i == text.size()) return 0;
  const bool negative = i > 0 && text[i - 1] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) value = std::min(value * 10 + (text[i] - '0'), 2147483648LL);
  if (negative) return static_cast<int>(-value);
  return static_cast<int>(std::min(value, 2147483647LL));
}

bool StartRun(Session& session, int slot, int command, bool freshStart, int startStep, uint32_t delayMs) {
  if (delayMs) session.clock().Sleep(delayMs);
  if (slot < 0 || slot >= ScriptSlots::kCount) return false;
  SlotRunState& slotState = session.slots[static_cast<size_t>(slot)];
  if (freshStart) {
    slotState.runRepeats = 0;
    session.outcome = RunOutcome{};
  }
  if (session.RunExists()) return false;
  Script* script = session.scripts.At(slot);
  if (!script || script->steps.empty()) {
    AskUser(session, kEmptyScriptMessage, "System Message", kInformationStyle);
    return false;
  }
  const int count = static_cast<int>(script->steps.size());
  if (startStep > count - 1) return false;

  RunView& view = session.view();
  const bool fullRun = command == runcmd::kRun || command == runcmd::kRunFromHere;
  for (int closed = view.CloseInPlaceEditors(); closed > 0; --closed) session.clock().Sleep(kEditorCloseSleepMs);
  if (fullRun && view.OutputExists() && SettingOn(session, "*\\Palettes\\Output\\RestartEachRun")) view.OutputClear();
  if (SettingOn(session, "*\\RestartLog")) std::remove(LogFilePath(session).c_str());

  if (command == runcmd::kRun) {
    if (SettingOn(session, "*\\ResetUserVariables") && view.StudioWindowCount() <= 1 &&
        !(session.startMode & kStartModeRunAtStart)) {
      session.settings().Delete("SOFTWARE\\Plumo\\UserVariables\\");
      view.ClearVariablesList();
    }
    for (Step& step : script->steps) {
      step.runCount = 0;
      step.ranFlag = ran::kNotRun;
    }
    if (view.ShowingRunResults()) view.RepaintSteps();
    session.currentWindow = 0;
    session.run.reactivateWindow = false;
    if (session.flow.reset) session.flow.reset(session, slot);
    session.RunResetHooks(slot);
  }
  if (fullRun) {
    session.settings().Delete("SOFTWARE\\Plumo\\FailStep");
    session.settings().Delete("SOFTWARE\\Plumo\\InterStepDelay-%d", {slot});
    session.run.heldModifiers = 0;
    // The header follows this run's logging settings, not the last run's.
    ReadRunSwitches(session);
    WriteRunHeader(session, slot);
  }
  if (SettingOn(session, "*\\DisableScreenSaver")) {
    std::string active = session.settings().ReadText(kScreenSaveActive, 16);
    session.settings().WriteText("*\\ScreenSaverHolder", active);
    session.settings().WriteText(kScreenSaveActive, "0");
  }
  session.run.stopRequest = 0;
  session.desktop().KeyPressedAsync(session.run.stopKey);  // forget a press from before the run

  startStep = std::clamp(startStep, 0, count - 1);
  if (fullRun && SettingOn(session, "*\\RunTrackingShow")) {
    view.TrackingClose();
    view.TrackingOpen();
  }
  if (view.ProgressExists() && SettingOn(session, "*\\Progress")) view.ProgressShow(0);
  if (fullRun) {
    view.SetRunningState(true);
    if (SettingOn(session, "*\\MinimizeStart") && !(session.startMode & kStartModeHidden)) view.Minimize();
  }
  RunParameter parameter{slot, command == runcmd::kRunSingleStep, startStep};
  if (command == runcmd::kRunSingleStep || command == runcmd::kRunFromHere)
    parameter.startStep += std::max(view.SelectedStep(), 0);
  return session.StartRunThread([&session, parameter] { RunStepLoop(session, parameter); });
}

void RunStepLoop(Session& session, RunParameter parameter) {
  const int slot = parameter.slot;
  const int singleTarget = parameter.singleStep ? parameter.startStep : -1;
  int lastEntered = -1;
  RunState& run = session.run;
  run.slot = slot;
  run.stepsRun = 0;

  Script* script = slot >= 0 && slot < ScriptSlots::kCount ? session.scripts.At(slot) : nullptr;
  const int start = parameter.startStep;
  if (!script || start < 0 || start >= static_cast<int>(script->steps.size()) ||
      !ValidCategory(script->steps[static_cast<size_t>(start)].category)) {
    char text[400];
    std::snprintf(text, sizeof text, "Invalid [STEP %d] in \"%s\"!\n\nDiscontinuing Execution", start + 1,
                  script ? script->path.c_str() : "");
    LogLine(session, text);
    AskUser(session, text, "Run Error", kRunErrorStyle);
    session.outcome.failed = true;
    // Let go of the thread first, so that Finish run cleans up instead of asking it to stop.
    session.ReleaseRunThread();
    FinishRun(session, slot, false, start, false);
    return;
  }

  SlotRunState& slotState = session.slots[static_cast<size_t>(slot)];
  int32_t delay = session.settings().ReadNumber("*\\InterStepDelay");
  if (delay == 0) delay = session.settings().ReadNumber("SOFTWARE\\Plumo\\InterStepDelay-%d", {slot});
  slotState.interStepDelay = delay > 0 ? static_cast<uint32_t>(delay) : 0;
  ReadRunSwitches(session);
  session.log.lastScroll = session.log.lastTracking = session.log.lastHighlight = 0;
  session.log.lastStatus = {};
  run.runStartTime = session.clock().TickCount();

  const int count = static_cast<int>(script->steps.size());
  int index = start;
  while (index < count) {
    if (singleTarget >= 0 && index != singleTarget) break;
    if (index < 0 || !ValidCategory(script->steps[static_cast<size_t>(index)].category)) {
      char text[160];
      std::snprintf(text, sizeof text, "Invalid next step in File %d at [STEP %d]!  Discontinuing Execution", slot + 1,
                    index + 1);
      session.SetError(text);
      LogLine(session, text);
      session.outcome.failed = true;
      break;
    }
    Step& step = script->steps[static_cast<size_t>(index)];
    if (step.Skipped()) {
      step.ranFlag = ran::kNotRun;
      if (run.logLevel == 2) LogFormat(session, "[STEP %d]: (SKIPPED) \"%s\"", index + 1, step.action.c_str());
      ++index;
      continue;
    }
    if (step.StopsAtBreakpoint()) {
      step.ranFlag = ran::kNotRun;
      char text[128];
      std::snprintf(text, sizeof text, "[STEP %d]: <<BREAKPOINT>> \"%s\"", index + 1, step.action.c_str());
      LogLine(session, text);
      StatusText(session, 0, true, text);
      break;
    }
    if (index != lastEntered) {
      StepBegin(session, slot, index);
      ++run.stepsRun;
      lastEntered = index;
      run.retryCounter = 0;
    }
    step.ranFlag = ran::kRun;
    ++step.runCount;
    run.nextStep = -1;
    run.keepRanFlag = false;

    const int r = Execute(session, step, slot, index);
    if (r == result::kStop || session.StopRequested()) {
      StopAtStep(session, slot, step, index);
      break;
    }
    if (r == result::kSuccess) {
      if (!run.keepRanFlag) step.ranFlag = ran::kSucceeded;
      if (run.logLevel == 2) LogFormat(session, "    [STEP %d] Return: Success", index + 1);
      const int next = run.nextStep;
      index = next >= 0 ? next : index + 1;
      if (slotState.interStepDelay > 0) session.clock().Sleep(slotState.interStepDelay);
      continue;
    }
    if (run.logLevel == 2) LogFormat(session, "    [STEP %d] Return: Failure", index + 1);
    const int next = HandleFailure(session, slot, index);
    if (next < 0) {
      (session.StopRequested() ? session.outcome.stopped : session.outcome.failed) = true;
      break;
    }
    index = next;
  }

  if (lastEntered >= 0 && lastEntered < count) KeepPopupVisible(session, script->steps[static_cast<size_t>(lastEntered)]);
  if (singleTarget < 0) WriteRunSummary(session, slot, index);
  session.ReleaseRunThread();
  // A run that ran off the end leaves its last Step selected.
  FinishRun(session, slot, false, std::min(index, count - 1), singleTarget >= 0);
}

void FinishRun(Session& session, int slot, bool confirmForce, int lastStep, bool keepResources) {
  RunView& view = session.view();
  RunState& run = session.run;
  session.RunFinishHooks(FinishPhase::kHelpers, slot);
  view.TrackingClose();

  if (session.RunExists()) {
    if (!confirmForce) {
      run.stopRequest = 1;
      LogLine(session, "Attempting to stop run...");
      view.BringRunFailureToFront();
      session.mainQueue().SetTimer(kGracefulStopTimer, kGracefulStopMs, [&session] {
        session.mainQueue().KillTimer(kGracefulStopTimer);
        StopRun(session, true);
      });
      return;
    }
    uint32_t style = msgbox::kOkCancel | kInformationStyle | (view.KeptOnTop() ? msgbox::kTopmost : 0);
    if (AskUser(session, kForceStopQuestion, "Stop Process", style) != answer::kOk) {
      LogLine(session, "Cancelling stop request - continuing script execution");
      run.stopRequest = 0;
      return;
    }
    session.slots[static_cast<size_t>(slot)].runRepeats = 0;
    OsError terminated;
    if (!session.WithRunThread([&](Worker& w) { terminated = w.Terminate(); })) return;  // ended meanwhile
    if (!terminated) {
      LogLine(session, "Run could not be terminated: " + terminated.ToString());
      return;
    }
    session.DropRunThread();
    session.outcome.stopped = true;
    LogLine(session, "Run forcibly terminated");
  }

  // Killed through the queue: a timer belongs to the main thread.
  session.mainQueue().Post([&session] { session.mainQueue().KillTimer(kGracefulStopTimer); });
  session.RunFinishHooks(FinishPhase::kTrackedProgram, slot);

  if (const uint32_t mask = run.heldModifiers.exchange(0)) {
    LogLine(session, "WARNING!  Key was pressed with the {-Down} TYPE command, but not released with {-Up}");
    if (mask & held::kControl) session.desktop().ReleaseKey(vk::kControl, true);
    if (mask & held::kShift) session.desktop().ReleaseKey(vk::kShift, false);
    if (mask & held::kAlt) session.desktop().ReleaseKey(vk::kMenu, false);
  }
  if (run.dragInProgress.exchange(0)) {
    session.desktop().ReleaseLeftButton();
    LogLine(session, "WARNING!  Mouse drag was started, but the mouse button was not let up");
  }
  if (!keepResources) session.RunFinishHooks(FinishPhase::kResources, slot);
  session.RunFinishHooks(FinishPhase::kTray, slot);

  if (SettingOn(session, "*\\DisableScreenSaver")) {
    std::string heldText = session.settings().ReadText("*\\ScreenSaverHolder", 256);
    session.settings().Delete("SOFTWARE\\Plumo\\ScreenSaverHolder");
    session.settings().WriteText(kScreenSaveActive, heldText);
  }
  if (view.Minimized() && SettingOn(session, "*\\MinimizeStart") && !(session.startMode & kStartModeHidden))
    view.RestoreAndActivate();
  view.ProgressHide();
  view.SetRunningState(false);

  int loopValue = 0, loopEnd = 0;
  if (session.flow.openLoop && session.flow.openLoop(session, slot, &loopValue, &loopEnd) && loopValue != 0)
    StatusText(session, 2, true, "Loop: " + std::to_string(loopValue));

  if (view.StepListExists()) {
    const int selected = view.SelectedStep();
    if (lastStep >= 0 || selected >= 0) {
      view.ClearSelection();
      if (run.highlight && lastStep >= 0)
        view.SelectStep(lastStep);
      else if (selected >= 0)
        view.SelectStep(selected);
    }
    if (view.ShowingRunResults()) view.RepaintSteps();
  }
  view.OutputScrollToEnd();
  session.mainQueue().Post([&session] { session.view().RunEnded(); });

  SlotRunState& slotState = session.slots[static_cast<size_t>(slot)];
  int32_t repeats = slotState.runRepeats;
  if (repeats < 1) {
    if (session.startMode & kStartModeHidden) session.mainQueue().Post([&session] { session.view().CloseMainWindow(); });
    return;
  }
  if (repeats != kRepeatForever && --repeats == 0) repeats = -1;
  slotState.runRepeats = repeats;
  session.mainQueue().Post([&session, slot] {
    if (!StartRun(session, slot, runcmd::kRun, false, 0, 0) && (session.startMode & kStartModeHidden))
      session.view().CloseMainWindow();
  });
}

void PauseResume(Session& session) {
  RunState& run = session.run;
  const bool pausing = run.paused == 0;
  OsError error;
  if (!session.WithRunThread([&](Worker& w) { error = pausing ? w.Suspend() : w.Resume(); })) return;
  if (!error) {
    LogLine(session, std::string(pausing ? "Pause" : "Resume") + " refused: " + error.ToString());
    return;
  }
  run.paused = pausing ? 1 : 0;
  session.view().ShowPaused(pausing);
}

void StopRun(Session& session, bool fromKey) {
  if (!session.RunExists()) return;
  if (session.run.paused) PauseResume(session);
  const int slot = session.run.slot;
  if (fromKey) {
    FinishRun(session, slot, true, -1, false);
    return;
  }
  LogFormat(session, "<<< STOP RUN REQUEST >>>   %s",
            session.desktop().KeyPressedAsync(session.run.stopKey) ? "(via keypress)" : "(via menu)");
  FinishRun(session, slot, false, -1, false);
}

}  // namespace plumo
