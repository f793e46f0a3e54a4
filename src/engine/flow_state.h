// What flow control keeps between Steps: the GOSUB return stack, the IF stack and, per Script
// slot, the open loops. "Run" clears it; "Run From Here" and "Run Single Step" keep it, so a
// Step run alone sees what the last run left. The run thread owns it.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "scripts/script.h"

namespace plumo {

constexpr int kGosubSlots = 64;
constexpr int kIfSlots = 16;
constexpr int kLoopLevels = 16;

// Loop values are doubles, and the current value is always first + passes × increment, so a
// loop counts exactly where a float would stall (16777216 + 1) or drift (0.1 steps).
struct LoopLevel {
  int32_t startStep = 0;  // 1-based number of the START Step; 0 = unused
  int64_t passes = 0;     // NEXT LOOP passes so far
  double endValue = 1;
  double increment = 1;
  double first = 1;       // the value of the first pass
  double current = 1;     // the FOR value, or the item number of the item loops
  // Built on the first pass of the Files, Folders and Process loops.
  bool hasItems = false;
  std::vector<std::string> items;
  // The window the Windows loop reached last.
  uint32_t window = 0;
};

struct FlowState {
  // Slot `gosubDepth` holds the 0-based index of the calling GOSUB; depth 0 = empty.
  std::array<int32_t, kGosubSlots> gosub{};
  int gosubDepth = 0;
  // Slot `ifDepth` holds the 1-based number of the IF whose branch was taken, 0 while none.
  std::array<int32_t, kIfSlots> ifs{};
  int ifDepth = 0;
  // Level 0 is the innermost open loop.
  std::array<std::array<LoopLevel, kLoopLevels>, ScriptSlots::kCount> loops;
  // Level 0's current value per slot (0 while no loop is open), for readers on other threads
  // ({loop} in the Variables palette); flow control publishes it after every change.
  std::array<std::atomic<double>, ScriptSlots::kCount> shownLoop{};

  void Publish(int slot) {
    if (slot < 0 || slot >= ScriptSlots::kCount) return;
    const LoopLevel& level = loops[static_cast<size_t>(slot)][0];
    shownLoop[static_cast<size_t>(slot)].store(level.startStep == 0 ? 0.0 : level.current, std::memory_order_relaxed);
  }

  void Reset(int slot) {
    gosub = {};
    gosubDepth = 0;
    ifs = {};
    ifDepth = 0;
    if (slot >= 0 && slot < ScriptSlots::kCount) loops[static_cast<size_t>(slot)] = {};
    Publish(slot);
  }
};

}  // namespace plumo
