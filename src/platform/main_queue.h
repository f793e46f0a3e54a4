// Main-thread queue: the run thread hands work to the thread that owns windows and dialogs,
// and that thread runs timers. On Windows the main window's message loop drives it; the
// Linux runner has a small loop of its own.
#pragma once

#include <cstdint>
#include <functional>

namespace plumo {

class MainQueue {
 public:
  virtual ~MainQueue() = default;

  // Runs fn on the main thread later; callable from any thread.
  virtual void Post(std::function<void()> fn) = 0;
  // Runs fn on the main thread and waits for its result. Called on the main thread itself it
  // runs fn at once (no deadlock).
  virtual int Call(std::function<int()> fn) = 0;
  // (Re)starts timer id: fn runs on the main thread every ms milliseconds until killed.
  virtual void SetTimer(uint32_t id, uint32_t ms, std::function<void()> fn) = 0;
  virtual void KillTimer(uint32_t id) = 0;

  // The main thread's loop: runs posted work and timers until Quit; returns Quit's code.
  virtual int Run() = 0;
  // Ends Run; callable from any thread.
  virtual void Quit(int code) = 0;
};

}  // namespace plumo
