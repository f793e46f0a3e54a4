#include "engine/failure.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "actions/desktop/bmp_file.h"
#include "base/text.h"
#include "engine/run_controller.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "scripts/action_catalog.h"

namespace plumo {
namespace {

constexpr uint32_t kFailureStyle = msgbox::kIconExclamation | msgbox::kTaskModal | msgbox::kForeground;
constexpr uint32_t kAskStyle = msgbox::kYesNo | kFailureStyle;
constexpr size_t kProgramWidth = 259;
constexpr size_t kNumberedValueWidth = 32;

struct ModeKeyword {
  const char* keyword;
  FailureMode mode;
};
// "ERROR AND CONTINUE" is told apart from "ERROR" inside the error branch.
constexpr ModeKeyword kModeKeywords[] = {
    {"RETRY", FailureMode::kRetry},       {"ERROR", FailureMode::kError}, {"SILENT", FailureMode::kSilent},
    {"ASK", FailureMode::kAsk},           {"JUMP", FailureMode::kJump},   {"VARIABLE", FailureMode::kVariable},
    {"RESTART", FailureMode::kRestart},   {"PROGRAM", FailureMode::kProgram},
};

void TakeSnapshot(Session& session, int index) {
  std::string base = LogFilePath(session);
  size_t dot = base.rfind('.');
  if (dot != std::string::npos) base.resize(dot);
  SystemTime t = session.clock().LocalTime();
  std::string path = FormatText("%s [Step %d] FAILURE %04d-%02d-%02d_%02d%02d%02d.bmp", base.c_str(), index + 1, t.year,
                            t.month, t.day, t.hour, t.minute, t.second);
  OsError e;
  if (std::optional<Picture> shot = session.desktop().CaptureScreen(session.desktop().VirtualScreen(), false, &e))
    e = SaveBmp(session.files(), path, *shot);
  if (!e.ok()) LogLine(session, "    No failure snapshot could be taken: " + e.ToString());
}

// The Step the failure mode jumps to, or -1.
int JumpTarget(Session& session, const Script& script, const Step& failed) {
  std::string_view label = failed.onfailValue;
  const bool stepForm = StartsWithNoCase(label, "{STEP");
  const int wanted = stepForm ? LeadingInteger(label.substr(5)) : 0;
  for (size_t i = 0; i < script.steps.size(); ++i) {
    const Step& s = script.steps[i];
    if (s.Skipped()) continue;
    const bool match = stepForm ? wanted == static_cast<int>(i) + 1
                                : EqualsNoCase(s.action, "Label") && EqualsNoCase(s.text, label);
    if (match) {
      LogLine(session, FormatText("    Jumping to label \"%s\" [%s - STEP %d]", failed.onfailValue.c_str(),
                              ScriptFileName(script.path).c_str(), static_cast<int>(i) + 1));
      return static_cast<int>(i);
    }
  }
  LogLine(session, FormatText("    Label \"%s\" not found", failed.onfailValue.c_str()));
  return -1;
}

bool NumberedVariable(std::string_view name, int* number) {
  if (name.size() != 3 || name[0] != '{' || name[2] != '}' || name[1] < '1' || name[1] > '9') return false;
  *number = name[1] - '0';
  return true;
}

void IncrementVariable(Session& session, int slot, int index, const Step& step) {
  std::string_view name = step.onfailValue;
  if (name.empty()) return;
  RunVariables* variables = session.variables();
  if (!variables) {
    LogLine(session, FormatText("    Incrementing variable '%s' needs the variable store, which is not built yet",
                            step.onfailValue.c_str()));
    return;
  }
  const int value = LeadingInteger(variables->Expand(name)) + 1;
  const std::string text = std::to_string(value);
  int number = 0;
  if (NumberedVariable(name, &number))
    variables->SetNumbered(number, Bounded(text, kNumberedValueWidth));
  else
    variables->StoreInto(slot, index, "Variable", name, text);
  LogLine(session, FormatText("    Incrementing variable '%s' = %d", step.onfailValue.c_str(), value));
}

}  // namespace

uint32_t RetryPauseMs(double timeoutMs) {
  return static_cast<uint32_t>(std::clamp(timeoutMs / 20.0, double(kRetryPauseMinMs), double(kRetryPauseMaxMs)));
}

double TimeoutSeconds(Session& session, int slot, int index) {
  const Step& step = session.scripts.At(slot)->steps[static_cast<size_t>(index)];
  std::string text = session.ExpandStep(step.timeout, slot, index);
  if (RunVariables* variables = session.variables()) return variables->EvaluateNumber(text);
  std::string_view t = Trim(text);
  if (t.empty()) return 0;
  std::string s(t);
  char* end = nullptr;
  double v = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || !std::isfinite(v)) return 0;
  return v;
}

FailureMode ClassifyFailureMode(const char* onfail) {
  std::string_view name(onfail);
  if (name.empty()) return FailureMode::kError;
  for (const auto& k : kModeKeywords)
    if (ContainsNoCase(name, k.keyword)) return k.mode;
  return FailureMode::kOther;
}

int HandleFailure(Session& session, int slot, int index) {
  Script* script = slot >= 0 && slot < ScriptSlots::kCount ? session.scripts.At(slot) : nullptr;
  if (!script || index < 0 || static_cast<size_t>(index) >= script->steps.size()) return -1;
  Step& step = script->steps[static_cast<size_t>(index)];
  if (!ValidCategory(step.category)) return -1;
  RunState& run = session.run;

  // An interrupted Delay or Freeze ends the run quietly.
  if (step.action.str().find("Delay") != std::string::npos || step.action.str().find("Freeze") != std::string::npos) {
    step.ranFlag = ran::kRun;
    return -1;
  }
  // A block IF whose condition was false is no failure; one whose condition could not be
  // tested (its reason in the error text) is.
  if (IsBlockIf(step) && run.errorText.empty()) {
    step.ranFlag = ran::kFailedPassedOver;
    if (!session.flow.findElseOrEndIf) {
      LogLine(session, "    IF blocks need flow control, which is not built yet");
      return -1;
    }
    return session.flow.findElseOrEndIf(session, slot, index);
  }

  const double timeoutMs = TimeoutSeconds(session, slot, index) * 1000.0;
  const uint32_t elapsed = session.clock().TickCount() - run.stepStartTime;
  if (static_cast<double>(elapsed) < timeoutMs) {
    step.ranFlag = ran::kRun;
    // A pause between attempts, so that a long time-out does not keep a core busy; the Step's
    // last attempt comes when its time-out has run out. A stop is seen at the loop's checkpoint.
    const double left = timeoutMs - static_cast<double>(elapsed);
    session.SleepInRun(static_cast<uint32_t>(std::min<double>(RetryPauseMs(timeoutMs), left)));
    return index;
  }

  if (step.onfailImage != 0) TakeSnapshot(session, index);
  step.ranFlag = ran::kFailed;
  LogFormat(session, "    Failure Mode: %s", step.onfail.empty() ? "(no failure mode selected)" : step.onfail.c_str());
  if (ContainsNoCase(step.onfail, "IGNORE")) {
    step.ranFlag = ran::kFailedPassedOver;
    return index + 1;
  }
  session.settings().WriteNumber("SOFTWARE\\Plumo\\FailStep", static_cast<uint32_t>(index + 1));

  const uint8_t savedLevel = run.logLevel;
  if (run.logLevel == 0 && step.onfailLog != 0) run.logLevel = 1;
  const std::string fileName = ScriptFileName(script->path);
  StatusText(session, 0, true, FormatText("Run Failure in \"%s\" at [Step %d]", fileName.c_str(), index + 1));
  const std::string caption = FormatText("%s - Step %d", fileName.c_str(), index + 1);
  SystemTime now = session.clock().LocalTime();
  std::string text = FormatText("Failure during Run\n\nFile:\t%s\nStep:\t%d\nTime:\t%02d:%02d\nAction:\t\"%s\"\t",
                            fileName.c_str(), index + 1, now.hour, now.minute, step.action.c_str());
  if (!run.errorText.empty()) {
    std::string error;
    for (char c : run.errorText)
      if (c != '%') error.push_back(c);
    if (error.size() < kDialogErrorLimit)
      text += "\nError:  " + error;
    else
      LogLine(session, error);
  }
  LogLine(session, text);
  run.logLevel = savedLevel;
  run.errorText.clear();

  const uint32_t topmost = session.view().KeptOnTop() ? msgbox::kTopmost : 0;
  switch (ClassifyFailureMode(step.onfail.c_str())) {
    case FailureMode::kRetry:
      if (++run.retryCounter > static_cast<uint32_t>(std::max(LeadingInteger(step.onfailValue), 0))) break;
      LogFormat(session, "    Retrying step (retry %u of %s)", run.retryCounter, step.onfailValue.c_str());
      StepBegin(session, slot, index);
      return index;
    case FailureMode::kError: {
      const uint32_t tick = session.clock().TickCount();
      if (!run.dialogShown || tick - run.lastDialogClosed > kFailureDialogSpacingMs) {
        AskUser(session, text, caption, kFailureStyle | topmost);
        run.dialogShown = true;
        run.lastDialogClosed = session.clock().TickCount();
      }
      if (ContainsNoCase(step.onfail, "ERROR AND CONTINUE")) return index + 1;
      break;
    }
    case FailureMode::kSilent:
      break;
    case FailureMode::kAsk:
      if (AskUser(session, text + "\n\nContinue?", caption, kAskStyle | topmost) == answer::kYes) {
        LogLine(session, "    User chose to CONTINUE");
        return index + 1;
      }
      LogLine(session, "    User chose to STOP");
      break;
    case FailureMode::kJump: {
      int target = JumpTarget(session, *script, step);
      if (target >= 0) return target;
      AskUser(session, FormatText("Label \"%s\" not found", step.onfailValue.c_str()), caption, kFailureStyle);
      break;
    }
    case FailureMode::kVariable:
      IncrementVariable(session, slot, index, step);
      return index + 1;
    case FailureMode::kRestart:
      LogLine(session, "    Restarting Run at at [Step 1]");
      StepBegin(session, slot, index);
      run.retryCounter = 0;
      return 0;
    case FailureMode::kProgram: {
      std::string program = Bounded(session.environment().ExpandStrings(step.onfailValue.str()), kProgramWidth);
      LogLine(session, FormatText("    Running program: [%s]", program.c_str()));
      if (!session.system().ShellOpen(program).ok()) LogLine(session, FormatText("    Unable to start program \"%s\"", program.c_str()));
      break;
    }
    case FailureMode::kOther:
      break;
  }
  LogLine(session, "RUN FAILED");
  return -1;
}

}  // namespace plumo
