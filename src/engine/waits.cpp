#include "engine/waits.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "base/text.h"
#include "engine/failure.h"
#include "engine/run_controller.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "scripts/action_catalog.h"
#include "vars/dates.h"
#include "vars/text_format.h"

namespace plumo {
namespace {

constexpr uint32_t kPollMs = 1000;
constexpr uint32_t kFilePollMs = 3000;
constexpr uint32_t kDatePollMs = 60000;
constexpr uint32_t kDateMarginMs = 500;
constexpr char kRunKey[] = "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\%s";

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
    if (!session.Checkpoint()) return result::kStop;
  }
}

// ---- Condition waits ----

using WaitPtr = std::shared_ptr<const WaitCondition>;

bool ChangeMode(const Step& step) { return !ContainsNoCase(step.options, "Exist"); }

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

std::string Text(Session& session, int slot, int index) {
  return session.ExpandStep(session.scripts.StepAt(slot, index).text, slot, index);
}

WaitAnswer MetIf(bool met) { return met ? WaitAnswer::Met() : WaitAnswer::NotYet(); }

// File: exists, is gone, or its size or content changed since the wait began.
WaitAnswer FileStart(Session& session, int slot, int index) {
  // The first look is taken now, so that a change right after the start counts.
  if (ChangeMode(session.scripts.StepAt(slot, index))) {
    FileSnapshot first = TakeFileSnapshot(session.files(), Text(session, slot, index));
    std::lock_guard<std::mutex> lock(session.waits.mu);
    session.waits.file = first;
  }
  return WaitAnswer::NotYet();
}

WaitAnswer FilePoll(Session& session, int slot, int index) {
  const Step& step = session.scripts.StepAt(slot, index);
  const std::string path = Text(session, slot, index);
  if (!ChangeMode(step))
    return MetIf((session.files().Kind(path) == PathKind::kFile) != ContainsNoCase(step.options, "Not Exist"));
  FileSnapshot now = TakeFileSnapshot(session.files(), path);
  std::lock_guard<std::mutex> lock(session.waits.mu);
  return MetIf(!(now == session.waits.file));
}

// Folder: exists or is gone; a change below it is seen by the helper thread (timer 32877).
bool StartFolderHelper(Session& session, const std::string& path);
void StopFolderHelper(Session& session);

WaitAnswer FolderStart(Session& session, int slot, int index) {
  if (!ChangeMode(session.scripts.StepAt(slot, index)) || StartFolderHelper(session, Text(session, slot, index)))
    return WaitAnswer::NotYet();
  return WaitAnswer::Failed("");  // the log says why
}

WaitAnswer FolderPoll(Session& session, int slot, int index) {
  const Step& step = session.scripts.StepAt(slot, index);
  if (ChangeMode(step)) return WaitAnswer::NotYet();
  return MetIf((session.files().Kind(Text(session, slot, index)) == PathKind::kFolder) !=
               ContainsNoCase(step.options, "Not Exist"));
}

bool RestartOption(const Step& step) { return ContainsNoCase(step.options, "restart"); }

WaitAnswer DateTimeStart(Session& session, int slot, int index) {
  const std::string text = Text(session, slot, index);
  if (!TargetTime(session, text)) return WaitAnswer::Failed(FormatText("No date or time in \"%s\"", text.c_str()));
  // A restart of Windows must not lose the wait.
  if (RestartOption(session.scripts.StepAt(slot, index))) WriteRestartEntry(session, slot, index);
  return WaitAnswer::NotYet();
}

WaitAnswer DateTimePoll(Session& session, int slot, int index) {
  const std::string text = Text(session, slot, index);
  std::optional<SystemTime> target = TargetTime(session, text);
  const SystemTime now = session.clock().LocalTime();
  if (!target) return WaitAnswer::Met();  // refused before the wait began; a changed variable ends it
  // Whole milliseconds: the serials' fractions do not add up exactly.
  const double remaining = std::round((SerialOfTime(*target) - SerialOfTime(now)) * 86400000.0);
  if (remaining <= 0) {
    LogLine(session, FormatText("    \"%s\" Done!  Final Comparison: %02d-%02d-%02d %02d:%02d:%02d --> %02d-%02d-%02d %02d:%02d:%02d",
                                text.c_str(), now.year, now.month, now.day, now.hour, now.minute, now.second, target->year,
                                target->month, target->day, target->hour, target->minute, target->second));
    return WaitAnswer::Met();
  }
  const uint32_t ms = static_cast<uint32_t>(std::min(remaining, 4.0e9));
  LogLine(session, FormatText("    \"%s\" Duration Remaining: %s", text.c_str(), DurationText(ms).c_str()));
  return WaitAnswer::NotYet(ms < kDatePollMs ? ms + kDateMarginMs : kDatePollMs);
}

void DateTimeEnd(Session& session, int slot, int index) {
  if (RestartOption(session.scripts.StepAt(slot, index))) DeleteRestartEntry(session, slot);
}

WaitAnswer ClipboardPoll(Session& session, int slot, int index) {
  const Step& step = session.scripts.StepAt(slot, index);
  std::optional<std::string> clip = session.clipboard().Text();
  const bool holdsText = clip && !clip->empty();
  if (ContainsNoCase(step.options, "Empty")) return MetIf(!holdsText);
  const std::string wanted = Text(session, slot, index);
  const std::string have = clip.value_or("");
  return MetIf(ContainsNoCase(step.options, "Partial") ? have.find(wanted) != std::string::npos : have == wanted);
}

struct BuiltInWait {
  const char* keyword;
  WaitPtr condition;  // null: a wait of the desktop actions, not built yet
};

WaitPtr PolledWait(WaitCheck start, WaitCheck poll, std::function<void(Session&, int, int)> end = nullptr) {
  return std::make_shared<const WaitCondition>(WaitCondition{std::move(start), std::move(poll), std::move(end), kPollMs, kFilePollMs});
}

// The engine's own condition waits, by action name in this order.
const std::vector<BuiltInWait>& BuiltInWaits() {
  static const std::vector<BuiltInWait> rows = {
      {"FILE", PolledWait(FileStart, FilePoll)},
      {"FOLDER", PolledWait(FolderStart, FolderPoll, [](Session& s, int, int) { StopFolderHelper(s); })},
      {"TYPE", nullptr},
      {"IDLE", nullptr},
      {"DATE", PolledWait(DateTimeStart, DateTimePoll, DateTimeEnd)},
      {"TIME", PolledWait(DateTimeStart, DateTimePoll, DateTimeEnd)},
      {"CLIPBOARD", PolledWait(nullptr, ClipboardPoll)},
      {"PIXEL", nullptr},
      {"IMAGE", nullptr},
      {"WINDOW", nullptr},
      {"SAVER", nullptr},
  };
  return rows;
}

// Clears the registration and lets the run thread go on; false when no wait of that
// generation was registered (another handler came first).
bool Resume(Session& session, int outcome, uint32_t generation, std::string reason = {}) {
  WaitState& w = session.waits;
  {
    std::lock_guard<std::mutex> lock(w.mu);
    if (w.slot < 0 || generation != w.generation) return false;
    w.slot = w.index = -1;
    w.outcome = outcome;
    w.reason = std::move(reason);
    w.resumed = true;
  }
  w.signal.notify_all();
  return true;
}

void KillWaitTimers(Session& session) {
  session.mainQueue().KillTimer(kWaitPollTimer);
  session.mainQueue().KillTimer(kWaitTimeoutTimer);
}

void OnPoll(Session& session, const WaitPtr& condition, uint32_t generation) {
  WaitState& w = session.waits;
  int slot, index;
  {
    std::lock_guard<std::mutex> lock(w.mu);
    slot = generation == w.generation ? w.slot : -1;
    index = w.index;
  }
  if (slot < 0) {
    session.mainQueue().KillTimer(kWaitPollTimer);
    return;
  }
  if (session.StopRequested()) {
    KillWaitTimers(session);
    Resume(session, 0, generation);
    return;
  }
  ++session.scripts.StepAt(slot, index).runCount;
  WaitAnswer answer = condition->poll(session, slot, index);
  if (answer.state != WaitAnswer::State::kNotYet) {
    KillWaitTimers(session);
    Resume(session, answer.state == WaitAnswer::State::kMet ? 1 : 0, generation, std::move(answer.reason));
    return;
  }
  session.mainQueue().SetTimer(kWaitPollTimer, answer.repollMs ? answer.repollMs : condition->periodMs,
                               [&session, condition, generation] { OnPoll(session, condition, generation); });
}

// The helper thread: one folder change ends the wait through timer 32877. False when the
// folder cannot be watched.
bool StartFolderHelper(Session& session, const std::string& path) {
  WaitState& w = session.waits;
  OsError error;
  std::unique_ptr<FolderWatch> watch = session.files().WatchFolder(path, &error);
  if (!watch) {
    LogLine(session, FormatText("    The folder \"%s\" cannot be watched: %s", path.c_str(), error.ToString().c_str()));
    return false;
  }
  std::lock_guard<std::mutex> lock(w.mu);
  FolderWatch* seen = watch.get();
  const uint32_t generation = w.generation;
  w.watch = std::move(watch);
  w.helper = session.threads().Start([&session, seen, generation] {
    if (!seen->WaitForChange()) return;
    session.mainQueue().SetTimer(kWaitFolderTimer, 1, [&session, generation] {
      session.mainQueue().KillTimer(kWaitFolderTimer);
      if (Resume(session, 1, generation)) KillWaitTimers(session);
    });
  });
  return true;
}

void StopFolderHelper(Session& session) {
  WaitState& w = session.waits;
  std::unique_ptr<FolderWatch> watch;
  std::unique_ptr<Worker> helper;
  {
    std::lock_guard<std::mutex> lock(w.mu);
    watch = std::move(w.watch);
    helper = std::move(w.helper);
  }
  if (watch) watch->Cancel();
  helper.reset();  // waits for the thread, which needs the watch until then
}

int ConditionWait(Session& session, int slot, int index, const WaitPtr& condition, uint32_t timeoutMs) {
  WaitState& w = session.waits;
  uint32_t generation;
  {
    std::lock_guard<std::mutex> lock(w.mu);
    w.slot = slot;
    w.index = index;
    w.outcome = 0;
    w.reason.clear();
    w.resumed = false;
    generation = ++w.generation;
    w.condition = condition;
    w.file = FileSnapshot{};
  }
  session.scripts.StepAt(slot, index).runCount = 0;
  int outcome = 0;
  std::string reason;
  WaitAnswer started = condition->start ? condition->start(session, slot, index) : WaitAnswer::NotYet();
  if (started.state != WaitAnswer::State::kNotYet) {
    Resume(session, 0, generation);
    outcome = started.state == WaitAnswer::State::kMet ? 1 : 0;
    reason = std::move(started.reason);
  } else {
    session.mainQueue().Post([&session, condition, timeoutMs, generation] {
      if (timeoutMs > 0)
        session.mainQueue().SetTimer(kWaitTimeoutTimer, timeoutMs, [&session, generation] {
          KillWaitTimers(session);
          Resume(session, 0, generation);
        });
      session.mainQueue().SetTimer(kWaitPollTimer, condition->firstPollMs,
                                   [&session, condition, generation] { OnPoll(session, condition, generation); });
    });
    std::unique_lock<std::mutex> lock(w.mu);
    w.signal.wait(lock, [&] { return w.resumed; });
    outcome = w.outcome;
    reason = std::move(w.reason);
  }
  if (condition->end) condition->end(session, slot, index);
  if (outcome == 1) return result::kSuccess;
  if (!reason.empty()) return session.Fail(reason);
  return result::kFailure;
}

int Unbuilt(Session& session, const Step& step) {
  return session.Fail(FormatText("\"%s\" needs the desktop actions, which are not built yet", step.action.c_str()));
}

}  // namespace

FileSnapshot TakeFileSnapshot(Files& files, const std::string& path) {
  FileSnapshot snap;
  std::string content;
  bool opened = false;
  if (!files.ReadFile(path, &content, &opened).ok()) {
    // A file that exists but cannot be read yet (a writer holds it) counts by its size alone.
    if (std::optional<uint64_t> size = files.FileSize(path)) snap = {true, *size, 0};
    return snap;
  }
  uint32_t hash = 2166136261u;
  for (unsigned char c : content) hash = (hash ^ c) * 16777619u;
  return {true, content.size(), hash};
}

int WaitExecutor(Session& session, int slot, int index, bool) {
  Step& step = session.scripts.StepAt(slot, index);
  std::string_view name = step.action;
  const uint32_t start = session.clock().TickCount();
  const uint32_t timeoutMs = TimeoutMs(TimeoutSeconds(session, slot, index));

  if (WaitPtr registered = session.waitConditions.Find(name)) {
    if (registered->onRunThread) return registered->onRunThread(session, slot, index, start, timeoutMs);
    return ConditionWait(session, slot, index, registered, timeoutMs);
  }
  if (ContainsNoCase(name, "Freeze") || ContainsNoCase(name, "Delay")) {
    LogLine(session, "    Duration: " + session.ExpandStep(step.timeout, slot, index) + " second(s)");
    if (ContainsNoCase(name, "Delay")) return Delay(session, start, timeoutMs);
    session.clock().Sleep(timeoutMs);  // not to be interrupted
    return result::kSuccess;
  }
  if (ContainsNoCase(name, "Restart")) return WaitForRestart(session, slot, index, step);
  for (const BuiltInWait& row : BuiltInWaits()) {
    if (!ContainsNoCase(name, row.keyword)) continue;
    if (!row.condition) return Unbuilt(session, step);
    return ConditionWait(session, slot, index, row.condition, timeoutMs);
  }
  return Unbuilt(session, step);
}

void WaitConditionTable::Register(std::string_view keyword, WaitCondition condition) {
  rows_.emplace_back(std::string(keyword), std::make_shared<const WaitCondition>(std::move(condition)));
}

std::shared_ptr<const WaitCondition> WaitConditionTable::Find(std::string_view action) const {
  for (const auto& [keyword, condition] : rows_)
    if (ContainsNoCase(action, keyword)) return condition;
  return nullptr;
}

void RegisterWaits(Session& session) {
  session.executors.Register(category::kWait, WaitExecutor);
  // A stop: the folder helper stops watching, and a registered wait is polled at once, so that
  // it sees the stop request instead of waiting for its next round.
  session.AddInterruptHook([](Session& s) {
    WaitPtr condition;
    uint32_t generation;
    {
      std::lock_guard<std::mutex> lock(s.waits.mu);
      if (s.waits.watch) s.waits.watch->Cancel();
      if (s.waits.slot < 0) return;
      condition = s.waits.condition;
      generation = s.waits.generation;
    }
    s.mainQueue().SetTimer(kWaitPollTimer, 1, [&s, condition, generation] { OnPoll(s, condition, generation); });
  });
  // The end of a run: what a terminated run thread left behind goes.
  session.AddFinishHook(FinishPhase::kHelpers, [](Session& s, int) {
    StopFolderHelper(s);
    bool registered;
    {
      std::lock_guard<std::mutex> lock(s.waits.mu);
      registered = s.waits.slot >= 0;
      s.waits.slot = s.waits.index = -1;
      s.waits.resumed = true;
    }
    if (registered) s.mainQueue().Post([&s] { KillWaitTimers(s); });
  });
}

}  // namespace plumo
