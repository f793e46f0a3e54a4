// The run controller: Start run, the step loop on the run thread, Finish run, Pause/Resume
// and Stop. Start, Pause and Stop are called on the main thread.
#pragma once

#include <cstdint>
#include <string_view>

namespace plumo {

class Session;

// The main menu's run commands.
namespace runcmd {
constexpr int kRun = 1029;
constexpr int kRunSingleStep = 1030;
constexpr int kRunFromHere = 1031;
constexpr int kStop = 1032;
constexpr int kPauseResume = 1069;
}  // namespace runcmd

// Main-window timers the run uses.
constexpr uint32_t kGracefulStopTimer = 32873;
constexpr uint32_t kGracefulStopMs = 3500;
constexpr uint32_t kRunEndNotice = 32875;

inline constexpr const char* kEmptyScriptMessage = "The file is empty.\n\nPlease add commands before using this feature.";
inline constexpr const char* kForceStopQuestion =
    "The script is still running the current step.\n\nDo you want to force it to stop?";

// What the run thread is given: the slot, single-Step mode and the 0-based start Step.
struct RunParameter {
  int slot = 0;
  bool singleStep = false;
  int startStep = 0;
};

// Returns true when a run thread was created. The command is runcmd::kRun, kRunSingleStep
// or kRunFromHere; the last two start from the Step selected in the step list. Refused while
// a run exists, including one that is still finishing, and for good after a forced stop.
bool StartRun(Session& session, int slot, int command, bool freshStart, int startStep, uint32_t delayMs);

// The step loop; the run thread's body. Its last act is the clean-up of the run.
void RunStepLoop(Session& session, RunParameter parameter);

// Finish run is split in two. The main thread's part for Stop: without confirmForce it asks the
// run to end and starts the grace timer; with it, the user is asked whether to terminate the
// run thread, after which the clean-up runs here and the session takes no further runs.
void FinishRun(Session& session, bool confirmForce);
// Main thread, any number of times: the stop request, a paused run woken, the waits polled at
// once. Nothing here touches what the run thread uses.
void InterruptRun(Session& session);
// The clean-up, once the run thread has left the step loop: on the run thread as its last
// act, or on the main thread after a forced stop. Ends the run (Idle) and posts the next
// repetition.
void CleanUpRun(Session& session, int slot, int lastStep, bool keepResources);

// Cooperative: the run pauses at its next checkpoint (a Step's start, a round of a poll or a
// sleep), never while it holds a lock.
void PauseResume(Session& session);
// Command 1032: from the menu or toolbar, or (fromKey) from a key and the graceful-stop timer.
void StopRun(Session& session, bool fromKey);

// The value of the first run of decimal digits, negative with a '-' right before it; 0 when
// the text has no digit.
int LeadingInteger(std::string_view text);

}  // namespace plumo
