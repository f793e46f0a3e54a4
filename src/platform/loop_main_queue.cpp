#include "platform/loop_main_queue.h"

#include <future>
#include <memory>

namespace plumo {

LoopMainQueue::LoopMainQueue() : mainThread_(std::this_thread::get_id()) {}

void LoopMainQueue::Post(std::function<void()> fn) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    work_.push_back(std::move(fn));
  }
  cv_.notify_all();
}

int LoopMainQueue::Call(std::function<int()> fn) {
  bool onMain;
  {
    std::lock_guard<std::mutex> lock(mu_);
    onMain = std::this_thread::get_id() == mainThread_;
  }
  if (onMain) return fn();
  auto task = std::make_shared<std::packaged_task<int()>>(std::move(fn));
  std::future<int> result = task->get_future();
  Post([task] { (*task)(); });
  return result.get();
}

void LoopMainQueue::SetTimer(uint32_t id, uint32_t ms, std::function<void()> fn) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    auto period = std::chrono::milliseconds(ms == 0 ? 1 : ms);
    timers_[id] = Timer{period, std::chrono::steady_clock::now() + period, std::move(fn)};
  }
  cv_.notify_all();
}

void LoopMainQueue::KillTimer(uint32_t id) {
  std::lock_guard<std::mutex> lock(mu_);
  timers_.erase(id);
}

int LoopMainQueue::Run() {
  std::unique_lock<std::mutex> lock(mu_);
  mainThread_ = std::this_thread::get_id();
  quit_ = false;
  while (!quit_) {
    if (!work_.empty()) {
      auto fn = std::move(work_.front());
      work_.pop_front();
      lock.unlock();
      fn();
      lock.lock();
      continue;
    }
    // The earliest due timer, if any.
    auto next = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it)
      if (next == timers_.end() || it->second.due < next->second.due) next = it;
    if (next == timers_.end()) {
      cv_.wait(lock);
      continue;
    }
    auto now = std::chrono::steady_clock::now();
    if (next->second.due > now) {
      cv_.wait_until(lock, next->second.due);
      continue;
    }
    // Fire it; the callback may kill or reset any timer, itself included.
    next->second.due = now + next->second.period;
    auto fn = next->second.fn;
    lock.unlock();
    fn();
    lock.lock();
  }
  return quitCode_;
}

void LoopMainQueue::Quit(int code) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    quit_ = true;
    quitCode_ = code;
  }
  cv_.notify_all();
}

}  // namespace plumo
