#include "engine/flow_control.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

#include "base/text.h"
#include "engine/run_controller.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "scripts/action_catalog.h"
#include "settings/setting_path.h"
#include "vars/condition.h"
#include "vars/number_text.h"

namespace plumo {
namespace {

constexpr size_t kDelimiterWidth = 63;
constexpr size_t kFileSpecWidth = 260;
constexpr size_t kItemListLimit = 32u * 1024 * 1024;
constexpr size_t kWindowTitleStored = 259;
constexpr int kMaxWindowsPassedOver = 100000;

bool Marked(const Step& s) { return (s.status & (status::kSkip | status::kBreakpoint)) != 0; }
bool IsNextLoop(const Step& s) { return EqualsNoCase(s.action, "NEXT LOOP"); }

Script& ScriptOf(Session& session, int slot) { return *session.scripts.At(slot); }

// The number a START field gives: its expanded text read as a decimal number; `empty` when
// it expands to nothing.
double FieldNumber(Session& session, std::string_view field, int slot, int index, double empty) {
  std::string text = session.ExpandStep(field, slot, index);
  if (text.empty()) return empty;
  const double value = LeadingNumber(text);
  return std::isfinite(value) ? value : empty;
}

// A loop value as an int, for item numbers and the "Loop %d/%d" display.
int ClampToInt(double value) {
  if (!(value == value)) return 0;
  return static_cast<int>(std::clamp(value, double(INT32_MIN), double(INT32_MAX)));
}

void SetNext(Session& session, int index) { session.run.nextStep = index; }

// Label search for GOTO and GOSUB: the matched Step's index, or -1 with the error text set.
int FindLabel(Session& session, int slot, int index) {
  const Script& script = ScriptOf(session, slot);
  const std::string label = session.ExpandStep(script.steps[static_cast<size_t>(index)].text, slot, index);
  if (label.empty()) {
    session.SetError("No label name provided");
    return -1;
  }
  const bool stepForm = StartsWithNoCase(label, "{STEP");
  const long number = stepForm ? std::strtol(label.c_str() + 5, nullptr, 10) : 0;
  for (size_t i = 0; i < script.steps.size(); ++i) {
    const Step& s = script.steps[i];
    if (s.Skipped()) continue;
    const bool match = (stepForm && number == static_cast<long>(i) + 1) ||
                       (EqualsNoCase(s.action, "Label") && !s.text.empty() && EqualsNoCase(s.text, label));
    if (!match) continue;
    LogLine(session, FormatText("    Jumping to label \"%s\" at [Step %d]", label.c_str(), static_cast<int>(i) + 1));
    return static_cast<int>(i);
  }
  session.SetError(FormatText("Label \"%s\" not found", label.c_str()));
  return -1;
}

// A jump leaves the IF blocks it passes over.
void CloseIfBlocksBetween(Session& session, int slot, int a, int b) {
  FlowState& flow = session.flowState;
  const Script& script = ScriptOf(session, slot);
  const int lo = std::max(std::min(a, b), 0);
  const int hi = std::min(std::max(a, b), static_cast<int>(script.steps.size()));
  for (int i = lo; i < hi && flow.ifDepth > 0; ++i) {
    const Step& s = script.steps[static_cast<size_t>(i)];
    if (Marked(s)) continue;
    if (!EqualsNoCase(s.action, "END IF") && !IsBlockIf(s)) continue;
    const int top = std::min(flow.ifDepth, kIfSlots - 1);
    LogFormat(session, "    Leaving (and closing) IF block which was entered at [Step %d]", flow.ifs[static_cast<size_t>(top)]);
    flow.ifs[static_cast<size_t>(top)] = 0;
    flow.ifDepth = std::max(flow.ifDepth - 1, 0);
  }
}

LoopLevel& Level0(Session& session, int slot) { return session.flowState.loops[static_cast<size_t>(slot)][0]; }

void PushLevel(Session& session, int slot) {
  auto& levels = session.flowState.loops[static_cast<size_t>(slot)];
  std::move_backward(levels.begin(), levels.end() - 1, levels.end());
  levels[0] = LoopLevel{};
}

void PopLevel(Session& session, int slot) {
  auto& levels = session.flowState.loops[static_cast<size_t>(slot)];
  std::move(levels.begin() + 1, levels.end(), levels.begin());
  levels[kLoopLevels - 1] = LoopLevel{};
}

// Ending a loop: on after its NEXT LOOP (searched from `from`), the level closed.
int EndLoop(Session& session, int slot, int from) {
  const Script& script = ScriptOf(session, slot);
  LoopLevel& level = Level0(session, slot);
  const int next = FindNextLoop(script, from) + 1;
  const std::string value = LoopNumberText(level.current);
  LogFormat(session, "    END OF LOOP from [Step %d], Final Value: %s, Total Loops: %lld, Continuing with [Step %d]...",
            level.startStep, value.c_str(), static_cast<long long>(level.passes), next + 1);
  StatusText(session, 2, true, "Loop: " + value);
  PopLevel(session, slot);
  SetNext(session, next);
  return result::kSuccess;
}

// One pass of a loop kind: true when the loop goes on (its item stored), false when it ends.
using LoopKind = bool (*)(Session& session, int slot, int index, Step& step, LoopLevel& level);

int ItemNumber(const LoopLevel& level) { return ClampToInt(level.current); }

bool StoreItem(Session& session, int slot, int index, const LoopLevel& level) {
  const int n = ItemNumber(level);
  if (n < 1 || static_cast<size_t>(n) > level.items.size()) return false;
  session.StoreOutput(slot, index, level.items[static_cast<size_t>(n) - 1]);
  return true;
}

bool ForPass(Session& session, int slot, int index, Step&, LoopLevel& level) {
  // A step's rounding (0.1 + 0.1 + 0.1 is a hair above 0.3) does not end the loop early.
  const double slack = std::abs(level.increment) * 1e-9;
  const bool ended = (level.increment < 0 && level.endValue > level.current + slack) ||
                     (level.increment > 0 && level.endValue < level.current - slack);
  if (ended) {
    level.current -= level.increment;
    return false;
  }
  const std::string value = LoopNumberText(level.current);
  session.StoreOutput(slot, index, value);
  LogFormat(session, "    Loop %s of %s", value.c_str(), LoopNumberText(level.endValue).c_str());
  return true;
}

bool WhilePass(Session& session, int slot, int index, Step& step, LoopLevel& level) {
  const std::string condition = session.ExpandStep(step.text, slot, index);
  const bool holds = ConditionTest(session.formulas, session.locale(), condition) == 1;
  if (session.run.logLevel == 2)
    LogLine(session, "    Expression: [" + condition + "] = " + (holds ? "TRUE" : "FALSE"));
  if (!holds) return false;
  session.StoreOutput(slot, index, LoopNumberText(level.current));
  return true;
}

bool TextPass(Session& session, int slot, int index, Step& step, LoopLevel& level) {
  std::string delimiter = Bounded(session.ExpandStep(step.value1, slot, index), kDelimiterWidth);
  if (delimiter.empty()) delimiter = "\n";
  const std::string text = session.ExpandStep(step.text, slot, index);
  const int wanted = ItemNumber(level);
  if (text.empty() || wanted < 1) return false;
  size_t begin = 0;
  for (int n = 1;; ++n) {
    size_t end = text.find(delimiter, begin);
    if (n == wanted) {
      session.StoreOutput(slot, index, std::string_view(text).substr(begin, end == std::string::npos ? std::string::npos : end - begin));
      return true;
    }
    if (end == std::string::npos) return false;
    begin = end + delimiter.size();
  }
}

bool IsRelativePath(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return false;
  return path.empty() || (path[0] != '\\' && path[0] != '/');
}

// A relative name is taken relative to the Script's folder.
std::string BesideScript(Session& session, int slot, const std::string& name) {
  if (!IsRelativePath(name)) return name;
  const std::string& scriptPath = ScriptOf(session, slot).path.str();
  size_t cut = scriptPath.find_last_of("\\/");
  if (cut == std::string::npos) return name;
  return scriptPath.substr(0, cut + 1) + name;
}

bool FileLinePass(Session& session, int slot, int index, Step& step, LoopLevel& level) {
  const std::string path = BesideScript(session, slot, session.ExpandStep(step.text, slot, index));
  std::string content;
  bool opened = false;
  if (!session.files().ReadFile(path, &content, &opened).ok()) return false;
  const int wanted = ItemNumber(level);
  if (wanted < 1) return false;
  size_t begin = 0;
  for (int n = 1; begin < content.size(); ++n) {
    size_t end = content.find('\n', begin);
    if (end == std::string::npos) end = content.size();
    if (n == wanted) {
      size_t stop = end > begin && content[end - 1] == '\r' ? end - 1 : end;
      session.StoreOutput(slot, index, std::string_view(content).substr(begin, stop - begin));
      return true;
    }
    begin = end + 1;
  }
  return false;
}

// Files and Folders: the list is made on the first pass.
bool EntriesPass(Session& session, int slot, int index, Step& step, LoopLevel& level, bool folders) {
  if (!level.hasItems) {
    level.hasItems = true;
    std::string mask = Bounded(session.ExpandStep(step.text, slot, index), kFileSpecWidth);
    const bool wild = mask.find_first_of("*?") != std::string::npos;
    if (!mask.empty() && (mask.back() == '\\' || mask.back() == '/') && !wild) mask += "*.*";
    if (mask.find_first_of("*?.") == std::string::npos)
      LogLine(session, "    WARNING!  The filespec does not appear to contain any wildcards");
    const bool recursive = ContainsNoCase(step.options, "Recur");
    size_t bytes = 0;
    session.files().ListMatches(mask, folders, recursive, [&](const std::string& path) {
      if (bytes + path.size() + 1 > kItemListLimit) return false;
      bytes += path.size() + 1;
      level.items.push_back(path);
      return true;
    });
    LogFormat(session, "    %d %s match for file mask [%s]", static_cast<int>(level.items.size()),
              recursive ? "total files" : "file", mask.c_str());
  }
  return StoreItem(session, slot, index, level);
}

bool FilesPass(Session& session, int slot, int index, Step& step, LoopLevel& level) {
  return EntriesPass(session, slot, index, step, level, false);
}

bool FoldersPass(Session& session, int slot, int index, Step& step, LoopLevel& level) {
  return EntriesPass(session, slot, index, step, level, true);
}

bool ProcessPass(Session& session, int slot, int index, Step& step, LoopLevel& level) {
  if (!level.hasItems) {
    level.hasItems = true;
    std::vector<ProcessEntry> processes;
    OsError e = session.processes().List(&processes);
    if (!e.ok()) LogLine(session, "    The running processes could not be listed: " + e.ToString());
    for (const ProcessEntry& p : processes) level.items.push_back(p.name + "|" + std::to_string(p.id));
  }
  const int n = ItemNumber(level);
  if (n < 1 || static_cast<size_t>(n) > level.items.size()) return false;
  const std::string& item = level.items[static_cast<size_t>(n) - 1];
  const size_t bar = item.rfind('|');
  const std::string name = item.substr(0, bar), id = item.substr(bar + 1);
  std::string value;
  if (ContainsNoCase(step.options, "ID,"))
    value = id + "," + name;
  else if (ContainsNoCase(step.options, "EXE,"))
    value = name + "," + id;
  else if (ContainsNoCase(step.options, "ID"))
    value = id;
  else
    value = name;
  session.StoreOutput(slot, index, value);
  return true;
}

bool RegistryPass(Session& session, int slot, int index, Step& step, LoopLevel& level) {
  std::string path = session.ExpandStep(step.text, slot, index);
  while (!path.empty() && path.back() == '\\') path.pop_back();
  auto loc = ResolveSettingPath(path + "\\", {}, session.settings().keyOverride());
  if (!loc) return false;
  std::vector<std::string> names;
  if (!session.registry().ListSubkeys(loc->root, loc->key, &names).ok()) return false;
  const int n = ItemNumber(level);
  if (n < 1 || static_cast<size_t>(n) > names.size()) return false;
  const std::string& name = names[static_cast<size_t>(n) - 1];
  session.StoreOutput(slot, index, ContainsNoCase(step.options, "Parent") ? path + "\\" + name : name);
  return true;
}

// Walks the windows in Z order from a start window; without "Child" only the windows a user
// sees as applications' windows count. Without a desktop session there are none.
bool WindowPass(Session& session, int slot, int index, Step& step, LoopLevel& level) {
  Desktop& desktop = session.desktop();
  uint32_t window = 0;
  if (level.window == 0) {
    const std::string start = session.ExpandStep(step.value1, slot, index);
    window = static_cast<uint32_t>(std::strtoul(start.c_str(), nullptr, 10));
    if (window == 0 || !desktop.IsWindow(window)) window = desktop.WalkWindows(0, WindowStep::kTop);
    if (window == 0) window = desktop.ForegroundWindow();
    if (ContainsNoCase(step.options, "Controls")) window = desktop.WalkWindows(window, WindowStep::kFirstChild);
  } else {
    window = desktop.WalkWindows(level.window, WindowStep::kNext);
  }
  if (!ContainsNoCase(step.options, "Child")) {
    // Bounded: a Z order that changes under the walk must not keep it going for ever.
    for (int passedOver = 0; window != 0 && !desktop.IsFramedTopLevel(window); ++passedOver)
      window = passedOver < kMaxWindowsPassedOver ? desktop.WalkWindows(window, WindowStep::kNext) : 0;
  }
  if (window == 0) return false;
  level.window = window;
  session.currentWindow = window;
  if (ContainsNoCase(step.options, "handle")) {
    session.StoreOutput(slot, index, std::to_string(window));
  } else {
    const auto facts = desktop.Facts(window);
    session.StoreOutput(slot, index, facts ? std::string_view(facts->title).substr(0, kWindowTitleStored) : "");
  }
  return true;
}

bool DataPass(Session& session, int slot, int index, Step&, LoopLevel& level) {
  if (!level.hasItems) {
    level.hasItems = true;
    if (!session.flow.copyResultSet || !session.flow.copyResultSet(session, &level.items)) return false;
    level.endValue = static_cast<float>(level.items.size());
  }
  return level.endValue >= 1 && StoreItem(session, slot, index, level);
}

struct LoopKindRow {
  const char* keyword;
  LoopKind pass;
};
// Tested in this order on the action name.
constexpr LoopKindRow kLoopKinds[] = {
    {"FOR", ForPass},           {"WHILE", WhilePass},     {"TEXT", TextPass},         {"FILE LINE", FileLinePass},
    {"FILE", FilesPass},        {"FOLDER", FoldersPass},  {"PROCESS", ProcessPass},   {"REGISTRY", RegistryPass},
    {"WINDOW", WindowPass},     {"DATA", DataPass},
};

int LoopStart(Session& session, int slot, int index, Step& step) {
  LoopLevel* level = &Level0(session, slot);
  if (level->startStep != index + 1) {
    PushLevel(session, slot);
    level = &Level0(session, slot);
    level->startStep = index + 1;
    level->endValue = FieldNumber(session, step.text, slot, index, 1);
    if (ContainsNoCase(step.action, "FOR")) {
      level->first = level->current = FieldNumber(session, step.value1, slot, index, 1);
      level->increment = FieldNumber(session, step.value2, slot, index, 1);
    }
  }
  StatusText(session, 2, false, "Loop: " + LoopNumberText(level->current));
  for (const LoopKindRow& kind : kLoopKinds) {
    if (!ContainsNoCase(step.action, kind.keyword)) continue;
    session.run.errorText.clear();
    if (!kind.pass(session, slot, index, step, *level)) {
      if (!session.run.errorText.empty()) return result::kFailure;
      return EndLoop(session, slot, index);
    }
    return result::kSuccess;
  }
  return session.Fail(FormatText("Unknown loop \"%s\"", step.action.c_str()));
}

int SetRunRepeats(Session& session, int slot, int index, const std::string& text) {
  (void)index;
  SlotRunState& state = session.slots[static_cast<size_t>(slot)];
  const int32_t repeats = state.runRepeats;
  if (repeats == 0) {
    state.runRepeats = Trim(text) == "-1" ? kRepeatForever : LeadingInteger(text) - 1;
  } else if (repeats == kRepeatForever) {
    LogLine(session, "    An eternity of Run Repeats still remaining....");
  } else {
    LogFormat(session, "    %d Run Repeat(s) remaining", std::max(repeats, 0));
  }
  return result::kSuccess;
}

// The code belongs to this process: written to *\DefaultReturnCode it would outlive the run
// and become every later run's code.
void SetExitCode(Session& session, const std::string& text) { session.outcome.exitCode = LeadingInteger(text); }

}  // namespace

bool IsLoopStart(const Step& step) { return ContainsNoCase(step.action, "START") && ContainsNoCase(step.action, "LOOP"); }

std::string LoopNumberText(double value) { return NumberToText(value, 7); }

int FindNextLoop(const Script& script, int index) {
  const int count = static_cast<int>(script.steps.size());
  int i = index;
  if (i >= 0 && i < count && IsLoopStart(script.steps[static_cast<size_t>(i)]) && !Marked(script.steps[static_cast<size_t>(i)])) ++i;
  int level = 1;
  for (i = std::max(i, 0); i < count; ++i) {
    const Step& s = script.steps[static_cast<size_t>(i)];
    if (Marked(s)) continue;
    if (IsNextLoop(s)) {
      if (level == 1) return i;
      --level;
    } else if (IsLoopStart(s)) {
      ++level;
    }
  }
  return index + 1;
}

int FindStart(const Script& script, int index) {
  const int count = static_cast<int>(script.steps.size());
  int i = index;
  if (i >= 0 && i < count && IsNextLoop(script.steps[static_cast<size_t>(i)])) --i;
  int level = 1;
  for (i = std::min(i, count - 1); i >= 0; --i) {
    const Step& s = script.steps[static_cast<size_t>(i)];
    if (Marked(s)) continue;
    if (IsLoopStart(s)) {
      if (level == 1) return i;
      --level;
    } else if (IsNextLoop(s)) {
      ++level;
    }
  }
  return -1;
}

int FindElseOrEndIf(Session& session, int slot, int index, bool endIfOnly) {
  const Script& script = ScriptOf(session, slot);
  const int count = static_cast<int>(script.steps.size());
  int level = 0;
  for (int i = index + 1; i < count; ++i) {
    const Step& s = script.steps[static_cast<size_t>(i)];
    if (s.Skipped()) continue;
    const bool elseIf = StartsWithNoCase(s.action, "IF ") && ContainsNoCase(s.options, "ELSE IF");
    const bool endIf = EqualsNoCase(s.action, "END IF");
    if (IsBlockIf(s) && !elseIf) {
      ++level;
    } else if (endIf && level >= 1) {
      --level;
    } else if (level == 0 && (endIf || (!endIfOnly && (elseIf || EqualsNoCase(s.action, "ELSE"))))) {
      LogFormat(session, "    Jumping to next ELSE/END IF statement: [Step %d]", i + 1);
      return i;
    }
  }
  LogLine(session, "    WARNING: Matching ELSE/END IF statement not found!");
  return count;
}

namespace {

int FlowStep(Session& session, int slot, int index) {
  Script& script = ScriptOf(session, slot);
  Step& step = script.steps[static_cast<size_t>(index)];
  std::string_view name = step.action;
  FlowState& flow = session.flowState;
  const std::string text = session.ExpandStep(step.text, slot, index);

  if (ContainsNoCase(name, "GOTO") || ContainsNoCase(name, "to Label")) {
    const int target = FindLabel(session, slot, index);
    if (target < 0) return result::kFailure;
    if (flow.ifDepth > 0) CloseIfBlocksBetween(session, slot, index, target);
    SetNext(session, target);
    return result::kSuccess;
  }
  if (StartsWithNoCase(name, "GOSUB")) {
    const int target = FindLabel(session, slot, index);
    if (target < 0) return result::kFailure;
    if (++flow.gosubDepth >= kGosubSlots) flow.gosubDepth = kGosubSlots - 1;
    flow.gosub[static_cast<size_t>(flow.gosubDepth)] = index;
    LogFormat(session, "    GOSUB stack depth: %d", flow.gosubDepth);
    SetNext(session, target);
    return result::kSuccess;
  }
  if (ContainsNoCase(name, "RETURN")) {
    if (flow.gosubDepth <= 0) return session.Fail("No matching GOSUB found");
    int& caller = flow.gosub[static_cast<size_t>(flow.gosubDepth)];
    const int next = std::clamp(caller, 0, static_cast<int>(script.steps.size()) - 1) + 1;
    LogFormat(session, "    Returning from GOSUB to [Step %d]", next + 1);
    caller = 0;
    --flow.gosubDepth;
    SetNext(session, next);
    return result::kSuccess;
  }
  if (ContainsNoCase(name, "Repeats")) return SetRunRepeats(session, slot, index, text);
  if (ContainsNoCase(name, "Exit Run")) {
    SetExitCode(session, text);
    return result::kStop;
  }
  if (ContainsNoCase(name, "Exit ")) {
    SetExitCode(session, text);
    // A hidden studio closes when Finish run has cleaned up (the run stops without repeats);
    // a shown one is asked to close, on its own thread.
    if (!(session.startMode & kStartModeHidden)) session.mainQueue().Post([&session] { session.view().RequestClose(); });
    return result::kStop;
  }
  if (ContainsNoCase(name, "Break")) {
    if (flow.ifDepth > 0) CloseIfBlocksBetween(session, slot, index, FindNextLoop(script, index));
    return EndLoop(session, slot, index);
  }
  if (!ContainsNoCase(name, "Start")) {
    if (!ContainsNoCase(name, "NEXT LOOP")) return result::kSuccess;
    const int start = FindStart(script, index);
    // Jumping to Step 1 instead would loop for ever.
    if (start < 0) return session.Fail("NEXT LOOP without a matching START LOOP");
    LoopLevel& level = Level0(session, slot);
    const double step = level.increment == 0 ? 1 : level.increment;
    const double next = level.first + static_cast<double>(level.passes + 1) * step;
    // A step too small for the value's magnitude would leave the loop where it is for ever.
    if (next == level.current)
      return session.Fail(FormatText("The loop counter cannot move from %s in steps of %s",
                                     LoopNumberText(level.current).c_str(), LoopNumberText(step).c_str()));
    ++level.passes;
    level.current = next;
    LogFormat(session, "    Jumping to START LOOP at [Step %d]...", start + 1);
    SetNext(session, start);
    return result::kSuccess;
  }
  return LoopStart(session, slot, index, step);
}

}  // namespace

int FlowControlExecutor(Session& session, int slot, int index, bool) {
  const int r = FlowStep(session, slot, index);
  session.flowState.Publish(slot);
  return r;
}

void RegisterFlowControl(Session& session) {
  session.executors.Register(category::kLoopsFlow, FlowControlExecutor);
  session.executors.Register(category::kIf, ConditionExecutor);
  session.flow.reset = [](Session& s, int slot) { s.flowState.Reset(slot); };
  session.flow.findElseOrEndIf = [](Session& s, int slot, int index) { return FindElseOrEndIf(s, slot, index, false); };
  session.flow.openLoop = [](Session& s, int slot, int* value, int* end) {
    if (slot < 0 || slot >= ScriptSlots::kCount) return false;
    const LoopLevel& level = s.flowState.loops[static_cast<size_t>(slot)][0];
    if (level.startStep == 0) return false;
    *value = ClampToInt(level.current);
    *end = ClampToInt(level.endValue);
    return true;
  };
}

}  // namespace plumo
