// Polls a condition until it holds or the time is up; for tests that watch other processes.
#pragma once

#include <chrono>
#include <thread>

namespace plumo {

template <typename Pred>
bool WaitFor(Pred pred, unsigned long ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace plumo
