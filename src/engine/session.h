// The session: what the system would otherwise keep process-wide. It owns the eight Script
// slots, the run state and the memory of the current window, and holds references to the
// platform port and the studio's windows. Programs build one; tests build one over fakes.
#pragma once

#include <array>
#include <atomic>
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
#include "engine/waits.h"
#include "settings/settings_store.h"
#include "engine/message_box.h"
#include "engine/run_view.h"
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

// Run-wide state; one run exists at a time, whichever slot it belongs to.
struct RunState {
  std::atomic<uint32_t> stopRequest{0};
  std::atomic<uint32_t> paused{0};
  std::atomic<int32_t> nextStep{-1};
  uint8_t stopKey = vk::kPause;
  int slot = 0;
  std::string errorText;
  uint32_t stepStartTime = 0;
  uint32_t retryCounter = 0;
  uint32_t runStartTime = 0;
  int stepsRun = 0;
  uint8_t logLevel = 0;
  uint8_t alwaysOutput = 0;
  uint8_t highlight = 0;
  std::atomic<uint32_t> heldModifiers{0};
  std::atomic<uint8_t> dragInProgress{0};
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
  uint32_t interStepDelay = 0;
  std::atomic<int32_t> runRepeats{0};
};

// What the variables area provides; until it does, parameters are taken as written and
// failure modes that need variables say so in the log.
struct VariableHooks {
  // Variable references and formulas in a parameter replaced by their values.
  std::function<std::string(Session&, std::string_view)> expand;
  // A parameter evaluated as a number (time-outs); empty or not a number gives 0.
  std::function<double(Session&, std::string_view)> evaluateNumber;
  // Stores value through a result target as Save Output does; false when it could not.
  // Step `index` of `slot` stands for expansion and the log lines.
  std::function<bool(Session&, int slot, int index, std::string_view output, std::string_view target,
                     std::string_view value)>
      saveOutput;
  // {1} to {9}; false when the numbered variable does not exist.
  std::function<bool(Session&, int number, std::string_view value)> setNumbered;
  // A field as Step `index` of `slot` sees it, with the expansion flags (1 none, 2 "{\XX}"
  // kept, 4 single); *length, when given, gets the byte count.
  std::function<std::string(Session&, std::string_view, int slot, int index, unsigned flags, size_t* length)> expandStep;
  // Store output of Step `index`: its own `output` and `outputValue` say where.
  std::function<void(Session&, int slot, int index, std::string_view value, size_t length)> storeOutput;
  // The Variable action's Delete: "{N}", "All" or a (possibly indexed) name.
  std::function<void(Session&, int slot, int index, std::string_view option)> deleteVariable;
  // Bytes the persistent store holds for the user variable, 0 when it is absent.
  std::function<size_t(Session&, std::string_view name)> probeVariable;
};

// Expansion flags of VariableHooks::expandStep.
namespace expandflag {
constexpr unsigned kNone = 1;
constexpr unsigned kKeepBinary = 2;
constexpr unsigned kSingle = 4;
}  // namespace expandflag

// What flow control provides (loops, GOSUB, IF).
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

// Clean-up that later areas add to the end of a run, in the order Finish run calls them.
enum class FinishPhase {
  kHelpers,         // recording hooks, wait helper thread, serial port, Internet session
  kTrackedProgram,  // the program the Run actions started
  kResources,       // workbooks and the run's buffers; skipped when resources are kept
  kTray,            // tray icons of the User Prompts actions
};
using FinishHook = std::function<void(Session&, int slot)>;

class Session {
 public:
  explicit Session(const SessionPorts& ports);
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

  RunView& view() { return *view_; }
  void SetView(RunView* view);

  ScriptSlots scripts;
  ExecutorTable executors;
  // Conditions of IF that action families add.
  ConditionTable conditions;
  VariableHooks variables;
  FlowHooks flow;
  // The workbook writer of the Excel actions (report type 3, Save Output to a workbook): the
  // text as a new workbook at path, cells at commas and rows at line ends. The reason when it
  // could not, empty when done. Unset while the Excel actions are not registered.
  std::function<std::string(Session&, const std::string& path, std::string_view text)> writeWorkbook;
  void AddFinishHook(FinishPhase phase, FinishHook hook);
  // Called by "Run" for the marks other areas keep per run (workbook marks, ...).
  void AddResetHook(FinishHook hook);
  void RunResetHooks(int slot);
  void RunFinishHooks(FinishPhase phase, int slot);

  RunState run;
  // Run thread during a run, main thread between runs.
  RunOutcome outcome;
  std::array<SlotRunState, ScriptSlots::kCount> slots;
  // Loops, GOSUB and IF (engine/flow_control.h).
  FlowState flowState;
  // The condition wait (engine/waits.h).
  WaitState waits;
  // The run thread's formula engine: IF Expression and While conditions.
  FormulaEngine formulas;
  // The Current Window: the handle the last window-finding Step chose.
  uint32_t currentWindow = 0;
  // Image search: the closest candidate's matches in the last search that was logged, so
  // that a wait polling for a picture does not log the same block again and again.
  int lastLoggedImageMatches = 0;
  WindowMatchCounts windowMatches;
  // Start mode of the command line.
  int startMode = 0;
  // The command line's -L and -F: the log level of this process (-1: as the settings say)
  // and whether the Output palette gets every line.
  int forcedLogLevel = -1;
  bool forcedOutput = false;

  // {http_status}: the status text of the last HTTP request, at most 30 characters;
  // "(undefined)" before the first. The studio's palettes read it while a run sets it.
  std::string HttpStatus();
  void SetHttpStatus(std::string_view status);

  // Error text buffer: at most 4095 characters.
  void SetError(std::string_view text);
  // Leaves the reason in the error text buffer and answers Failure.
  int Fail(std::string_view reason);
  // The stop request flag or the stop key: executors that wait poll this.
  bool StopRequested();

  std::string Expand(std::string_view text);
  // A field of Step `index` expanded; taken as written while no variable store is attached.
  std::string ExpandStep(std::string_view text, int slot, int index, unsigned flags = 0, size_t* length = nullptr);
  // Store output of Step `index` of `slot`. A Step without destination stores nothing; one
  // with a destination and no variable store says so in the log and answers false.
  bool StoreOutput(int slot, int index, std::string_view value, size_t length = 0);

  // Run thread: non-empty exactly while a run exists. The controller keeps it.
  bool RunExists();
  // Starts the run thread unless one exists; false when one does.
  bool StartRunThread(std::function<void()> body);
  // The run thread lets go of its own handle at its end; the next start or the session's
  // end waits for it.
  void ReleaseRunThread();
  // Main thread: acts on the run thread (pause, resume, terminate); false without one.
  bool WithRunThread(const std::function<void(Worker&)>& fn);
  // After a forced stop: the thread is gone.
  void DropRunThread();

  // The run log's memory between lines.
  struct LogMemory {
    std::string previousLine;
    uint32_t lastScroll = 0;
    uint32_t lastTracking = 0;
    uint32_t lastHighlight = 0;
    std::array<uint32_t, 4> lastStatus{};
  } log;

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
  std::mutex threadMu_;
  std::unique_ptr<Worker> thread_;     // the run thread
  // Run threads that have let go of their handle, until they have ended.
  std::vector<std::unique_ptr<Worker>> finished_;
};

}  // namespace plumo
