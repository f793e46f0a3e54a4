// The executor of "System" (16): variables, the step delay, the studio's run settings, text to
// the Output palette and the log, the clipboard, and the end of the session.
#include "engine/system_actions.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "base/text.h"
#include "engine/run_controller.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "scripts/action_catalog.h"
#include "vars/number_text.h"

namespace plumo {
namespace {

constexpr uint32_t kPasteSettleMs = 500;
constexpr size_t kSystemMessageWidth = 2048;
constexpr uint8_t kKeyV = 'V';

struct Context {
  Session& session;
  int slot;
  int index;
  Step& step;
  std::string Expand(std::string_view field, unsigned flags = 0, size_t* length = nullptr) {
    return session.ExpandStep(field, slot, index, flags, length);
  }
};

using SystemAction = int (*)(Context& c);

int Comment(Context&) { return result::kSuccess; }

std::string WithoutPercents(std::string_view name) {
  std::string out;
  for (char ch : name)
    if (ch != '%') out.push_back(ch);
  return out;
}

int SetEnvironment(Context& c, const std::string& value) {
  const std::string name = WithoutPercents(c.step.outputValue);
  std::string rewritten = c.step.outputValue.str();
  if (rewritten.empty() || rewritten.front() != '%') rewritten.insert(rewritten.begin(), '%');
  if (rewritten.size() < 2 || rewritten.back() != '%') rewritten.push_back('%');
  OsError e = c.session.environment().Set(name, value);
  if (rewritten != c.step.outputValue.str())
    c.session.EditRunningStep(c.slot, c.index, [&rewritten](Step& step) { step.outputValue = rewritten; });
  if (!e.ok()) return c.session.Fail(Bounded(e.message(), kSystemMessageWidth));
  return result::kSuccess;
}

// A variable reference as the outputValue names it: "%total", "total" or "{3}".
std::string Reference(std::string_view name) {
  if (!name.empty() && (name[0] == '%' || name[0] == '{')) return std::string(name);
  return "%" + std::string(name);
}

int StepVariable(Context& c, double delta) {
  const std::string current = c.Expand(Reference(c.step.outputValue));
  const double value = std::strtod(current.c_str(), nullptr) + delta;
  c.session.StoreOutput(c.slot, c.index, NumberToText(value, 15));
  return result::kSuccess;
}

int Variable(Context& c) {
  std::string_view name = c.step.action;
  std::string_view options = c.step.options;
  const bool deleting = ContainsNoCase(name, "Delete");
  if (c.step.outputValue.empty() && !deleting) LogLine(c.session, "    WARNING: No variable name provided");
  unsigned flags = expandflag::kKeepBinary;
  if (ContainsNoCase(options, "No Variable Expansion"))
    flags = expandflag::kNone;
  else if (ContainsNoCase(options, "Single"))
    flags = expandflag::kSingle;
  size_t length = 0;
  const std::string value = c.Expand(c.step.text, flags, &length);

  const bool environment = ContainsNoCase(name, "Environment");
  if ((ContainsNoCase(name, "Set") || ContainsNoCase(name, "Create") || ContainsNoCase(name, "Update")) && !environment) {
    // Kinds that need no name (Clipboard, Output) still store; the Variable kind with no
    // name stores nothing by itself.
    c.session.StoreOutput(c.slot, c.index, value, length);
    return result::kSuccess;
  }
  if (environment) return SetEnvironment(c, value);
  if (deleting) {
    RunVariables* variables = c.session.variables();
    if (!variables) return c.session.Fail("Deleting variables needs the variable store, which is not built yet");
    variables->DeleteVariable(c.slot, c.index,
                              ContainsNoCase(options, "All") ? std::string_view("All") : std::string_view(c.step.outputValue));
    return result::kSuccess;
  }
  if (ContainsNoCase(name, "Increment")) return StepVariable(c, 1);
  if (ContainsNoCase(name, "Decrement")) return StepVariable(c, -1);
  return result::kSuccess;
}

int StepDelay(Context& c) {
  std::string text = c.Expand(c.step.timeout);
  if (text.empty()) text = c.Expand(c.step.text);
  SettingsStore& settings = c.session.settings();
  settings.WriteText("*\\InterStepDelay-%d", text, {c.slot});
  if (ContainsNoCase(c.step.options, "Global")) settings.WriteText("*\\InterStepDelay", text);
  c.session.slots[static_cast<size_t>(c.slot)].interStepDelay = static_cast<uint32_t>(std::max(LeadingInteger(text), 0));
  return result::kSuccess;
}

int SettingChange(Context& c) {
  std::string_view words = c.step.text;
  std::string_view options = c.step.options;
  const bool off = ContainsNoCase(options, "OFF");
  SettingsStore& settings = c.session.settings();
  RunView& view = c.session.view();
  if (ContainsNoCase(words, "Track")) {
    settings.WriteNumber("*\\RunTrackingShow", off ? 0 : 1);
    view.TrackingClose();
    if (!off) view.TrackingOpen();
  } else if (ContainsNoCase(words, "Log")) {
    int level = off ? 0 : ContainsNoCase(options, "HI") ? 2 : ContainsNoCase(options, "ON") ? 1 : -1;
    if (level >= 0) {
      c.session.run.logLevel = static_cast<uint8_t>(level);
      settings.WriteNumber("*\\LogLevel", static_cast<uint32_t>(level));
    }
  } else if (ContainsNoCase(words, "Highlight")) {
    c.session.run.highlight = off ? 0 : 1;
    settings.WriteNumber("*\\HiliteRunningStep", off ? 0 : 1);
  }
  return result::kSuccess;
}

int WriteToOutput(Context& c) {
  const std::string text = c.Expand(c.step.text);
  if (text.find('%') == std::string::npos) LogLine(c.session, text);
  c.session.system().DebugOutput(text + "\r\n");
  return result::kSuccess;
}

int WriteToLog(Context& c) {
  OsError e = AppendToLogFile(c.session, c.Expand(c.step.text) + "\r\n");
  return e.ok() ? result::kSuccess : c.session.Fail(e.ToString());
}

int SetClipboard(Context& c) {
  OsError e = c.session.clipboard().SetText(c.Expand(c.step.text));
  return e.ok() ? result::kSuccess : c.session.Fail(e.ToString());
}

int PasteClipboard(Context& c) {
  Desktop& desktop = c.session.desktop();
  OsError e = desktop.PressKey(vk::kControl, false);
  if (e.ok()) e = desktop.PressKey(kKeyV, false);
  if (e.ok()) e = desktop.ReleaseKey(kKeyV, false);
  OsError up = desktop.ReleaseKey(vk::kControl, false);
  if (!e.ok()) return c.session.Fail(e.ToString());
  if (!up.ok()) return c.session.Fail(up.ToString());
  c.session.clock().Sleep(kPasteSettleMs);
  return result::kSuccess;
}

int ClearClipboard(Context& c) {
  OsError e = c.session.clipboard().Clear();
  return e.ok() ? result::kSuccess : c.session.Fail(e.ToString());
}

int Capture(Context& c) {
  return c.session.Fail("\"Image Capture\" needs the desktop actions, which this program does not carry");
}

int EndSession(Context& c, SessionEnd how, const char* line) {
  LogFormat(c.session, line, c.index + 1);
  OsError e = c.session.system().EndSession(how);
  return e.ok() ? result::kSuccess : c.session.Fail(e.ToString());
}
int Logoff(Context& c) { return EndSession(c, SessionEnd::kLogoff, "Logoff at [Step %d]..."); }
int Reboot(Context& c) { return EndSession(c, SessionEnd::kReboot, "Rebooting at [Step %d]..."); }
int Shutdown(Context& c) { return EndSession(c, SessionEnd::kShutdown, "Shutdown at [Step %d]..."); }

int WindowsApi(Context& c) { return c.session.Fail("\"Windows API\" needs the DLL calls, which are not built yet"); }

struct SystemRow {
  const char* keyword;
  SystemAction action;
};
// By action name, tested in this order.
constexpr SystemRow kSystemActions[] = {
    {"Comment", Comment},          {"Variable", Variable},          {"Step Delay", StepDelay},
    {"Plumo", SettingChange},      {"Write to Output", WriteToOutput}, {"Write to Log", WriteToLog},
    {"Set Clipboard", SetClipboard}, {"Paste Clipboard", PasteClipboard}, {"Clear Clipboard", ClearClipboard},
    {"Capture", Capture},          {"Logoff", Logoff},              {"Restart", Reboot},
    {"Shutdown", Shutdown},        {"API", WindowsApi},
};

}  // namespace

int SystemExecutor(Session& session, int slot, int index, bool) {
  Step& step = session.scripts.At(slot)->steps[static_cast<size_t>(index)];
  Context c{session, slot, index, step};
  for (const SystemRow& row : kSystemActions)
    if (ContainsNoCase(step.action, row.keyword)) return row.action(c);
  return result::kSuccess;
}

void RegisterSystemActions(Session& session) { session.executors.Register(category::kSystem, SystemExecutor); }

}  // namespace plumo
