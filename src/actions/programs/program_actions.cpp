#include "actions/programs/program_actions.h"

#include <algorithm>
#include <memory>

#include "actions/desktop/window_activation.h"
#include "actions/programs/dll_call.h"
#include "actions/programs/process_search.h"
#include "actions/programs/run_program.h"
#include "base/text.h"
#include "engine/run_controller.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "scripts/action_catalog.h"

namespace plumo {
namespace {

constexpr uint32_t kForegroundSettleMs = 250;
constexpr uint32_t kCommandMessage = 0x0111;  // WM_COMMAND
constexpr size_t kAutoRunListWidth = 0xFFF00;
constexpr size_t kServiceMessageWidth = 2047;
constexpr size_t kLoggedRunBuffer = 255;
constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

struct Context {
  Session& session;
  int slot;
  int index;
  Step& step;
  std::string text;  // expanded
  std::string Expand(std::string_view field) { return session.ExpandStep(field, slot, index); }
};

// The program a command starts: quoted, or through its ".exe", or its first word.
std::string ProgramOf(std::string_view command) {
  command = Trim(command);
  if (!command.empty() && command[0] == '"') {
    command.remove_prefix(1);
    return std::string(command.substr(0, command.find('"')));
  }
  const size_t exe = FindNoCase(command, ".exe");
  if (exe != std::string_view::npos) return std::string(command.substr(0, exe + 4));
  return std::string(command.substr(0, command.find(' ')));
}

int SendCommand(Context& c) {
  Desktop& desktop = c.session.desktop();
  uint32_t window = c.session.currentWindow;
  if (!window || !desktop.IsWindow(window)) {
    c.session.SleepInRun(kForegroundSettleMs);
    window = desktop.ForegroundWindow();
    c.session.currentWindow = window;
  }
  const auto id = static_cast<uint64_t>(LeadingInteger(c.text)) & 0xFFFF;
  desktop.Post(window, kCommandMessage, id, 0);
  return result::kSuccess;
}

int AutoRun(Context& c) {
  Registry& registry = c.session.registry();
  const std::string_view options = c.step.options;
  const RegRoot roots[] = {RegRoot::kCurrentUser, RegRoot::kLocalMachine};
  if (ContainsNoCase(options, "Add")) {
    std::string name(NamePart(ProgramOf(c.text)));
    if (const size_t dot = name.find_last_of('.'); dot != std::string::npos) name.resize(dot);
    OsError e = registry.WriteValue(RegRoot::kCurrentUser, kRunKey, name, RegValue::Text(c.text));
    return e.ok() ? result::kSuccess : c.session.Fail(e.ToString());
  }
  if (ContainsNoCase(options, "Remove")) {
    const bool all = ContainsNoCase(options, "All");
    for (RegRoot root : roots) {
      std::vector<std::string> names;
      if (!registry.ListValues(root, kRunKey, &names).ok()) continue;
      for (const std::string& name : names) {
        RegValue value;
        if (!registry.ReadValue(root, kRunKey, name, &value).ok()) continue;
        const std::string data = value.AsText();
        const bool named = (!name.empty() && ContainsNoCase(c.text, name)) || (!data.empty() && ContainsNoCase(c.text, data));
        if (!all && !named) continue;
        if (registry.DeleteValue(root, kRunKey, name).ok() && !all) return result::kSuccess;
      }
    }
    return all ? result::kSuccess : result::kFailure;
  }
  if (ContainsNoCase(options, "List")) {
    std::string list;
    for (RegRoot root : roots) {
      std::vector<std::string> names;
      if (!registry.ListValues(root, kRunKey, &names).ok()) continue;
      for (const std::string& name : names) {
        RegValue value;
        if (registry.ReadValue(root, kRunKey, name, &value).ok()) list += name + "=" + value.AsText() + "\r\n";
      }
    }
    if (list.size() > kAutoRunListWidth) list.resize(kAutoRunListWidth);
    c.session.StoreOutput(c.slot, c.index, list);
    return result::kSuccess;
  }
  return result::kFailure;
}

int Kill(Context& c) {
  if (SearchProcesses(c.session, c.text, ProcessSearch::kEnd) != 0) return result::kSuccess;
  return c.session.Fail("Unable to find process '" + c.text + "'");
}

struct PanelRow {
  const char* word;
  const char* command;
};
// First hit wins.
constexpr PanelRow kPanels[] = {
    {"System", "rundll32.exe Shell32.dll Control_RunDLLA sysdm.cpl"},
    {"Add/Remove Programs", "rundll32.exe Shell32.dll Control_RunDLLA appwiz.cpl"},
    {"Internet", "rundll32.exe Shell32.dll Control_RunDLLA inetcpl.cpl 0"},
    {"Device Manager", "rundll32.exe DevMgr.dll DeviceManager_ExecuteA"},
    {"Display", "rundll32.exe Shell32.dll Control_RunDLLA desk.cpl"},
    {"Time/Date", "rundll32.exe Shell32.dll Control_RunDLLA timedate.cpl"},
    {"Regional", "rundll32.exe Shell32.dll Control_RunDLLA intl.cpl 0"},
    {"Keyboard", "rundll32.exe Shell32.dll Control_RunDLLA main.cpl @1"},
    {"Game Controllers", "rundll32.exe Shell32.dll Control_RunDLLA joy.cpl"},
    {"Mouse", "rundll32.exe Shell32.dll Control_RunDLLA main.cpl @0"},
    {"Power", "rundll32.exe Shell32.dll Control_RunDLLA powercfg.cpl"},
    {"Sounds", "rundll32.exe Shell32.dll Control_RunDLLA mmsys.cpl 0"},
    {"Network", "control.exe netconnections"},
    {"Ease of Access", "rundll32.exe Shell32.dll Control_RunDLLA access.cpl"},
    {"Admin", "control.exe admintools"},
    {"Phone", "control.exe telephony"},
    {"Scheduled", "control.exe schedtasks"},
    {"User", "control.exe userpasswords"},
    {"Fonts", "control.exe fonts"},
    {"Appearance", "control.exe color"},
};

int ControlPanel(Context& c) {
  const std::string_view written = c.step.text;
  std::string command = "control.exe";
  for (const PanelRow& row : kPanels) {
    if (!ContainsNoCase(written, row.word)) continue;
    command = row.command;
    if (std::string_view(row.word) == "System" && ContainsNoCase(written, "Advanced")) command += ",,3";
    break;
  }
  RunRequest r{command, false, 0, true};
  return RunProgram(c.session, r) == runresult::kNotStarted ? result::kFailure : result::kSuccess;
}

int Service(Context& c) {
  ServiceRequest request;
  if (ContainsNoCase(c.step.action, "Startup")) {
    const std::string type = c.Expand(c.step.value1);
    if (EqualsNoCase(type, "Automatic")) request = ServiceRequest::kAutomatic;
    else if (EqualsNoCase(type, "Manual")) request = ServiceRequest::kManual;
    else if (EqualsNoCase(type, "Disabled")) request = ServiceRequest::kDisabled;
    else return c.session.Fail("The parameter is incorrect.");
  } else if (ContainsNoCase(c.step.action, "Start")) {
    request = ServiceRequest::kStart;
  } else if (ContainsNoCase(c.step.action, "Stop")) {
    request = ServiceRequest::kStop;
  } else {
    return c.session.Fail("The parameter is incorrect.");
  }
  OsError e = c.session.processes().ControlService(c.text, request);
  return e.ok() ? result::kSuccess : c.session.Fail(Bounded(e.message(), kServiceMessageWidth));
}

// The running Script's file, taken from the current folder when it was named relative to it.
std::string ScriptPath(Context& c) {
  std::string path = c.session.scripts.At(c.slot)->path.str();
  if (path.empty() || IsRootedPath(path)) return path;
  std::string folder = c.session.system().CurrentDirectory();
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += folder[0] == '/' ? "/" : "\\";
  return folder + path;
}

std::string ScriptFolder(Context& c) { return std::string(FolderPart(ScriptPath(c))); }

bool SamePath(std::string a, std::string b) {
  std::replace(a.begin(), a.end(), '/', '\\');
  std::replace(b.begin(), b.end(), '/', '\\');
  return EqualsNoCase(a, b);
}

// A command whose program is a file beside the running Script starts that file.
std::string Resolved(Context& c, const std::string& command) {
  const std::string program = ProgramOf(command);
  const std::string folder = ScriptFolder(c);
  if (program.empty() || IsRootedPath(program) || folder.empty()) return command;
  if (c.session.files().Kind(folder + program) != PathKind::kFile) return command;
  const size_t at = command.find(program);
  return command.substr(0, at) + folder + command.substr(at);
}

// The 1-based number of the Step whose text is the label, by the "<step" tags of the file;
// nullopt when the file cannot be read or has no such Step.
std::optional<int> LabelStep(Context& c, const std::string& script, const std::string& label) {
  std::string content;
  bool opened = false;
  if (!c.session.files().ReadFile(script, &content, &opened).ok()) return std::nullopt;
  const size_t at = content.find("<text>" + label + "</text>");
  if (at == std::string::npos) return std::nullopt;
  int count = 0;
  for (size_t p = content.find("<step"); p != std::string::npos && p < at; p = content.find("<step", p + 5)) ++count;
  return count;
}

int RunOrCall(Context& c, const std::string& scriptRunner) {
  const std::string_view action = c.step.action;
  const std::string_view options = c.step.options;
  std::string command = Resolved(c, c.text);
  const bool callAction = ContainsNoCase(action, "CALL SCRIPT");
  const bool namesExe = ContainsNoCase(command, ".EXE");
  const bool call = !namesExe && (callAction || ContainsNoCase(command, ".VXM"));
  if (call) {
    const size_t vxm = FindNoCase(command, ".vxm");
    std::string script = vxm == std::string::npos ? command : command.substr(0, vxm + 4);
    std::string extra = vxm == std::string::npos ? "" : std::string(Trim(std::string_view(command).substr(vxm + 4)));
    if (!script.empty() && script[0] == '"') {
      script.erase(0, 1);
      if (!extra.empty() && extra[0] == '"') extra = std::string(Trim(std::string_view(extra).substr(1)));
    }
    script = std::string(Trim(script));
    if (SamePath(script, ScriptPath(c)))
      return c.session.Fail("A script cannot call itself (it would cause an endless loop)");
    const std::string start = c.Expand(c.step.value1);
    std::string startStep = start;
    if (!start.empty() && !AllDigits(start)) {
      std::optional<int> number = LabelStep(c, script, start);
      if (!number) return c.session.Fail("The label '" + start + "' was not found in '" + script + "'");
      startStep = std::to_string(*number);
    }
    const std::string runner = scriptRunner.empty() ? c.session.environment().ProgramPath() : scriptRunner;
    command = InQuotes(runner) + " -r " + InQuotes(script) + " -s " + startStep;
    if (callAction && c.session.run.logLevel == 2) command += " -L ";
    // Last: a "%name=value" field runs to the next '%' or the end, so any switch after it
    // would become part of the value. An empty "-s" before them reads as 0.
    if (!extra.empty()) command += (command.back() == ' ' ? "" : " ") + extra;
  }
  if (c.step.runCount < 2)
    LogLine(c.session, "    Translated run buffer: [" + command.substr(0, kLoggedRunBuffer) + "]");

  const bool wait = ContainsNoCase(options, "Wait") || callAction;
  const bool hidden = ContainsNoCase(options, "hidden");
  if (ContainsNoCase(options, "Single") && !callAction && !wait) {
    std::string program(NamePart(ProgramOf(command)));
    if (program.find('.') == std::string::npos && !c.session.processes().BareProgramNames()) program += ".exe";
    uint32_t window = 0;
    if (SearchProcesses(c.session, program, ProcessSearch::kFind, nullptr, 0, &window) != 0) {
      LogLine(c.session, "    Found existing program already running - Activating [" + command + "]");
      if (window) ActivateWindow(c.session, window, false);
      return result::kSuccess;
    }
  }
  if (!wait) {
    RunRequest r{command, hidden && !ContainsNoCase(command, "Plumo.exe"), 0, true};
    if (RunProgram(c.session, r) == runresult::kNotStarted)
      return c.session.Fail("Unable to start [" + command.substr(0, kLoggedRunBuffer) + "]");
    return result::kSuccess;
  }
  const double seconds = c.session.variables() ? c.session.variables()->EvaluateNumber(c.Expand(c.step.timeout)) : 0;
  const int64_t waitMs = seconds > 0 ? static_cast<int64_t>(seconds * 1000) : -1;
  RunRequest r{command, hidden, waitMs, true};
  const int code = RunProgram(c.session, r);
  if (code == runresult::kStillRunning) {
    if (c.session.StopRequested()) return result::kStop;
    return c.session.Fail("Program still running after timeout limit of " + c.step.timeout.str() + " seconds");
  }
  if (code == runresult::kNotStarted) return c.session.Fail("Unable to start [" + command.substr(0, kLoggedRunBuffer) + "]");
  c.session.StoreOutput(c.slot, c.index, std::to_string(code));
  return result::kSuccess;
}

int ProgramsExecutor(Session& session, Libraries& libraries, DllCallCache& cache, const std::string& scriptRunner,
                     int slot, int index, bool mainThread) {
  Step& step = session.scripts.At(slot)->steps[static_cast<size_t>(index)];
  const std::string_view action = step.action;
  if (mainThread) return CallDllStep(session, libraries, cache, slot, index, DllCaller::kCallDllFunction);
  Context c{session, slot, index, step, {}};
  const bool autoRun = ContainsNoCase(action, "AutoRun");
  c.text = c.Expand(step.text);
  if (c.text.empty() && !autoRun) return session.Fail("No program name or command line provided");
  if (ContainsNoCase(action, "Send") && ContainsNoCase(action, "Command")) return SendCommand(c);
  if (ContainsNoCase(action, "DLL")) return ForwardToMainThread(session, category::kRun, slot, index);
  if (autoRun) return AutoRun(c);
  if (ContainsNoCase(action, "KILL")) return Kill(c);
  if (ContainsNoCase(action, "Control Panel")) return ControlPanel(c);
  if (ContainsNoCase(action, "Service")) return Service(c);
  return RunOrCall(c, scriptRunner);
}

}  // namespace

void RegisterProgramActions(Session& session, Libraries& libraries, std::string scriptRunner) {
  auto cache = std::make_shared<DllCallCache>();
  session.executors.Register(category::kRun, [&libraries, cache, runner = std::move(scriptRunner)](
                                                 Session& s, int slot, int index, bool main) {
    return ProgramsExecutor(s, libraries, *cache, runner, slot, index, main);
  });
  session.executors.RegisterAction(category::kSystem, "Windows API",
                                   [&libraries, cache](Session& s, int slot, int index, bool mainThread) {
                                     if (!mainThread) return ForwardToMainThread(s, category::kSystem, slot, index);
                                     return CallDllStep(s, libraries, *cache, slot, index, DllCaller::kWindowsApi);
                                   });
}

}  // namespace plumo
