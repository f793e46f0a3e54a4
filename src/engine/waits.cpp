#include "engine/waits.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "base/text.h"
#include "engine/failure.h"
#include "engine/run_controller.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "vars/dates.h"
#include "vars/text_format.h"

namespace plumo {
namespace {

constexpr uint32_t kPollMs = 1000;
constexpr uint32_t kFilePollMs = 3000;
constexpr uint32_t kDatePollMs = 60000;
constexpr uint32_t kDateMarginMs = 500;
constexpr char kRunKey[] = "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\%s";

Step& StepAt(Session& session, int slot, int index) { return session.scripts.At(slot)->steps[static_cast<size_t>(index)]; }

uint32_t TimeoutMs(double seconds) {
  if (!(seconds > 0)) return 0;
  return static_cast<uint32_t>(std::min(seconds * 1000.0, 4294967295.0));
}

// ---- Restart entries ----

std::string RestartCommand(Session& session, int slot, int index) {
  const std::string program = session.environment().ProgramPath();
  const std::string& script = session.scripts.At(slot)->path.str();
  std::string command = "\"" + program + "\"";
  if (ContainsNoCase(program, "Plumo.exe") || ContainsNoCase(script, ".VXM")) command += " -r \"" + script + "\"";
  return command + " -s " + std::to_string(index + 1);
}

std::string RestartValueName(Session& session, int slot) { return ScriptFileName(session.scripts.At(slot)->path.str()); }

void WriteRestartEntry(Session& session, int slot, int index) {
  session.settings().WriteText(kRunKey, RestartCommand(session, slot, index), {RestartValueName(session, slot)});
}

void DeleteRestartEntry(Session& session, int slot) { session.settings().Delete(kRunKey, {RestartValueName(session, slot)}); }

int WaitForRestart(Session& session, int slot, int index, Step& step) {
  const std::string name = RestartValueName(session, slot);
  std::string_view options = step.options;
  if (ContainsNoCase(options, "Remove")) {
    DeleteRestartEntry(session, slot);
    LogLine(session, FormatText("    Successfully removed restart entry for \"%s\"", name.c_str()));
    return result::kSuccess;
  }
  const std::string command = RestartCommand(session, slot, index);
  const bool existed = session.settings().Probe(kRunKey, {name}) > 0;
  const bool temp = ContainsNoCase(options, "Temp");
  if (options.empty() || ContainsNoCase(options, "Perm") || (temp && !existed)) WriteRestartEntry(session, slot, index);
  const bool startedByEntry = (session.startMode & kStartModeRunAtStart) != 0;
  if (!existed || (!startedByEntry && ContainsNoCase(session.environment().ProgramPath(), "Plumo.EXE"))) {
    LogLine(session, "    Successfully saved restart configuration");
    LogLine(session, FormatText("    Script will be launched next time Windows is started [%s]", command.c_str()));
    if (!session.system().StartsRunEntriesAtBoot())
      LogLine(session, "    This system does not start the entry at boot: start the command yourself after the restart");
    return result::kStop;
  }
  if (temp) DeleteRestartEntry(session, slot);
  return result::kSuccess;
}

// ---- Fixed delays ----

int Delay(Session& session, uint32_t start, uint32_t ms) {
  Clock& clock = session.clock();
  for (;;) {
    const uint32_t elapsed = clock.TickCount() - start;
    if (elapsed >= ms) return result::kSuccess;
    clock.Sleep(0);
    clock.Sleep(std::min(kDelaySliceMs, ms - elapsed));
    if (session.StopRequested()) return result::kStop;
  }
}

// ---- Condition waits ----

enum class WaitKind { kFile, kFolder, kDateTime, kClipboard, kFamily, kUnbuilt };

struct WaitKindRow {
  const char* keyword;
  WaitKind kind;
};
// The kinds a poll tests, by action name in this order.
constexpr WaitKindRow kWaitKinds[] = {
    {"FILE", WaitKind::kFile},       {"FOLDER", WaitKind::kFolder},    {"TYPE", WaitKind::kUnbuilt},
    {"IDLE", WaitKind::kUnbuilt},    {"DATE", WaitKind::kDateTime},    {"TIME", WaitKind::kDateTime},
    {"CLIPBOARD", WaitKind::kClipboard}, {"PIXEL", WaitKind::kUnbuilt}, {"IMAGE", WaitKind::kUnbuilt},
    {"WINDOW", WaitKind::kUnbuilt},  {"SAVER", WaitKind::kUnbuilt},
};

std::optional<WaitKind> KindOf(std::string_view action) {
  for (const WaitKindRow& row : kWaitKinds)
    if (ContainsNoCase(action, row.keyword)) return row.kind;
  return std::nullopt;
}

bool ChangeMode(std::string_view options) { return !ContainsNoCase(options, "Exist"); }

// The date and time of a Wait for Date/Time text; a text without a date means today, one
// without a time the day's start.
std::optional<SystemTime> TargetTime(Session& session, std::string_view text) {
  if (text.find_first_of("0123456789") == std::string_view::npos) return std::nullopt;
  SystemTime now = session.clock().LocalTime();
  SystemTime target{};
  std::optional<CivilDate> date = ParseDate(text, session.locale().Values(), session.clock());
  target.year = static_cast<uint16_t>(date ? date->year : now.year);
  target.month = static_cast<uint16_t>(date ? date->month : now.month);
  target.day = static_cast<uint16_t>(date ? date->day : now.day);
  if (text.find(':') != std::string_view::npos) {
    ClockTime t = ParseTime(text);
    target.hour = static_cast<uint16_t>(std::clamp<int64_t>(t.hours, 0, 23));
    target.minute = static_cast<uint16_t>(std::clamp<int64_t>(t.minutes, 0, 59));
    target.second = static_cast<uint16_t>(std::clamp<int64_t>(t.seconds, 0, 59));
  }
  return target;
}

struct PollAnswer {
  bool met = false;
  uint32_t repollMs = kFilePollMs;
};

PollAnswer TestDateTime(Session& session, int slot, int index, Step& step) {
  const std::string text = session.ExpandStep(step.text, slot, index);
  std::optional<SystemTime> target = TargetTime(session, text);
  const SystemTime now = session.clock().LocalTime();
  if (!target) return {true, 0};  // refused before the wait began; a changed variable ends it
  // Whole milliseconds: the serials' fractions do not add up exactly.
  const double remaining = std::round((SerialOfTime(*target) - SerialOfTime(now)) * 86400000.0);
  if (remaining <= 0) {
    LogLine(session, FormatText("    \"%s\" Done!  Final Comparison: %02d-%02d-%02d %02d:%02d:%02d --> %02d-%02d-%02d %02d:%02d:%02d",
                                text.c_str(), now.year, now.month, now.day, now.hour, now.minute, now.second, target->year,
                                target->month, target->day, target->hour, target->minute, target->second));
    return {true, 0};
  }
  const uint32_t ms = static_cast<uint32_t>(std::min(remaining, 4.0e9));
  LogLine(session, FormatText("    \"%s\" Duration Remaining: %s", text.c_str(), DurationText(ms).c_str()));
  return {false, ms < kDatePollMs ? ms + kDateMarginMs : kDatePollMs};
}

PollAnswer TestClipboard(Session& session, int slot, int index, Step& step) {
  std::optional<std::string> clip = session.clipboard().Text();
  const bool holdsText = clip && !clip->empty();
  if (ContainsNoCase(step.options, "Empty")) return {!holdsText, kFilePollMs};
  const std::string wanted = session.ExpandStep(step.text, slot, index);
  const std::string have = clip.value_or("");
  const bool met = ContainsNoCase(step.options, "Partial") ? have.find(wanted) != std::string::npos : have == wanted;
  return {met, kFilePollMs};
}

PollAnswer TestCondition(Session& session, int slot, int index, Step& step, WaitKind kind) {
  std::string_view options = step.options;
  const bool notExist = ContainsNoCase(options, "Not Exist");
  switch (kind) {
    case WaitKind::kFile: {
      const std::string path = session.ExpandStep(step.text, slot, index);
      if (!ChangeMode(options)) return {(session.files().Kind(path) == PathKind::kFile) != notExist, kFilePollMs};
      FileSnapshot now = TakeFileSnapshot(session.files(), path);
      std::lock_guard<std::mutex> lock(session.waits.mu);
      return {!(now == session.waits.file), kFilePollMs};
    }
    case WaitKind::kFolder: {
      if (ChangeMode(options)) return {false, kFilePollMs};  // the helper answers
      const std::string path = session.ExpandStep(step.text, slot, index);
      return {(session.files().Kind(path) == PathKind::kFolder) != notExist, kFilePollMs};
    }
    case WaitKind::kDateTime: return TestDateTime(session, slot, index, step);
    case WaitKind::kClipboard: return TestClipboard(session, slot, index, step);
    case WaitKind::kFamily: return {session.waits.familyTest(session, slot, index), session.waits.familyPollMs};
    case WaitKind::kUnbuilt: break;
  }
  return {false, kFilePollMs};
}

// Clears the registration and lets the run thread go on; false when no wait was registered
// (another timer came first).
bool Resume(Session& session, int outcome, uint32_t generation = 0) {
  WaitState& w = session.waits;
  {
    std::lock_guard<std::mutex> lock(w.mu);
    if (w.slot < 0 || (generation && generation != w.generation)) return false;
    w.slot = w.index = -1;
    w.outcome = outcome;
    w.resumed = true;
  }
  w.signal.notify_all();
  return true;
}

void KillWaitTimers(Session& session) {
  session.mainQueue().KillTimer(kWaitPollTimer);
  session.mainQueue().KillTimer(kWaitTimeoutTimer);
}

void OnPoll(Session& session, WaitKind kind) {
  WaitState& w = session.waits;
  int slot, index;
  {
    std::lock_guard<std::mutex> lock(w.mu);
    slot = w.slot;
    index = w.index;
  }
  if (slot < 0) {
    session.mainQueue().KillTimer(kWaitPollTimer);
    return;
  }
  if (session.StopRequested()) {
    KillWaitTimers(session);
    Resume(session, 0);
    return;
  }
  Step& step = StepAt(session, slot, index);
  ++step.runCount;
  PollAnswer answer = TestCondition(session, slot, index, step, kind);
  if (answer.met) {
    KillWaitTimers(session);
    Resume(session, 1);
    return;
  }
  session.mainQueue().SetTimer(kWaitPollTimer, answer.repollMs, [&session, kind] { OnPoll(session, kind); });
}

void OnTimeout(Session& session) {
  KillWaitTimers(session);
  Resume(session, 0);
}

// The helper thread: one folder change ends the wait through timer 32877. False when the
// folder cannot be watched.
bool StartFolderHelper(Session& session, const std::string& path, uint32_t generation) {
  WaitState& w = session.waits;
  OsError error;
  w.watch = session.files().WatchFolder(path, &error);
  if (!w.watch) {
    LogLine(session, FormatText("    The folder \"%s\" cannot be watched: %s", path.c_str(), error.ToString().c_str()));
    return false;
  }
  FolderWatch* watch = w.watch.get();
  w.helper = session.threads().Start([&session, watch, generation] {
    if (!watch->WaitForChange()) return;
    session.mainQueue().SetTimer(kWaitFolderTimer, 1, [&session, generation] {
      session.mainQueue().KillTimer(kWaitFolderTimer);
      if (Resume(session, 1, generation)) KillWaitTimers(session);
    });
  });
  return true;
}

void StopFolderHelper(Session& session) {
  WaitState& w = session.waits;
  if (w.watch) w.watch->Cancel();
  w.helper.reset();  // waits for the thread
  w.watch.reset();
}

int ConditionWait(Session& session, int slot, int index, Step& step, WaitKind kind, uint32_t timeoutMs) {
  WaitState& w = session.waits;
  const bool restartEntry = kind == WaitKind::kDateTime && ContainsNoCase(step.options, "restart");
  if (kind == WaitKind::kDateTime && !TargetTime(session, session.ExpandStep(step.text, slot, index)))
    return session.Fail(FormatText("No date or time in \"%s\"", session.ExpandStep(step.text, slot, index).c_str()));
  uint32_t generation;
  {
    std::lock_guard<std::mutex> lock(w.mu);
    w.slot = slot;
    w.index = index;
    w.outcome = 0;
    w.resumed = false;
    generation = ++w.generation;
    w.file = FileSnapshot{};
  }
  step.runCount = 0;
  // The first look at the file is taken now, so that a change right after the start counts.
  if (kind == WaitKind::kFile && ChangeMode(step.options)) {
    FileSnapshot first = TakeFileSnapshot(session.files(), session.ExpandStep(step.text, slot, index));
    std::lock_guard<std::mutex> lock(w.mu);
    w.file = first;
  }
  // A folder that cannot be watched ends the wait through the time-out timer at once.
  if (kind == WaitKind::kFolder && ChangeMode(step.options) &&
      !StartFolderHelper(session, session.ExpandStep(step.text, slot, index), generation))
    timeoutMs = 1;
  if (restartEntry) WriteRestartEntry(session, slot, index);

  session.mainQueue().Post([&session, kind, timeoutMs] {
    if (timeoutMs > 0) session.mainQueue().SetTimer(kWaitTimeoutTimer, timeoutMs, [&session] { OnTimeout(session); });
    session.mainQueue().SetTimer(kWaitPollTimer, kPollMs, [&session, kind] { OnPoll(session, kind); });
  });
  int outcome;
  {
    std::unique_lock<std::mutex> lock(w.mu);
    w.signal.wait(lock, [&] { return w.resumed; });
    outcome = w.outcome;
  }
  StopFolderHelper(session);
  if (restartEntry) DeleteRestartEntry(session, slot);
  return outcome == 1 ? result::kSuccess : result::kFailure;
}

WaitKind KindOfRegistered(Session& session, const Step& step) {
  if (session.waits.familyTest) return WaitKind::kFamily;
  return KindOf(step.action).value_or(WaitKind::kUnbuilt);
}

// The waits of the desktop actions.
constexpr const char* kDesktopWaits[] = {"Keypress", "Mouse", "Window"};

int Unbuilt(Session& session, const Step& step) {
  return session.Fail(FormatText("\"%s\" needs the desktop actions, which are not built yet", step.action.c_str()));
}

}  // namespace

FileSnapshot TakeFileSnapshot(Files& files, const std::string& path) {
  FileSnapshot snap;
  std::string content;
  bool opened = false;
  if (!files.ReadFile(path, &content, &opened)) {
    // A file that exists but cannot be read yet (a writer holds it) counts by its size alone.
    if (std::optional<uint64_t> size = files.FileSize(path)) snap = {true, *size, 0};
    return snap;
  }
  uint32_t hash = 2166136261u;
  for (unsigned char c : content) hash = (hash ^ c) * 16777619u;
  return {true, content.size(), hash};
}

int WaitExecutor(Session& session, int slot, int index, bool) {
  Step& step = StepAt(session, slot, index);
  std::string_view name = step.action;
  const uint32_t start = session.clock().TickCount();
  const uint32_t timeoutMs = TimeoutMs(TimeoutSeconds(session, slot, index));

  if (ContainsNoCase(name, "Freeze") || ContainsNoCase(name, "Delay")) {
    LogLine(session, "    Duration: " + session.ExpandStep(step.timeout, slot, index) + " second(s)");
    if (ContainsNoCase(name, "Delay")) return Delay(session, start, timeoutMs);
    session.clock().Sleep(timeoutMs);  // not to be interrupted
    return result::kSuccess;
  }
  for (const char* desktopWait : kDesktopWaits)
    if (ContainsNoCase(name, desktopWait)) return Unbuilt(session, step);
  if (ContainsNoCase(name, "Restart")) return WaitForRestart(session, slot, index, step);
  std::optional<WaitKind> kind = KindOf(name);
  if (!kind || *kind == WaitKind::kUnbuilt) return Unbuilt(session, step);
  return ConditionWait(session, slot, index, step, *kind, timeoutMs);
}

int FamilyConditionWait(Session& session, int slot, int index, WaitCondition test, uint32_t pollMs) {
  Step& step = StepAt(session, slot, index);
  session.waits.familyTest = std::move(test);
  session.waits.familyPollMs = pollMs;
  const int outcome = ConditionWait(session, slot, index, step, WaitKind::kFamily, TimeoutMs(TimeoutSeconds(session, slot, index)));
  session.waits.familyTest = nullptr;
  return outcome;
}

void RegisterWaits(Session& session) {
  session.executors.Register(7, WaitExecutor);
  // Finish run: a folder helper still running goes; a wait still registered is polled at
  // once, so that it sees the stop request instead of waiting for its next round.
  session.AddFinishHook(FinishPhase::kHelpers, [](Session& s, int) {
    bool registered;
    {
      std::lock_guard<std::mutex> lock(s.waits.mu);
      registered = s.waits.slot >= 0;
      if (s.waits.watch) s.waits.watch->Cancel();
    }
    if (!registered) return;
    s.mainQueue().Post([&s] {
      int slot, index;
      {
        std::lock_guard<std::mutex> lock(s.waits.mu);
        slot = s.waits.slot;
        index = s.waits.index;
      }
      if (slot < 0) return;
      const WaitKind kind = KindOfRegistered(s, StepAt(s, slot, index));
      s.mainQueue().SetTimer(kWaitPollTimer, 1, [&s, kind] { OnPoll(s, kind); });
    });
  });
}

}  // namespace plumo
