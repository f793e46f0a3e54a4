// The session: what the system would otherwise keep process-wide. It owns the eight Script
// slots, the run state, the memory of the current window and the variables, and holds
// references to the platform port and the studio's windows. Programs build one; tests build
// one over fakes.
//
// Two threads share it: the main thread (the studio's windows, the main-thread queue, Start,
// Pause and Stop) and the run thread (the step loop and the executors). Each group of fields
// below says who owns it. "Run thread" fields are also touched by executors that the run
// thread hands to the main thread (ForwardToMainThread), while the run thread waits for them,
// and by the clean-up after a forced stop, when the run thread is gone.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/executor.h"
#include "engine/flow_state.h"
#include "engine/message_box.h"
#include "engine/run_variables.h"
#include "engine/run_view.h"
#include "engine/waits.h"
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/locale.h"
#include "platform/main_queue.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/threads.h"
#include "scripts/script.h"
#include "settings/settings_store.h"
#include "vars/formula.h"

namespace plumo {

struct SessionPorts {
  Clock& clock;
  Environment& environment;
  MainQueue& mainQueue;
  Dialogs& dialogs;
  Desktop& desktop;
  Processes& processes;
  System& system;
  Threads& threads;
  SettingsStore& settings;
  Locale& locale;
  Files& files;
  Registry& registry;
  Clipboard& clipboard;
};

// Start mode bits of the command line: a file is loaded (1), run at once (2), hidden (4).
constexpr int kStartModeRunAtStart = 2;
constexpr int kStartModeHidden = 4;

// Held-modifier mask bits.
namespace held {
constexpr uint32_t kControl = 1;
constexpr uint32_t kShift = 2;
constexpr uint32_t kAlt = 4;
}  // namespace held

constexpr size_t kErrorTextWidth = 4096;
constexpr size_t kHttpStatusWidth = 31;
constexpr int32_t kRepeatForever = 2000000000;

// Where the one run of the session stands. Start run moves Idle to Running; the run thread
// moves Running to Finishing when it leaves the step loop, and its clean-up ends in Idle. A
// forced stop claims the run (Terminating), and after the thread is gone the main thread
// cleans up and leaves the session Broken: a terminated thread may have left a lock held, so
// no further run starts.
enum class RunPhase : uint8_t { kIdle, kRunning, kFinishing, kTerminating, kBroken };

// Run-wide state; one run exists at a time, whichever slot it belongs to.
struct RunState {
  // Both threads: atomics.
  std::atomic<RunPhase> phase{RunPhase::kIdle};
  std::atomic<uint32_t> stopRequest{0};
  std::atomic<uint32_t> paused{0};
  std::atomic<int> slot{0};  // written by Start run before the thread starts
  std::atomic<uint8_t> stopKey{vk::kPause};
  std::atomic<uint8_t> logLevel{0};
  std::atomic<uint8_t> alwaysOutput{0};
  std::atomic<uint8_t> highlight{0};
  std::atomic<uint32_t> heldModifiers{0};
  std::atomic<uint8_t> dragInProgress{0};

  // Run thread.
  std::atomic<int32_t> nextStep{-1};
  std::string errorText;
  uint32_t stepStartTime = 0;
  uint32_t retryCounter = 0;
  uint32_t runStartTime = 0;
  int stepsRun = 0;
  uint32_t lastDialogClosed = 0;
  bool dialogShown = false;
  // Set by an executor that drew its own `ranFlag` for a success (an ELSE passed over).
  bool keepRanFlag = false;
  // The re-activation mark: once a Step activated the Current Window, the prompt actions bring
  // it back to the front after their dialogs close.
  bool reactivateWindow = false;
};

// What the window finder counted in its last search: matching framed, visible top-level
// windows and matching child windows.
struct WindowMatchCounts {
  int topLevel = 0;
  int children = 0;
};

// Exit codes of a run without the studio (plumo, Plumo.exe -r, built programs); a run that
// finished gives the code its Script set, else *\DefaultReturnCode.
namespace exitcode {
constexpr int kStepFailed = 1;
constexpr int kCannotLoad = 2;
constexpr int kStopped = 3;
}  // namespace exitcode

// How the runs of this process ended, for the exit code of a run without the studio.
struct RunOutcome {
  std::optional<int> exitCode;  // "Exit Run" / "Exit Plumo Studio": this process only
  bool failed = false;          // a run ended because a Step failed
  bool stopped = false;         // by the user, the stop key or a signal
  // The code for the program that started the run; `finished` when the runs just ended.
  int ExitCode(int finished) const;
};

struct SlotRunState {
  uint32_t interStepDelay = 0;           // run thread
  std::atomic<int32_t> runRepeats{0};    // both threads
};

// What flow control provides (loops, GOSUB, IF); run thread.
struct FlowHooks {
  // Forgets the slot's loop levels, GOSUB return stack and IF stack.
  std::function<void(Session&, int slot)> reset;
  // The Step after a false block IF: its ELSE or END IF; -1 when there is none.
  std::function<int(Session&, int slot, int index)> findElseOrEndIf;
  // The innermost open loop's current and end value; false when no loop is open.
  std::function<bool(Session&, int slot, int* value, int* end)> openLoop;
  // The Dataset loop's copy of the database actions' last result set: one text per row, its
  // cells (at most 16 columns) joined by ", "; false when there is none.
  std::function<bool(Session&, std::vector<std::string>* rows)> copyResultSet;
};

// Clean-up that later areas add to the end of a run, in the order the clean-up calls them.
// It runs once the run thread has left the step loop (on that thread, or on the main thread
// after a forced stop), never beside a live run.
enum class FinishPhase {
  kHelpers,         // recording hooks, wait helper thread, serial port, Internet session
  kTrackedProgram,  // the program the Run actions started
  kResources,       // workbooks and the run's buffers; skipped when resources are kept
  kTray,            // tray icons of the User Prompts actions
};
using FinishHook = std::function<void(Session&, int slot)>;
// Called on the main thread when a stop is requested, while the run thread may still run: it
// only wakes what the run waits on. May be called more than once per run.
using InterruptHook = std::function<void(Session&)>;

// The run log's memory between lines. LogLine, StatusText and StepBegin hold `mu` while they
// read and write it and while they append to the log file, so both threads write through it;
// they call the RunView after letting go.
struct LogMemory {
  std::mutex mu;
  std::string previousLine;
  uint32_t lastScroll = 0;
  uint32_t lastTracking = 0;
  uint32_t lastHighlight = 0;
  std::array<uint32_t, 4> lastStatus{};
};

class Session {
 public:
  explicit Session(const SessionPorts& ports);
  // Waits for a run thread that is still ending before anything it uses goes.
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Clock& clock() { return ports_.clock; }
  Environment& environment() { return ports_.environment; }
  MainQueue& mainQueue() { return ports_.mainQueue; }
  Dialogs& dialogs() { return ports_.dialogs; }
  Desktop& desktop() { return ports_.desktop; }
  Processes& processes() { return ports_.processes; }
  System& system() { return ports_.system; }
  Threads& threads() { return ports_.threads; }
  SettingsStore& settings() { return ports_.settings; }
  Locale& locale() { return ports_.locale; }
  Files& files() { return ports_.files; }
  Registry& registry() { return ports_.registry; }
  Clipboard& clipboard() { return ports_.clipboard; }

  // Main thread, while no run exists.
  RunView& view() { return *view_; }
  void SetView(RunView* view);

  // The variables (engine/run_variables.h): attached once by the program, owned by the session
  // and destroyed after the run thread has ended. Null while none is attached.
  RunVariables* variables() { return variables_.get(); }
  template <class V>
  V& AttachVariables(std::unique_ptr<V> variables) {
    V& attached = *variables;
    variables_ = std::move(variables);
    return attached;
  }

  // Steps are edited on the main thread; a running slot cannot be closed, replaced or edited
  // (ScriptSlots::Editable). The run thread writes only the run fields of its Steps.
  ScriptSlots scripts;

  // Filled by the action families before the first run; read-only afterwards.
  ExecutorTable executors;
  // Conditions of IF that action families add.
  ConditionTable conditions;
  // Condition waits of "Wait" that action families add (engine/waits.h).
  WaitConditionTable waitConditions;
  FlowHooks flow;
  // The workbook writer of the Excel actions (report type 3, Save Output to a workbook): the
  // text as a new workbook at path, cells at commas and rows at line ends. The reason when it
  // could not, empty when done. Unset while the Excel actions are not registered.
  std::function<std::string(Session&, const std::string& path, std::string_view text)> writeWorkbook;
  void AddFinishHook(FinishPhase phase, FinishHook hook);
  // Called by "Run" for the marks other areas keep per run (workbook marks, ...).
  void AddResetHook(FinishHook hook);
  void AddInterruptHook(InterruptHook hook);
  void RunResetHooks(int slot);
  void RunFinishHooks(FinishPhase phase, int slot);
  void RunInterruptHooks();

  RunState run;
  // Run thread during a run, main thread between runs.
  RunOutcome outcome;
  std::array<SlotRunState, ScriptSlots::kCount> slots;
  // Run thread: loops, GOSUB and IF (engine/flow_control.h).
  FlowState flowState;
  // The condition wait (engine/waits.h): its own lock guards it.
  WaitState waits;
  // Run thread: its formula engine (IF Expression, While, time-outs).
  FormulaEngine formulas;
  // Both threads: the Current Window, the handle the last window-finding Step chose.
  std::atomic<uint32_t> currentWindow{0};
  // Run thread: the closest candidate's matches in the last image search that was logged, so
  // that a wait polling for a picture does not log the same block again and again.
  int lastLoggedImageMatches = 0;
  // Run thread: how many windows the last window search matched, read by its log lines.
  WindowMatchCounts windowMatches;
  // Set by the program before any run: start mode of the command line, and the command
  // line's -L and -F (the log level of this process, -1 as the settings say, and whether the
  // Output palette gets every line).
  int startMode = 0;
  int forcedLogLevel = -1;
  bool forcedOutput = false;
  LogMemory log;

  // Both threads: {http_status}, the status text of the last HTTP request, at most 30
  // characters; "(undefined)" before the first. The studio's palettes read it while a run sets it.
  std::string HttpStatus();
  void SetHttpStatus(std::string_view status);
  // Both threads: the last prompt's answer ({command_id}) and the name of its button or item
  // ({command}); 0 and empty before the first.
  void SetPromptAnswer(int32_t id, std::string_view name);
  int32_t PromptResult();
  std::string PromptCommand();

  // Run thread. Error text buffer: at most 4095 characters.
  void SetError(std::string_view text);
  // Leaves the reason in the error text buffer and answers Failure.
  int Fail(std::string_view reason);
  // The stop request flag or the stop key: executors that wait poll this.
  bool StopRequested();
  // Run thread, between Steps: waits while the run is paused (until Resume or a stop
  // request); false when the stop request flag is set.
  bool AwaitResume();
  // Run thread, in every round of a poll or a sleep: AwaitResume, then false when the run is
  // to stop (the flag or the stop key).
  bool Checkpoint();
  // Run thread: sleeps ms in slices of at most 250 ms, pausing at a checkpoint after each;
  // false as soon as the run is to stop.
  bool SleepInRun(uint32_t ms);

  // Any thread: sets the stop request flag and wakes a paused run.
  void RequestStop();
  // Main thread: clears the stop request flag (a forced stop the user cancelled).
  void CancelStop();
  // Main thread: pauses or resumes the run at its next checkpoint.
  void SetPaused(bool paused);

  // Run thread: a change to a field of a running Step other than its run fields. It is made
  // on the main thread, which owns the Steps' texts, while the run thread waits.
  void EditRunningStep(int slot, int index, const std::function<void(Step&)>& edit);

  // Expansion and Store output through the variables; parameters are taken as written while
  // none are attached.
  std::string Expand(std::string_view text);
  // A field of Step `index` expanded (flags: RunVariables' expandflag).
  std::string ExpandStep(std::string_view text, int slot, int index, unsigned flags = 0, size_t* length = nullptr);
  // Store output of Step `index` of `slot`. A Step without destination stores nothing; one
  // with a destination and no variables says so in the log and answers false.
  bool StoreOutput(int slot, int index, std::string_view value, size_t length = 0);

  // A run exists from Start run until its clean-up is wholly done.
  bool RunExists() const;
  // Main thread: moves Idle to Running and starts the run thread; false when a run exists or
  // the session is broken. The thread of the last run, which has ended or is about to, is
  // waited for first.
  bool StartRunThread(std::function<void()> body);
  // Main thread, forced stop: terminates the run thread when it is still in its step loop.
  // Ok when it was terminated (the run is then Finishing and the caller cleans up);
  // kNotSupported-style errors when the platform refuses, and the run goes on.
  OsError TerminateRunThread();
  // Why the session refuses runs after a forced stop.
  static constexpr const char* kBrokenMessage =
      "A run was forcibly terminated and may have left Plumo in an unsafe state.\n\n"
      "Please restart Plumo before running a Script again.";

 private:
  SessionPorts ports_;
  std::atomic<uint32_t> stopKeyCheckedAt_{0};
  std::atomic<bool> stopKeyChecked_{false};
  RunView nullView_;
  RunView* view_ = &nullView_;
  std::vector<std::pair<FinishPhase, FinishHook>> finishHooks_;
  std::vector<FinishHook> resetHooks_;
  std::mutex httpMu_;
  std::string httpStatus_ = "(undefined)";
  std::mutex promptMu_;
  int32_t promptResult_ = 0;
  std::string promptCommand_;
  std::vector<InterruptHook> interruptHooks_;
  // Pause and stop: the run thread waits on runCv_ at its checkpoints.
  std::mutex runMu_;
  std::condition_variable runCv_;
  std::mutex threadMu_;
  std::unique_ptr<Worker> thread_;  // the run thread of the current or last run
  // Last, so that it goes first, once the run thread has been waited for.
  std::unique_ptr<RunVariables> variables_;
};

}  // namespace plumo
