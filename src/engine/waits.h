// The executor of "Wait" (7): fixed delays on the run thread, and condition waits polled by
// timers on the main-thread queue.
//
// A condition wait registers its Step, starts the poll timer (and the time-out timer) on the
// main thread and blocks the run thread on an event until exactly one of the timer handlers
// (poll met or failed, folder changed, time-out, stop request) clears the registration and
// signals it with the outcome. Blocking on an event instead of suspending the thread gives
// both builds the same behaviour; a paused run keeps being polled and pauses at the Step's end.
//
// Action families add condition waits of their own by a keyword of the action name; they are
// tried before the engine's own kinds and get the same time-out, stop and priority handling:
//
//   session.waitConditions.Register("Window", {.poll = [](Session& s, int slot, int index) {
//     return WindowFound(s, slot, index) ? WaitAnswer::Met() : WaitAnswer::NotYet();
//   }, .periodMs = 1000});
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/threads.h"

namespace plumo {

class Session;

// Main-thread timers of the condition waits.
constexpr uint32_t kWaitPollTimer = 32876;
constexpr uint32_t kWaitFolderTimer = 32877;
constexpr uint32_t kWaitTimeoutTimer = 32878;
constexpr uint32_t kDelaySliceMs = 250;

// What one look at a wait's condition found.
struct WaitAnswer {
  enum class State { kNotYet, kMet, kFailed };
  State state = State::kNotYet;
  std::string reason;      // kFailed: the Step's error text
  uint32_t repollMs = 0;   // kNotYet: the next look after this long; 0 for the condition's period

  static WaitAnswer NotYet(uint32_t repollMs = 0) { return {State::kNotYet, {}, repollMs}; }
  static WaitAnswer Met() { return {State::kMet, {}, 0}; }
  static WaitAnswer Failed(std::string reason) { return {State::kFailed, std::move(reason), 0}; }
};

using WaitCheck = std::function<WaitAnswer(Session& session, int slot, int index)>;
// A wait that polls on the run thread itself, from the Step's start tick to its time-out (0:
// none); answers as an executor does: 1 met, 0 time-out, -1 stop.
using RunThreadWait = std::function<int(Session& session, int slot, int index, uint32_t startTick, uint32_t timeoutMs)>;

struct WaitCondition {
  // Run thread, once the Step is registered and before the timers start (optional): takes
  // snapshots. kMet or kFailed ends the wait there, without timers.
  WaitCheck start{};
  // Main thread, every round until the condition is met, fails, times out or a stop comes.
  WaitCheck poll{};
  // Run thread, after the wait, whatever its outcome (optional): removes what start set up.
  std::function<void(Session& session, int slot, int index)> end{};
  uint32_t firstPollMs = 1000;
  uint32_t periodMs = 3000;
  // Set instead of the above for a wait that needs no main thread (keys, the mouse).
  RunThreadWait onRunThread{};
};

// Keyword (found in the action name without regard to case) to condition, first registered
// first. Filled before the first run.
class WaitConditionTable {
 public:
  void Register(std::string_view keyword, WaitCondition condition);
  // Null when no registered keyword occurs in the action name.
  std::shared_ptr<const WaitCondition> Find(std::string_view action) const;

 private:
  std::vector<std::pair<std::string, std::shared_ptr<const WaitCondition>>> rows_;
};

// What a file looked like when the wait began.
struct FileSnapshot {
  bool exists = false;
  uint64_t size = 0;
  uint32_t checksum = 0;
  bool operator==(const FileSnapshot&) const = default;
};

// The one condition wait of the process; `mu` guards every field.
struct WaitState {
  std::mutex mu;
  std::condition_variable signal;
  int slot = -1;  // the registered Step; -1 when no wait is registered
  int index = -1;
  int outcome = 0;  // 1 met, 0 time-out, stop or failure
  std::string reason;  // a failed poll's reason
  bool resumed = true;
  uint32_t generation = 0;  // tells a late folder change of an earlier wait from this one's
  std::shared_ptr<const WaitCondition> condition;
  FileSnapshot file;
  // The helper that watches a folder, with its watch.
  std::unique_ptr<FolderWatch> watch;
  std::unique_ptr<Worker> helper;
};

void RegisterWaits(Session& session);
int WaitExecutor(Session& session, int slot, int index, bool mainThread);

// Size and a checksum of the content (FNV-1a); absent files are all zero.
FileSnapshot TakeFileSnapshot(Files& files, const std::string& path);

}  // namespace plumo
