// A main-thread queue with a loop of its own, for programs without a window (the Linux runner)
// and for tests. The thread that calls Run is the main thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "platform/main_queue.h"

namespace plumo {

class LoopMainQueue : public MainQueue {
 public:
  // The constructing thread counts as the main thread until Run is called elsewhere.
  LoopMainQueue();

  void Post(std::function<void()> fn) override;
  int Call(std::function<int()> fn) override;
  void SetTimer(uint32_t id, uint32_t ms, std::function<void()> fn) override;
  void KillTimer(uint32_t id) override;
  int Run() override;
  void Quit(int code) override;

 private:
  using TimePoint = std::chrono::steady_clock::time_point;
  struct Timer {
    std::chrono::milliseconds period;
    TimePoint due;
    std::function<void()> fn;
  };

  std::mutex mu_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> work_;
  std::map<uint32_t, Timer> timers_;
  std::thread::id mainThread_;
  bool quit_ = false;
  int quitCode_ = 0;
};

}  // namespace plumo
