#include "actions/programs/run_program.h"

#include <algorithm>

#include "actions/programs/process_search.h"
#include "base/text.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "platform/registry.h"

namespace plumo {
namespace {

constexpr uint32_t kPollMs = 100;
constexpr uint32_t kReadyAtLeastMs = 5000;
constexpr uint32_t kExitGraceMs = 500;
constexpr uint32_t kHiddenShellMs = 2000;
constexpr uint32_t kHiddenSettleMs = 100;
constexpr size_t kLoggedCommand = 121;
constexpr size_t kExtensionWidth = 14;
constexpr int kHide = 0;

// The first word: quoted, or up to a blank.
std::string FirstWord(std::string_view command, std::string* rest) {
  command = Trim(command);
  size_t end;
  std::string word;
  if (!command.empty() && command[0] == '"') {
    end = command.find('"', 1);
    word = std::string(command.substr(1, end == std::string_view::npos ? std::string_view::npos : end - 1));
    end = end == std::string_view::npos ? command.size() : end + 1;
  } else {
    end = std::min(command.find(' '), command.size());
    word = std::string(command.substr(0, end));
  }
  if (rest) *rest = std::string(Trim(command.substr(end)));
  return word;
}

std::string FolderOf(const std::string& path) {
  const size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

// The program and arguments of a command that names an ".exe": the program runs through it.
void SplitAtExe(std::string_view command, std::string* program, std::string* arguments) {
  command = Trim(command);
  if (!command.empty() && command[0] == '"') command.remove_prefix(1);
  const size_t exe = FindNoCase(command, ".EXE") + 4;
  *program = std::string(command.substr(0, exe));
  std::string_view rest = command.substr(exe);
  if (!rest.empty() && rest[0] == '"') rest.remove_prefix(1);
  *arguments = std::string(Trim(rest));
}

// Attempt C: the program registered to open the command's extension, and the command after it.
std::string RegisteredCommand(Session& session, const std::string& command) {
  const size_t dot = command.find_last_of('.');
  std::string extension = command.substr(dot, kExtensionWidth);
  while (!extension.empty() && (extension.back() == '"' || extension.back() == ' ')) extension.pop_back();
  std::optional<std::string> registered = RegisteredOpenCommand(session.registry(), extension);
  if (!registered) return "";
  std::string program = session.environment().ExpandStrings(*registered);
  for (const char* placeholder : {"%1", "%L", "%l", "%*"})
    if (size_t at = program.find(placeholder); at != std::string::npos) program.resize(at);
  while (!program.empty() && (program.back() == ' ' || program.back() == '"')) program.pop_back();
  if (!program.empty() && program[0] == '"') program.erase(0, 1);
  if (program.empty()) return "";
  if (program.back() == ':' || program.back() == '=') return program + command;
  // A registered line with arguments of its own keeps them after its program.
  if (program.find('"') != std::string::npos) return "\"" + program + " " + InQuotes(command);
  return InQuotes(program) + " " + InQuotes(command);
}

// Polls in slices so that a stop of the run is seen; false when the run is to stop.
bool WaitReady(Session& session, StartedProgram& program, int64_t waitMs) {
  const uint64_t limit = waitMs < 0 ? UINT64_MAX : std::max<uint64_t>(kReadyAtLeastMs, static_cast<uint64_t>(waitMs));
  for (uint64_t waited = 0; waited < limit; waited += kPollMs) {
    if (program.WaitUntilReady(static_cast<uint32_t>(std::min<uint64_t>(kPollMs, limit - waited)))) return true;
    if (session.StopRequested()) return false;
  }
  return true;
}

int AfterShellStart(Session& session, bool hidden, uint32_t foreground) {
  if (!hidden) return runresult::kStarted;
  session.SleepInRun(kHiddenShellMs);
  Desktop& desktop = session.desktop();
  const uint32_t now = desktop.ForegroundWindow();
  if (now != foreground && now != 0) {
    desktop.ShowWindow(now, kHide);
    desktop.SetForegroundWindow(foreground);
  }
  return runresult::kStarted;
}

int AfterProcessStart(Session& session, StartedProgram& program, const RunRequest& r) {
  if (!WaitReady(session, program, r.waitMs)) return runresult::kStillRunning;
  if (r.hidden) {
    session.SleepInRun(kHiddenSettleMs);
    const uint32_t window = MainWindowOfProcess(session, program.Id());
    if (window && session.desktop().IsWindowVisible(window)) session.desktop().ShowWindow(window, kHide);
  }
  if (r.waitMs == 0) return runresult::kStarted;
  const uint64_t limit = r.waitMs < 0 ? UINT64_MAX : static_cast<uint64_t>(r.waitMs) + kExitGraceMs;
  // Each slice waits its whole length unless the program ends.
  for (uint64_t waited = 0; waited < limit;) {
    const auto slice = static_cast<uint32_t>(std::min<uint64_t>(kPollMs, limit - waited));
    if (std::optional<uint32_t> code = program.WaitForExit(slice)) return static_cast<int32_t>(*code);
    if (!session.Checkpoint()) return runresult::kStillRunning;
    waited += slice;
  }
  return runresult::kStillRunning;
}

}  // namespace

int RunProgram(Session& session, const RunRequest& r) {
  if (r.command.empty()) return runresult::kNotStarted;
  Processes& processes = session.processes();
  const uint32_t foreground = r.hidden ? session.desktop().ForegroundWindow() : 0;
  const std::string& command = r.command;
  OsError error;

  // A: the command as one quoted program, in its own folder.
  const std::string copy = command.find('"') == std::string::npos ? InQuotes(command) : command;
  std::unique_ptr<StartedProgram> program = processes.Start(copy, FolderOf(FirstWord(copy, nullptr)), r.hidden, &error);
  // B: the program along the path.
  const bool namesExe = ContainsNoCase(command, ".EXE");
  if (!program && (namesExe || processes.BareProgramNames())) {
    std::string name, arguments;
    if (namesExe) SplitAtExe(command, &name, &arguments);
    else name = FirstWord(command, &arguments);
    const std::string found = processes.FindOnPath(name);
    if (!found.empty())
      program = processes.Start(InQuotes(found) + (arguments.empty() ? "" : " " + arguments), "", r.hidden, &error);
  }
  // C: the program registered for the extension.
  if (!program && command.find('.') != std::string::npos) {
    const std::string line = RegisteredCommand(session, command);
    if (!line.empty()) program = processes.Start(line, "", r.hidden, &error);
  }
  if (program) return AfterProcessStart(session, *program, r);

  // D and E: the shell, which cannot be waited for.
  if (processes.ShellOpen(command, "", r.hidden).ok()) return AfterShellStart(session, r.hidden, foreground);
  const size_t cut = command.find('"') != std::string::npos ? command.find('"') : command.find(' ');
  std::string name = std::string(Trim(std::string_view(command).substr(0, cut)));
  name.erase(std::remove_if(name.begin(), name.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }),
             name.end());
  const std::string parameters(cut == std::string::npos ? "" : Trim(std::string_view(command).substr(cut)));
  if (processes.ShellOpen(name, parameters, r.hidden).ok() ||
      (!ContainsNoCase(name, ".EXE") && processes.ShellOpen(name + ".EXE", parameters, r.hidden).ok()))
    return AfterShellStart(session, r.hidden, foreground);

  // F: the program associated with the document.
  if (!namesExe) {
    const std::string exe = processes.AssociatedProgram(command);
    if (!exe.empty()) program = processes.Start(InQuotes(exe) + " " + InQuotes(command), "", r.hidden, &error);
    if (program) return AfterProcessStart(session, *program, r);
  }
  if (r.log) {
    std::string shown = command.size() > kLoggedCommand ? command.substr(0, kLoggedCommand) + "..." : command;
    LogLine(session, "    Unable to start [" + shown + "] with any method");
  }
  return runresult::kNotStarted;
}

}  // namespace plumo
