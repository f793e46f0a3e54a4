// The executor of "IF" (14): block IF, ELSE IF, ELSE, END IF, checkpoints, and the conditions.
#include <algorithm>
#include <optional>
#include <string>

#include "actions/desktop/key_sequence.h"
#include "base/text.h"
#include "engine/flow_control.h"
#include "engine/run_controller.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "vars/condition.h"

namespace plumo {
namespace {

constexpr uint32_t kCapsLock = 0x14;
constexpr size_t kClipboardShown = 62;

// What a condition needs: the Step and its place.
struct ConditionContext {
  Session& session;
  int slot;
  int index;
  Step& step;

  std::string Text() { return session.ExpandStep(step.text, slot, index); }
  bool Logging() { return session.run.logLevel >= 1; }
};

// nullopt when the condition could not be tested; the reason is in the error text.
using Condition = std::optional<bool> (*)(ConditionContext& c);

std::optional<bool> Unavailable(ConditionContext& c, const char* what) {
  c.session.SetError(FormatText("\"%s\" needs %s, which is not built yet", c.step.action.c_str(), what));
  return std::nullopt;
}

bool HasBoth(std::string_view s, std::string_view a, std::string_view b) { return s.find(a) != s.npos || s.find(b) != s.npos; }

std::optional<bool> ExpressionTrue(ConditionContext& c) {
  const std::string expression = c.Text();
  if (c.Logging()) LogLine(c.session, "    Expression: [" + expression + "]");
  if (HasBoth(expression, "||", " OR ") && HasBoth(expression, "&&", " AND "))
    LogLine(c.session,
            "    WARNING: Expressions can have either || or &&, but not both mixed together     since parenthesis are "
            "not supported in logical evaluations (like they are in math calculations)");
  return ConditionTest(c.session.formulas, c.session.locale(), expression) > 0;
}

bool OnlyCharactersOf(std::string_view t, std::string_view set) { return t.find_first_not_of(set) == std::string_view::npos; }

std::optional<bool> TextTrue(ConditionContext& c) {
  const std::string t = c.Text();
  const std::string v = c.session.ExpandStep(c.step.value1, c.slot, c.index);
  if (c.Logging())
    LogLine(c.session, FormatText("    Text Strings:  [%s] (len:%d) -- [%s] (len:%d)", v.c_str(), static_cast<int>(v.size()),
                                  t.c_str(), static_cast<int>(t.size())));
  std::string_view o = c.step.options;
  auto has = [&](std::string_view word) { return ContainsNoCase(o, word); };
  const bool both = !t.empty() && !v.empty();
  if (has("Is Empty")) return t.empty();
  if (has("Equal") && has("Value")) {
    if (t.empty() && v.empty()) return true;
    if (!both) return false;
    if (has("Exact")) return t == v;
    if (has("Insen")) return EqualsNoCase(t, v);
    return false;
  }
  if (has("Length")) {
    if (v.empty()) return false;
    const int64_t length = static_cast<int64_t>(t.size()), wanted = LeadingInteger(v);
    if (has("equal")) return length == wanted;
    if (has("less")) return length < wanted;
    if (has("more")) return length > wanted;
    return false;
  }
  if (has("Contains")) {
    if (!both) return false;
    if (has("Exact")) return t.find(v) != std::string::npos;
    if (has("Insen")) return ContainsNoCase(t, v);
    if (has("Only")) return OnlyCharactersOf(t, v);
    if (has("Any")) return t.find_first_of(v) != std::string::npos;
    return false;
  }
  if (has("Start")) return both && StartsWithNoCase(t, v);
  if (has("End")) return both && EndsWithNoCase(t, v);
  return !t.empty();
}

std::optional<bool> RegistryKeyTrue(ConditionContext& c) {
  std::string key = c.Text();
  if (key.empty()) return false;
  if (key.back() != '\\') key.push_back('\\');
  return c.session.settings().Probe(key) == 1;
}

std::optional<bool> ProcessTrue(ConditionContext& c) {
  const std::string name = std::string(Trim(c.Text()));
  std::vector<ProcessEntry> processes;
  if (OsError e = c.session.processes().List(&processes); !e.ok()) {
    c.session.SetError("The running processes could not be listed: " + e.ToString());
    return std::nullopt;
  }
  return std::any_of(processes.begin(), processes.end(),
                     [&](const ProcessEntry& p) { return EqualsNoCase(p.name, name) || std::to_string(p.id) == name; });
}

constexpr std::string_view kNumericCharacters = "0123456789., =\r\n\t-";

std::optional<bool> VariableTrue(ConditionContext& c) {
  Session& s = c.session;
  const std::string& raw = c.step.text;
  std::string_view o = c.step.options;
  auto count = [&](char ch) { return std::count(raw.begin(), raw.end(), ch); };
  enum { kEnvironment, kBraced, kUser } kind = count('%') == 2 ? kEnvironment
                                               : (count('{') == 1 && count('}') == 1) ? kBraced
                                                                                         : kUser;
  std::string userName = raw;
  if (kind == kUser && !userName.empty() && userName[0] == '%') userName.erase(0, 1);
  const std::string expanded = s.ExpandStep(kind == kUser ? "%" + userName : raw, c.slot, c.index);
  RunVariables* variables = s.variables();
  auto stored = [&] { return variables && variables->ProbeVariable(userName) > 0; };
  if (kind == kUser && !variables) return Unavailable(c, "the variable store");

  if (ContainsNoCase(o, "Exist") || ContainsNoCase(o, "Define")) {
    switch (kind) {
      case kUser: return stored();
      case kBraced: return !expanded.empty() && expanded.find('{') == std::string::npos;
      case kEnvironment: {
        const size_t first = raw.find('%'), second = raw.find('%', first + 1);
        auto value = s.environment().Get(raw.substr(first + 1, second - first - 1));
        return value && !value->empty();
      }
    }
  }
  if (ContainsNoCase(o, "Empty")) return expanded.empty() && (kind != kUser || stored());
  if (ContainsNoCase(o, "Numeric")) return !expanded.empty() && OnlyCharactersOf(expanded, kNumericCharacters);
  return false;
}

std::optional<bool> PathKindTrue(ConditionContext& c, PathKind wanted, const char* label) {
  const std::string path = c.Text();
  if (c.Logging()) LogLine(c.session, FormatText("    %s: [%s]", label, path.c_str()));
  return c.session.files().Kind(path) == wanted;
}

std::optional<bool> FileTrue(ConditionContext& c) { return PathKindTrue(c, PathKind::kFile, "File"); }
std::optional<bool> FolderTrue(ConditionContext& c) { return PathKindTrue(c, PathKind::kFolder, "Folder"); }

std::optional<bool> KeyTrue(ConditionContext& c) {
  const std::string name = c.Text();
  Desktop& d = c.session.desktop();
  const uint8_t code = KeyNameToVk(name, [&d](char ch) { return d.KeyForChar(ch); });
  if (code == 0) {
    c.session.SetError(FormatText("Unknown key \"%s\"", name.c_str()));
    return std::nullopt;
  }
  if (ContainsNoCase(c.step.options, "Last")) return d.KeyPressedAsync(code);
  return d.KeyDown(code);
}

std::optional<bool> CapsLockTrue(ConditionContext& c) { return c.session.desktop().IsKeyPressed(kCapsLock); }

std::optional<bool> WindowTrue(ConditionContext& c) { return Unavailable(c, "the window matching of the desktop actions"); }
std::optional<bool> PixelTrue(ConditionContext& c) { return Unavailable(c, "the pixel and image search of the desktop actions"); }

std::optional<bool> ClipboardTrue(ConditionContext& c) {
  std::optional<std::string> clip = c.session.clipboard().Text();
  std::string_view o = c.step.options;
  if (c.Logging()) {
    std::string shown = clip ? Bounded(*clip, kClipboardShown + 1) : std::string();
    LogLine(c.session, "    Clipboard Contains: " + shown + "...");
  }
  const bool holdsText = clip && !clip->empty();
  if (ContainsNoCase(o, "Empty") || ContainsNoCase(o, "Any Text")) return ContainsNoCase(o, "Is Empty") ? !holdsText : holdsText;
  const std::string wanted = c.Text();
  const std::string have = clip.value_or("");
  if (ContainsNoCase(o, "Insens")) return ContainsNoCase(have, wanted);
  if (ContainsNoCase(o, "Partial")) return have.find(wanted) != std::string::npos;
  return have == wanted;
}

struct ConditionRow {
  const char* keyword;
  Condition test;
};
// By action name, tested in this order.
constexpr ConditionRow kConditions[] = {
    {"IF Expression", ExpressionTrue},   {"IF Text", TextTrue},           {"IF String", TextTrue},
    {"Registry", RegistryKeyTrue},       {"Process", ProcessTrue},        {"Variable", VariableTrue},
    {"IF File Exists", FileTrue},        {"IF Folder Exists", FolderTrue}, {"IF Window Exists", WindowTrue},
    {"Pixel", PixelTrue},                {"Image", PixelTrue},            {"Pressed", KeyTrue},
    {"IF Caps Lock is On", CapsLockTrue}, {"IF Clipboard", ClipboardTrue},
};

int Evaluate(Session& session, int slot, int index, Step& step) {
  ConditionContext context{session, slot, index, step};
  std::optional<bool> holds;
  bool known = false;
  if (const ConditionCheck* test = session.conditions.Find(step.action)) {
    holds = (*test)(session, slot, index);
    known = true;
  }
  for (const ConditionRow& row : kConditions) {
    if (known) break;
    if (!ContainsNoCase(step.action, row.keyword)) continue;
    holds = row.test(context);
    known = true;
    break;
  }
  if (!known) return session.Fail(FormatText("Unknown condition \"%s\"", step.action.c_str()));
  // A condition that could not be tested is a failure of the Step, not a false condition.
  if (!holds) return result::kFailure;
  bool value = *holds;
  if (ContainsNoCase(step.options, "NOT")) value = !value;
  LogFormat(session, "    \"IF\" check evaluated to %s", value ? "TRUE" : "FALSE");
  if (ContainsNoCase(step.options, "Quick")) return value ? result::kSuccess : result::kFailure;
  if (!value) return result::kFailure;
  FlowState& flow = session.flowState;
  flow.ifs[static_cast<size_t>(std::clamp(flow.ifDepth, 0, kIfSlots - 1))] = index + 1;
  return result::kSuccess;
}

// Passes over the rest of a block whose branch was taken.
int SkipToEndIf(Session& session, int slot, int index, Step& step) {
  step.ranFlag = ran::kNotRun;
  session.run.keepRanFlag = true;
  session.run.nextStep = FindElseOrEndIf(session, slot, index, true);
  return result::kSuccess;
}

}  // namespace

int ConditionExecutor(Session& session, int slot, int index, bool) {
  Step& step = session.scripts.At(slot)->steps[static_cast<size_t>(index)];
  FlowState& flow = session.flowState;
  step.ranFlag = ran::kSucceeded;
  std::string_view name = step.action;
  std::string_view options = step.options;
  const bool blockIf = IsBlockIf(step);
  auto top = [&]() -> int32_t& { return flow.ifs[static_cast<size_t>(std::clamp(flow.ifDepth, 0, kIfSlots - 1))]; };

  if (blockIf && !ContainsNoCase(options, "ELSE")) {
    if (++flow.ifDepth >= kIfSlots) {
      LogLine(session, "    WARNING: Too many embedded IF statements");
      flow.ifDepth = kIfSlots - 1;
    } else {
      top() = 0;
    }
    return Evaluate(session, slot, index, step);
  }
  if (blockIf) {
    if (top() == 0) return Evaluate(session, slot, index, step);
    return SkipToEndIf(session, slot, index, step);
  }
  if (EqualsNoCase(name, "ELSE")) {
    if (top() != 0) return SkipToEndIf(session, slot, index, step);
    return result::kSuccess;
  }
  if (EqualsNoCase(name, "END IF")) {
    if (top() != 0)
      LogFormat(session, "    Closing IF block which evaluated to TRUE at [Step %d]", top());
    else
      LogLine(session, "    Closing IF block which evaluated to false");
    top() = 0;
    flow.ifDepth = std::max(flow.ifDepth - 1, 0);
    return result::kSuccess;
  }
  return Evaluate(session, slot, index, step);
}

}  // namespace plumo
