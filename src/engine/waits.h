// The executor of "Wait" (7): fixed delays on the run thread, and condition waits polled by
// timers on the main-thread queue.
//
// A condition wait registers its Step, starts the poll timer (and the time-out timer) on the
// main thread and blocks the run thread on an event until exactly one of the timer handlers
// (poll met, folder changed, time-out, stop request) clears the registration and signals it
// with the outcome. Blocking on an event instead of suspending the thread gives both builds
// the same behaviour (a standard thread cannot be suspended) and keeps Pause working: Pause
// suspends the run thread a second time, and Resume undoes only that.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/files.h"
#include "platform/threads.h"

namespace plumo {

class Session;

// Main-thread timers of the condition waits.
constexpr uint32_t kWaitPollTimer = 32876;
constexpr uint32_t kWaitFolderTimer = 32877;
constexpr uint32_t kWaitTimeoutTimer = 32878;
constexpr uint32_t kDelaySliceMs = 250;

// What a file looked like when the wait began.
struct FileSnapshot {
  bool exists = false;
  uint64_t size = 0;
  uint32_t checksum = 0;
  bool operator==(const FileSnapshot&) const = default;
};

// A condition that an action family tests for its wait Step (on the main thread).
using WaitCondition = std::function<bool(Session& session, int slot, int index)>;

// The one condition wait of the process.
struct WaitState {
  std::mutex mu;
  std::condition_variable signal;
  int slot = -1;  // the registered Step; -1 when no wait is registered
  int index = -1;
  int outcome = 0;  // 1 met, 0 time-out or stop
  bool resumed = true;
  uint32_t generation = 0;  // tells a late folder change of an earlier wait from this one's
  FileSnapshot file;
  // The helper that watches a folder, with its watch.
  std::unique_ptr<FolderWatch> watch;
  std::unique_ptr<Worker> helper;
  // The test of a family's wait, and how often it is polled.
  WaitCondition familyTest;
  uint32_t familyPollMs = 0;
};

void RegisterWaits(Session& session);
// The condition wait of a family's Wait Step: the test is polled on the main thread every
// pollMs until it holds (1), the Step's time-out passes (0) or the run stops (0).
int FamilyConditionWait(Session& session, int slot, int index, WaitCondition test, uint32_t pollMs);
int WaitExecutor(Session& session, int slot, int index, bool mainThread);

// Size and a checksum of the content (FNV-1a); absent files are all zero.
FileSnapshot TakeFileSnapshot(Files& files, const std::string& path);

}  // namespace plumo
