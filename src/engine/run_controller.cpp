#include "engine/run_controller.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>

#include "base/text.h"
#include "engine/failure.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "scripts/action_catalog.h"

namespace plumo {
namespace {

constexpr uint32_t kRunErrorStyle = msgbox::kIconExclamation | msgbox::kTaskModal | msgbox::kForeground;
constexpr uint32_t kInformationStyle = msgbox::kIconInformation | msgbox::kTaskModal | msgbox::kForeground;
constexpr uint32_t kEditorCloseSleepMs = 200;
constexpr char kScreenSaveActive[] = "HKEY_CURRENT_USER\\Control Panel\\Desktop\\ScreenSaveActive";

bool SettingOn(Session& session, std::string_view path) { return session.settings().ReadNumber(path) != 0; }

// Log level, always-generate-output switch and highlight switch, read at each run's start
// (on the main thread for the header, on the run thread at the loop's start).
void ReadRunSwitches(Session& session) {
  RunState& run = session.run;
  run.highlight = SettingOn(session, "*\\HiliteRunningStep") ? 1 : 0;
  run.alwaysOutput = SettingOn(session, "*\\Palettes\\Output\\AlwaysGenerateOutput") ? 1 : 0;
  run.logLevel = static_cast<uint8_t>(std::clamp(session.settings().ReadNumber("*\\LogLevel"), 0, 2));
  if (session.forcedLogLevel >= 0) run.logLevel = static_cast<uint8_t>(std::min(session.forcedLogLevel, 2));
  if (session.forcedOutput) run.alwaysOutput = 1;
}

// The run stops at a Step it entered (step) or in front of one it was about to enter (null).
void StopAtStep(Session& session, int slot, Step* step, int index) {
  const bool scriptExit = step && step->action.str().rfind("Exit ", 0) == 0;
  if (step) step->ranFlag = scriptExit ? ran::kSucceeded : ran::kRun;
  if (!scriptExit || session.StopRequested()) session.outcome.stopped = true;
  session.slots[static_cast<size_t>(slot)].runRepeats = 0;
  char text[64];
  std::snprintf(text, sizeof text, "Stopping run at [STEP %d]", index + 1);
  LogLine(session, text);
  StatusText(session, 0, true, text);
}

void LogPriorityFailure(Session& session, const OsError& e) {
  if (!e.ok()) LogLine(session, "    The priority of the process could not be changed: " + e.ToString());
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
  if (step.category != category::kWait) return (*executor)(session, slot, index, false);
  // Waits poll; they should not take the machine from the programs they wait for.
  Processes& processes = session.processes();
  const uint32_t before = processes.PriorityClass();
  LogPriorityFailure(session, processes.SetPriorityClass(priority::kIdle));
  int r = (*executor)(session, slot, index, false);
  LogPriorityFailure(session, processes.SetPriorityClass(before));
  return r;
}

// Leaves the popup of the last Step on the screen a moment before the summary.
void KeepPopupVisible(Session& session, const Step& step) {
  if (!ContainsNoCase(step.action, " Popup") && !ContainsNoCase(step.action, "Display Image")) return;
  int ms = LeadingInteger(step.timeout);
  if (ms > 0) session.clock().Sleep(static_cast<uint32_t>(std::clamp(ms, 1000, 3000)));
}

// The run thread leaves the step loop: the run is Finishing and its clean-up runs here, unless a
// forced stop has taken it over (the thread is then being terminated).
void LeaveRun(Session& session, int slot, int lastStep, bool keepResources) {
  RunPhase expected = RunPhase::kRunning;
  while (!session.run.phase.compare_exchange_weak(expected, RunPhase::kFinishing)) {
    if (expected == RunPhase::kTerminating) std::this_thread::yield();
    else if (expected != RunPhase::kRunning) return;
    expected = RunPhase::kRunning;
  }
  CleanUpRun(session, slot, lastStep, keepResources);
}

void ReleaseHeld(Session& session, const OsError& e) {
  if (!e.ok()) LogLine(session, "WARNING!  Could not release a key or button: " + e.ToString());
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
  if (freshStart) slotState.runRepeats = 0;
  if (session.run.phase == RunPhase::kBroken) {
    LogLine(session, Session::kBrokenMessage);
    AskUser(session, Session::kBrokenMessage, "Run Error", kRunErrorStyle);
    return false;
  }
  if (session.RunExists()) return false;
  // Not before: a run that exists owns its outcome.
  if (freshStart) session.outcome = RunOutcome{};
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
  if (SettingOn(session, "*\\RestartLog")) {
    const std::string log = LogFilePath(session);
    if (OsError e = session.files().Delete(log); !e.ok())
      LogLine(session, "The log file could not be restarted: " + e.ToString());
  }

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
  session.CancelStop();
  session.SetPaused(false);
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
  session.run.slot = slot;
  session.scripts.SetRunning(slot, true);
  if (session.StartRunThread([&session, parameter] { RunStepLoop(session, parameter); })) return true;
  session.scripts.SetRunning(slot, false);
  return false;
}

void RunStepLoop(Session& session, RunParameter parameter) {
  const int slot = parameter.slot;
  const int singleTarget = parameter.singleStep ? parameter.startStep : -1;
  int lastEntered = -1;
  RunState& run = session.run;
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
    LeaveRun(session, slot, start, false);
    return;
  }

  SlotRunState& slotState = session.slots[static_cast<size_t>(slot)];
  int32_t delay = session.settings().ReadNumber("*\\InterStepDelay");
  if (delay == 0) delay = session.settings().ReadNumber("SOFTWARE\\Plumo\\InterStepDelay-%d", {slot});
  slotState.interStepDelay = delay > 0 ? static_cast<uint32_t>(delay) : 0;
  ReadRunSwitches(session);
  {
    std::lock_guard<std::mutex> lock(session.log.mu);
    session.log.lastScroll = session.log.lastTracking = session.log.lastHighlight = 0;
    session.log.lastStatus = {};
  }
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
    // A paused run waits here; a stop that came meanwhile ends it in front of the Step.
    if (!session.AwaitResume()) {
      StopAtStep(session, slot, index == lastEntered ? &step : nullptr, index);
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
      StopAtStep(session, slot, &step, index);
      break;
    }
    if (r == result::kSuccess) {
      if (!run.keepRanFlag) step.ranFlag = ran::kSucceeded;
      if (run.logLevel == 2) LogFormat(session, "    [STEP %d] Return: Success", index + 1);
      const int next = run.nextStep;
      index = next >= 0 ? next : index + 1;
      if (slotState.interStepDelay > 0 && !session.SleepInRun(slotState.interStepDelay) && index < count) {
        StopAtStep(session, slot, nullptr, index);
        break;
      }
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
  // A run that ran off the end leaves its last Step selected.
  LeaveRun(session, slot, std::min(index, count - 1), singleTarget >= 0);
}

void InterruptRun(Session& session) {
  session.RequestStop();
  session.RunInterruptHooks();
}

void FinishRun(Session& session, bool confirmForce) {
  // A run that has left its Steps is already cleaning up by itself.
  if (session.run.phase != RunPhase::kRunning) return;
  RunView& view = session.view();
  const int slot = session.run.slot;
  if (!confirmForce) {
    InterruptRun(session);
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
    session.CancelStop();
    return;
  }
  session.slots[static_cast<size_t>(slot)].runRepeats = 0;
  if (OsError e = session.TerminateRunThread(); !e.ok()) {
    if (session.run.phase == RunPhase::kRunning) LogLine(session, "Run could not be terminated: " + e.ToString());
    return;
  }
  session.outcome.stopped = true;
  LogLine(session, "Run forcibly terminated");
  CleanUpRun(session, slot, -1, false);
  session.run.phase = RunPhase::kBroken;
}

void CleanUpRun(Session& session, int slot, int lastStep, bool keepResources) {
  RunView& view = session.view();
  RunState& run = session.run;
  session.RunFinishHooks(FinishPhase::kHelpers, slot);
  view.TrackingClose();

  // Killed through the queue: a timer belongs to the main thread.
  session.mainQueue().Post([&session] { session.mainQueue().KillTimer(kGracefulStopTimer); });
  session.RunFinishHooks(FinishPhase::kTrackedProgram, slot);

  if (const uint32_t mask = run.heldModifiers.exchange(0)) {
    LogLine(session, "WARNING!  Key was pressed with the {-Down} TYPE command, but not released with {-Up}");
    if (mask & held::kControl) ReleaseHeld(session, session.desktop().ReleaseKey(vk::kControl, true));
    if (mask & held::kShift) ReleaseHeld(session, session.desktop().ReleaseKey(vk::kShift, false));
    if (mask & held::kAlt) ReleaseHeld(session, session.desktop().ReleaseKey(vk::kMenu, false));
  }
  if (run.dragInProgress.exchange(0)) {
    ReleaseHeld(session, session.desktop().ReleaseLeftButton());
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
  if (run.paused.exchange(0)) view.ShowPaused(false);

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

  SlotRunState& slotState = session.slots[static_cast<size_t>(slot)];
  int32_t repeats = slotState.runRepeats;
  const bool again = repeats >= 1;
  if (again) {
    if (repeats != kRepeatForever && --repeats == 0) repeats = -1;
    slotState.runRepeats = repeats;
  }
  session.scripts.SetRunning(slot, false);
  MainQueue& queue = session.mainQueue();
  // The run is over here; what follows only posts to the main thread.
  run.phase = RunPhase::kIdle;
  queue.Post([&session] { session.view().RunEnded(); });
  if (!again) {
    if (session.startMode & kStartModeHidden) queue.Post([&session] { session.view().CloseMainWindow(); });
    return;
  }
  queue.Post([&session, slot] {
    if (!StartRun(session, slot, runcmd::kRun, false, 0, 0) && (session.startMode & kStartModeHidden))
      session.view().CloseMainWindow();
  });
}

void PauseResume(Session& session) {
  if (session.run.phase != RunPhase::kRunning) return;
  const bool pausing = session.run.paused == 0;
  session.SetPaused(pausing);
  session.view().ShowPaused(pausing);
}

void StopRun(Session& session, bool fromKey) {
  if (!session.RunExists()) return;
  if (session.run.paused) PauseResume(session);
  if (fromKey) {
    FinishRun(session, true);
    return;
  }
  LogFormat(session, "<<< STOP RUN REQUEST >>>   %s",
            session.desktop().KeyPressedAsync(session.run.stopKey) ? "(via keypress)" : "(via menu)");
  FinishRun(session, false);
}

}  // namespace plumo
