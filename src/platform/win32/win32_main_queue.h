#pragma once

#include <windows.h>

#include <map>
#include <mutex>

#include "platform/main_queue.h"

namespace plumo {

// The main-thread queue on a message-only window of the thread that creates it. The studio's
// message loop (or Run) dispatches its messages.
class Win32MainQueue : public MainQueue {
 public:
  Win32MainQueue();
  ~Win32MainQueue() override;

  void Post(std::function<void()> fn) override;
  int Call(std::function<int()> fn) override;
  void SetTimer(uint32_t id, uint32_t ms, std::function<void()> fn) override;
  void KillTimer(uint32_t id) override;
  int Run() override;
  void Quit(int code) override;

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  HWND hwnd_ = nullptr;
  DWORD thread_ = 0;
  std::mutex mu_;
  std::map<uint32_t, std::function<void()>> timers_;
};

}  // namespace plumo
