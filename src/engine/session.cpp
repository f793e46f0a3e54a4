#include "engine/session.h"

#include <algorithm>

#include "base/text.h"
#include "engine/run_log.h"

namespace plumo {

Session::Session(const SessionPorts& ports)
    : formulas(FormulaHost{ports.locale, ports.clock, ports.desktop, ports.dialogs, ports.files, ports.system}),
      ports_(ports) {}

Session::~Session() {
  std::unique_ptr<Worker> thread;
  {
    std::lock_guard<std::mutex> lock(threadMu_);
    thread = std::move(thread_);
  }
  if (thread) thread->Join();
}

void Session::SetView(RunView* view) { view_ = view ? view : &nullView_; }

void Session::AddFinishHook(FinishPhase phase, FinishHook hook) {
  finishHooks_.emplace_back(phase, std::move(hook));
}

void Session::RunFinishHooks(FinishPhase phase, int slot) {
  for (auto& [p, hook] : finishHooks_)
    if (p == phase) hook(*this, slot);
}

void Session::AddResetHook(FinishHook hook) { resetHooks_.push_back(std::move(hook)); }

void Session::RunResetHooks(int slot) {
  for (auto& hook : resetHooks_) hook(*this, slot);
}

std::string Session::HttpStatus() {
  std::lock_guard<std::mutex> lock(httpMu_);
  return httpStatus_;
}

void Session::SetHttpStatus(std::string_view status) {
  std::lock_guard<std::mutex> lock(httpMu_);
  httpStatus_ = Bounded(status, kHttpStatusWidth);
}

void Session::SetPromptAnswer(int32_t id, std::string_view name) {
  std::lock_guard<std::mutex> lock(promptMu_);
  promptResult_ = id;
  promptCommand_ = std::string(name);
}

int32_t Session::PromptResult() {
  std::lock_guard<std::mutex> lock(promptMu_);
  return promptResult_;
}

std::string Session::PromptCommand() {
  std::lock_guard<std::mutex> lock(promptMu_);
  return promptCommand_;
}

void Session::AddInterruptHook(InterruptHook hook) { interruptHooks_.push_back(std::move(hook)); }

void Session::RunInterruptHooks() {
  for (auto& hook : interruptHooks_) hook(*this);
}

void Session::SetError(std::string_view text) { AssignBounded(run.errorText, text, kErrorTextWidth); }

int RunOutcome::ExitCode(int finished) const {
  if (stopped) return exitcode::kStopped;
  if (exitCode) return *exitCode;
  return failed ? exitcode::kStepFailed : finished;
}

int Session::Fail(std::string_view reason) {
  SetError(reason);
  return result::kFailure;
}

bool Session::StopRequested() {
  if (run.stopRequest.load() != 0) return true;
  // A person holds a key down for tens of milliseconds, so asking the desktop (a system call,
  // a server round trip under Wine) once in 10 ms misses no press; the step loop asks after
  // every Step.
  constexpr uint32_t kStopKeyCheckMs = 10;
  const uint32_t now = clock().TickCount();
  if (stopKeyChecked_.load(std::memory_order_relaxed) && now - stopKeyCheckedAt_.load(std::memory_order_relaxed) < kStopKeyCheckMs)
    return false;
  stopKeyCheckedAt_.store(now, std::memory_order_relaxed);
  stopKeyChecked_.store(true, std::memory_order_relaxed);
  return desktop().KeyPressedAsync(run.stopKey);
}

bool Session::AwaitResume() {
  if (run.paused.load()) {
    std::unique_lock<std::mutex> lock(runMu_);
    runCv_.wait(lock, [this] { return run.paused.load() == 0 || run.stopRequest.load() != 0; });
  }
  return run.stopRequest.load() == 0;
}

bool Session::Checkpoint() { return AwaitResume() && !StopRequested(); }

bool Session::SleepInRun(uint32_t ms) {
  while (ms > 0) {
    const uint32_t slice = std::min(ms, kDelaySliceMs);
    clock().Sleep(slice);
    ms -= slice;
    if (!Checkpoint()) return false;
  }
  return true;
}

void Session::RequestStop() {
  {
    std::lock_guard<std::mutex> lock(runMu_);
    run.stopRequest = 1;
  }
  runCv_.notify_all();
}

void Session::CancelStop() { run.stopRequest = 0; }

void Session::SetPaused(bool paused) {
  {
    std::lock_guard<std::mutex> lock(runMu_);
    run.paused = paused ? 1 : 0;
  }
  runCv_.notify_all();
}

void Session::EditRunningStep(int slot, int index, const std::function<void(Step&)>& edit) {
  mainQueue().Call([&] {
    Script* script = scripts.At(slot);
    if (script && index >= 0 && static_cast<size_t>(index) < script->steps.size()) edit(script->steps[static_cast<size_t>(index)]);
    return 0;
  });
}

std::string Session::Expand(std::string_view text) {
  if (variables_) return variables_->Expand(text);
  return std::string(text);
}

std::string Session::ExpandStep(std::string_view text, int slot, int index, unsigned flags, size_t* length) {
  std::string out;
  if (flags & expandflag::kNone)
    out = std::string(text);
  else if (variables_)
    return variables_->ExpandStep(text, slot, index, flags, length);
  else
    out = std::string(text);
  if (length) *length = out.size();
  return out;
}

bool Session::StoreOutput(int slot, int index, std::string_view value, size_t length) {
  const Script* script = scripts.At(slot);
  if (!script || index < 0 || static_cast<size_t>(index) >= script->steps.size()) return false;
  const Step& step = script->steps[static_cast<size_t>(index)];
  if (step.output.empty()) return true;
  if (!variables_) {
    LogLine(*this, "    Saving the result to \"" + step.output.str() + "\" needs the variable store, which is not built yet");
    return false;
  }
  variables_->StoreOutput(slot, index, value, std::max(length, value.size()));
  return true;
}

bool Session::RunExists() const {
  const RunPhase phase = run.phase.load();
  return phase != RunPhase::kIdle && phase != RunPhase::kBroken;
}

bool Session::StartRunThread(std::function<void()> body) {
  RunPhase idle = RunPhase::kIdle;
  if (!run.phase.compare_exchange_strong(idle, RunPhase::kRunning)) return false;
  std::unique_ptr<Worker> last;
  std::lock_guard<std::mutex> lock(threadMu_);
  // The last run's thread set Idle as its last act on the session; it has ended or is ending.
  last = std::move(thread_);
  if (last) last->Join();
  thread_ = threads().Start(std::move(body));
  return true;
}

OsError Session::TerminateRunThread() {
  RunPhase running = RunPhase::kRunning;
  if (!run.phase.compare_exchange_strong(running, RunPhase::kTerminating))
    return OsError("TerminateThread", oscode::kInvalidParameter, "the run has already left its Steps");
  OsError e;
  {
    std::lock_guard<std::mutex> lock(threadMu_);
    e = thread_ ? thread_->Terminate() : OsError::Ok();
    // TerminateThread only starts the end: the clean-up must not begin beside the thread.
    if (e.ok() && thread_) thread_->Join();
  }
  run.phase = e.ok() ? RunPhase::kFinishing : RunPhase::kRunning;
  return e;
}

}  // namespace plumo
