#include "engine/session.h"

#include <algorithm>

#include "base/text.h"
#include "engine/run_log.h"

namespace plumo {

Session::Session(const SessionPorts& ports)
    : formulas(FormulaHost{ports.locale, ports.clock, ports.desktop, ports.dialogs, ports.files, ports.system}),
      ports_(ports) {}

Session::~Session() {
  std::unique_ptr<Worker> running;
  std::vector<std::unique_ptr<Worker>> finished;
  {
    std::lock_guard<std::mutex> lock(threadMu_);
    running = std::move(thread_);
    finished = std::move(finished_);
  }
  // Workers wait for their threads as they go.
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

std::string Session::Expand(std::string_view text) {
  if (variables.expand) return variables.expand(*this, text);
  return std::string(text);
}

std::string Session::ExpandStep(std::string_view text, int slot, int index, unsigned flags, size_t* length) {
  std::string out;
  if (flags & expandflag::kNone)
    out = std::string(text);
  else if (variables.expandStep)
    return variables.expandStep(*this, text, slot, index, flags, length);
  else
    out = Expand(text);
  if (length) *length = out.size();
  return out;
}

bool Session::StoreOutput(int slot, int index, std::string_view value, size_t length) {
  const Script* script = scripts.At(slot);
  if (!script || index < 0 || static_cast<size_t>(index) >= script->steps.size()) return false;
  const Step& step = script->steps[static_cast<size_t>(index)];
  if (step.output.empty()) return true;
  if (!variables.storeOutput) {
    LogLine(*this, "    Saving the result to \"" + step.output.str() + "\" needs the variable store, which is not built yet");
    return false;
  }
  variables.storeOutput(*this, slot, index, value, std::max(length, value.size()));
  return true;
}

bool Session::RunExists() {
  std::lock_guard<std::mutex> lock(threadMu_);
  return thread_ != nullptr;
}

bool Session::StartRunThread(std::function<void()> body) {
  std::vector<std::unique_ptr<Worker>> ended;
  std::lock_guard<std::mutex> lock(threadMu_);
  if (thread_) return false;
  for (auto it = finished_.begin(); it != finished_.end();) {
    if ((*it)->Finished()) {
      ended.push_back(std::move(*it));
      it = finished_.erase(it);
    } else {
      ++it;
    }
  }
  // Under the lock, so that a run that ends at once finds its own handle to let go of.
  thread_ = threads().Start(std::move(body));
  return true;
}

void Session::ReleaseRunThread() {
  std::lock_guard<std::mutex> lock(threadMu_);
  if (thread_) finished_.push_back(std::move(thread_));
}

bool Session::WithRunThread(const std::function<void(Worker&)>& fn) {
  std::lock_guard<std::mutex> lock(threadMu_);
  if (!thread_) return false;
  fn(*thread_);
  return true;
}

void Session::DropRunThread() {
  std::unique_ptr<Worker> gone;
  std::lock_guard<std::mutex> lock(threadMu_);
  gone = std::move(thread_);
}

}  // namespace plumo
