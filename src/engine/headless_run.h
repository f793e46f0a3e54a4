// A Script run without a studio window: the Linux runner and the hidden start of the studio.
// The Output palette is a stream that shows its lines only when asked to; the end of the run
// ends the main-thread loop.
#pragma once

#include <cstdio>
#include <mutex>

#include "engine/run_view.h"
#include "engine/session.h"

namespace plumo {

class StreamOutputView : public RunView {
 public:
  // With `show` the palette is visible; otherwise it exists hidden and its lines reach nobody.
  StreamOutputView(MainQueue& queue, std::FILE* out, bool show) : queue_(queue), out_(out), show_(show) {}

  bool OutputExists() override { return true; }
  bool OutputVisible() override { return show_; }
  bool OutputEmpty() override { return empty_; }
  void OutputAppend(const std::string& entry) override;
  void OutputClear() override { empty_ = true; }
  void CloseMainWindow() override;

 private:
  MainQueue& queue_;
  std::FILE* out_;
  bool show_;
  bool empty_ = true;
  std::mutex mu_;
};

// Delay of the run a command line starts.
constexpr uint32_t kStartupRunDelayMs = 500;

// Runs the Script of the slot from startStep (0-based) in a hidden start, with its
// repetitions, on the calling thread's main-thread loop; returns the exit code of its outcome
// (exitcode::, with *\DefaultReturnCode for a run that finished without setting one).
int RunHidden(Session& session, int slot, int startStep, uint32_t delayMs = kStartupRunDelayMs);

}  // namespace plumo
