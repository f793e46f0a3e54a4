#include "engine/run_log.h"

#include <cstdarg>
#include <cstdio>

#include "base/text.h"
#include "engine/session.h"
#include "scripts/action_catalog.h"
#include "vars/text_format.h"

namespace plumo {
namespace {

constexpr size_t kFormatLimit = 992;
constexpr size_t kPreviousLineWidth = 256;
constexpr size_t kStepLineLimit = 229;
constexpr size_t kTrackingLineLimit = 260;

void ReplaceStandIns(std::string& s) {
  for (char& c : s) {
    if (c == kPercentStandIn) c = '%';
    else if (c == '\x02') c = '"';
    else if (c == '\t') c = ' ';
  }
}

std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out.push_back('\r');
    out.push_back(text[i]);
  }
  out += "\r\n";
  return out;
}

// Opened per line, so that other programs may read and delete the log between lines. A line
// that cannot be written is lost for the file only: the log has nowhere to say so.
void AppendToFile(Session& session, const std::string& bytes) {
  (void)session.files().Append(LogFilePath(session), bytes);
}

std::string VFormat(const char* format, va_list args) {
  char buf[4096];
  int n = std::vsnprintf(buf, sizeof buf, format, args);
  if (n < 0) return format;
  return std::string(buf, std::min(static_cast<size_t>(n), sizeof buf - 1));
}


// Line feeds and tabs become spaces, carriage returns go.
std::string OneLine(std::string_view s, bool dropCr) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    if (c == '\r') {
      if (!dropCr) out.push_back(' ');
    } else if (c == '\n' || c == '\t') {
      out.push_back(' ');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// Appends ` "text"` so that the whole stays within limit characters.
void AppendQuoted(std::string& line, std::string_view text, size_t limit) {
  if (line.size() + 3 >= limit) return;
  size_t room = limit - line.size() - 3;
  line += " \"";
  line.append(text.substr(0, room));
  line += '"';
}

}  // namespace

std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string s = VFormat(format, args);
  va_end(args);
  return s;
}

int AskUser(Session& session, const std::string& text, const std::string& caption, uint32_t style) {
  return session.dialogs().ShowMessage(text, caption, style);
}

void LogLine(Session& session, std::string_view text) {
  RunView& view = session.view();
  RunState& run = session.run;
  const bool outputExists = view.OutputExists();
  if (run.logLevel == 0 && !outputExists) return;
  const bool outputVisible = outputExists && view.OutputVisible();
  if (outputExists && !outputVisible && run.alwaysOutput == 0 && run.logLevel == 0) return;

  std::string line(text.substr(0, kLogLineMax));
  ReplaceStandIns(line);

  LogMemory& memory = session.log;
  bool scroll = false;
  {
    // Lines of both threads reach the file whole and in one order; the view is called after.
    std::lock_guard<std::mutex> lock(memory.mu);
    if (!memory.previousLine.empty() && memory.previousLine != kBlankLine && line == memory.previousLine) return;
    if (run.logLevel >= 1) AppendToFile(session, WithCrLf(line));
    AssignBounded(memory.previousLine, line, kPreviousLineWidth);
    if (outputVisible) {
      const uint32_t now = session.clock().TickCount();
      scroll = now - memory.lastScroll >= kScrollThrottleMs;
      if (scroll) memory.lastScroll = now;
    }
  }

  if (outputExists && (outputVisible || run.alwaysOutput)) {
    if (!(line == kBlankLine && view.OutputEmpty())) {
      size_t start = 0;
      for (;;) {
        size_t lf = line.find('\n', start);
        std::string entry = line.substr(start, lf == std::string::npos ? std::string::npos : lf - start);
        for (char& c : entry)
          if (c == '\r') c = ' ';
        view.OutputAppend(entry);
        if (lf == std::string::npos) break;
        start = lf + 1;
      }
    }
  }
  if (scroll) view.OutputScrollToEnd();
}

void LogFormat(Session& session, const char* format, ...) {
  // Quick way out before any formatting: fast loops with logging off pay nothing.
  if (session.run.logLevel == 0 && !session.view().OutputExists()) return;
  std::string_view f(format);
  if (f.find('%') == std::string_view::npos || f.size() >= kFormatLimit) {
    LogLine(session, f);
    return;
  }
  va_list args;
  va_start(args, format);
  std::string text = VFormat(format, args);
  va_end(args);
  LogLine(session, text);
}

void StatusText(Session& session, int part, bool forced, std::string_view text) {
  if (part < 0 || part > 3 || text.empty() || text.size() >= kStatusTextLimit) return;
  const uint32_t now = session.clock().TickCount();
  {
    std::lock_guard<std::mutex> lock(session.log.mu);
    uint32_t& last = session.log.lastStatus[static_cast<size_t>(part)];
    if (!forced && now - last < kStatusThrottleMs) return;
    last = now;
  }
  session.view().StatusText(part, std::string(text));
}

OsError AppendToLogFile(Session& session, const std::string& text) {
  std::lock_guard<std::mutex> lock(session.log.mu);
  return session.files().Append(LogFilePath(session), text);
}

std::string LogFilePath(Session& session) {
  std::string path(Trim(session.settings().ReadText("*\\Logfile", 260)));
  if (!path.empty()) return path;
  path = session.environment().ProgramPath();
  if (EndsWithNoCase(path, ".exe")) path.resize(path.size() - 4);
  return path + "Log.txt";
}

std::string ScriptFileName(std::string_view path) {
  size_t cut = path.find_last_of("\\/");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

namespace {

// Whether a throttled display may be shown now (always when `always`); takes the time if so.
bool ThrottlePasses(Session& session, uint32_t LogMemory::*last, uint32_t now, uint32_t throttleMs, bool always) {
  std::lock_guard<std::mutex> lock(session.log.mu);
  if (!always && now - session.log.*last < throttleMs) return false;
  session.log.*last = now;
  return true;
}

bool IsSystemCo(const Step& step) { return step.category == category::kSystem && step.action.str().rfind("Co", 0) == 0; }

bool BypassesHighlightThrottle(const Step& step) {
  switch (step.category) {
    case category::kRun: case category::kWait: case category::kUserPrompts: case category::kInternet: return true;
    default: return step.action == "Execute SQL Query" || step.action == "Count Items";
  }
}

std::string TrackingText(Session& session, int slot, int index, const Script& script) {
  const Step& step = script.steps[static_cast<size_t>(index)];
  int value = 0, end = 0;
  std::string text;
  if (session.flow.openLoop && session.flow.openLoop(session, slot, &value, &end))
    text = FormatText("Step %d : Loop %d/%d : \"%s\"", index + 1, value, end, ScriptFileName(script.path).c_str());
  else
    text = FormatText("Step %d : \"%s\"", index + 1, ScriptFileName(script.path).c_str());
  std::string second = "\x95 " + step.action.str();
  const std::string& extra = !step.text.empty() ? step.text : step.comment;
  if (!extra.empty()) AppendQuoted(second, extra, kTrackingLineLimit);
  return text + "\n" + OneLine(second, false);
}

}  // namespace

void StepBegin(Session& session, int slot, int index) {
  Script* script = session.scripts.At(slot);
  if (!script || index < 0 || static_cast<size_t>(index) >= script->steps.size()) return;
  Step& step = script->steps[static_cast<size_t>(index)];
  if (!ValidCategory(step.category)) return;
  RunState& run = session.run;
  RunView& view = session.view();
  const uint32_t now = session.clock().TickCount();

  step.runCount = 0;
  run.stepStartTime = now;
  run.errorText.clear();

  if (view.TrackingExists()) {
    int value = 0, end = 0;
    const bool loopOpen = session.flow.openLoop && session.flow.openLoop(session, slot, &value, &end);
    const bool always = IsSystemCo(step) || (step.category == category::kWait && !loopOpen);
    if (ThrottlePasses(session, &LogMemory::lastTracking, now, kTrackingThrottleMs, always))
      view.TrackingText(TrackingText(session, slot, index, *script));
  }

  if (run.logLevel >= 1 || view.OutputVisible()) {
    std::string line;
    if (run.logLevel >= 2) {
      SystemTime t = session.clock().LocalTime();
      line = FormatText("[STEP %d] (%02u:%02u:%02u.%04u):  %s ", index + 1, t.hour, t.minute, t.second, t.milliseconds,
                    step.action.c_str());
    } else {
      line = FormatText("[STEP %d]: %s", index + 1, step.action.c_str());
      if (step.category == category::kIf) {
        if (ContainsNoCase(step.options, "ELSE IF")) line += " ELSE";
        if (ContainsNoCase(step.options, "IF NOT")) line += " NOT";
        if (ContainsNoCase(step.options, "QUICK")) line += " (checkpoint)";
      }
    }
    for (std::string_view field : {std::string_view(step.text), std::string_view(step.value1),
                                   std::string_view(step.value2), std::string_view(step.comment)}) {
      if (field.empty()) continue;
      AppendQuoted(line, field, kStepLineLimit);
      break;
    }
    if (run.logLevel >= 2 && !step.options.empty() && line.size() + 11 < kStepLineLimit) {
      line += ", Options: ";
      line.append(step.options.str().substr(0, kStepLineLimit - line.size()));
    }
    std::string clean = OneLine(line, true);
    for (char& c : clean)
      if (c == '%') c = kPercentStandIn;
    LogLine(session, clean);
  }

  if (view.StatusBarVisible())
    StatusText(session, 0, false, FormatText(" [STEP %d]:  %s", index + 1, step.action.c_str()));

  if (view.ProgressVisible()) {
    int divisor = std::max(static_cast<int>(script->steps.size()) + 1, 1);
    view.ProgressSet((index + 1) * 100 / divisor);
  }

  if (run.highlight && slot == view.CurrentTab() &&
      ThrottlePasses(session, &LogMemory::lastHighlight, now, kHighlightThrottleMs, BypassesHighlightThrottle(step))) {
    if (view.StepListVisible() && view.SelectedStep() != index) view.SelectStep(index);
  }
}

std::string_view WeekdayName(int dayOfWeek) {
  return dayOfWeek >= 0 && dayOfWeek < 7 ? kEnglishDayNames[static_cast<size_t>(dayOfWeek)] : "";
}

std::string_view MonthName(int month) {
  return month >= 1 && month <= 12 ? kEnglishMonthNames[static_cast<size_t>(month - 1)] : "";
}

void WriteRunHeader(Session& session, int slot) {
  const Script* script = session.scripts.At(slot);
  std::string path = script ? script->path.str() : "";
  LogLine(session, kBlankLine);
  std::string rule = "---- START OF RUN ";
  rule.resize(60, '-');
  LogLine(session, rule);
  LogLine(session, "SCRIPT: \"" + path + "\"");
  SystemTime t = session.clock().LocalTime();
  std::string time = FormatText("TIME:   %d:%02d:%02d on %s, %d %s %d", t.hour, t.minute, t.second,
                            std::string(WeekdayName(t.dayOfWeek)).c_str(), t.day, std::string(MonthName(t.month)).c_str(),
                            t.year);
  LogLine(session, time);
  StatusText(session, 0, true, time);
  if (session.run.logLevel >= 2) LogLine(session, "LOG LEVEL HIGH");
}

std::string WriteRunSummary(Session& session, int slot, int endIndex) {
  const Script* script = session.scripts.At(slot);
  std::string path = script ? script->path.str() : "";
  const int count = script ? static_cast<int>(script->steps.size()) : 0;
  LogLine(session, "Run Completed: \"" + path + "\"");
  SystemTime t = session.clock().LocalTime();
  const int steps = session.run.stepsRun;
  std::string done = FormatText("Run Completed on [STEP %d] at %d:%02d:%02d   ELAPSED TIME: %s   STEPS RUN: %d step%s",
                            std::min(endIndex + 1, count), t.hour, t.minute, t.second,
                            DurationText(session.clock().TickCount() - session.run.runStartTime).c_str(), steps,
                            steps == 1 ? "" : "s");
  LogLine(session, done);
  StatusText(session, 0, true, " " + done);
  std::string rule = "==== END OF RUN ";
  rule.resize(60, '=');
  LogLine(session, rule);
  LogLine(session, kBlankLine);
  return " " + done;
}

}  // namespace plumo
