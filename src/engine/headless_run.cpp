#include "engine/headless_run.h"

#include "engine/run_controller.h"

namespace plumo {

void StreamOutputView::OutputAppend(const std::string& entry) {
  std::lock_guard<std::mutex> lock(mu_);
  empty_ = false;
  if (!show_) return;
  std::fwrite(entry.data(), 1, entry.size(), out_);
  std::fputc('\n', out_);
  std::fflush(out_);
}

void StreamOutputView::CloseMainWindow() { queue_.Quit(0); }

int RunHidden(Session& session, int slot, int startStep, uint32_t delayMs) {
  session.startMode = kStartModeRunAtStart | kStartModeHidden | 1;
  bool started = false;
  session.mainQueue().Post([&] {
    started = StartRun(session, slot, runcmd::kRun, true, startStep, delayMs);
    if (!started) session.mainQueue().Quit(0);
  });
  session.mainQueue().Run();
  // A refused run (an empty Script, an invalid start Step) did not do what it was asked.
  if (!started) return exitcode::kStepFailed;
  return session.outcome.ExitCode(static_cast<int>(session.settings().ReadNumber("*\\DefaultReturnCode")));
}

}  // namespace plumo
