// Playback of a recording through synthetic input, one timer tick at a time: the "Recording"
// Step drives it from the run thread, a benchmark or a test from their own loop.
#pragma once

#include <functional>
#include <vector>

#include "actions/integration/recording/recording_text.h"
#include "platform/clock.h"
#include "platform/desktop.h"

namespace plumo {

// The first tick comes this long after the start.
constexpr uint32_t kPlayerFirstTickMs = 25;
// At fastest speed, of a run of moves every sixth is played (and the run's last, so that the
// cursor ends where it was recorded), each followed by 1 ms; the next tick then comes after
// 75 ms, else after 1 ms.
constexpr size_t kFastestMoveStride = 6;
constexpr uint32_t kFastestAfterMovesMs = 75;

class HardwarePlayer {
 public:
  HardwarePlayer(Desktop& desktop, Clock& clock, std::vector<RecordedEvent> events, PlaybackSpeed speed);

  struct Tick {
    bool done = false;       // the list is played
    uint32_t nextMs = 0;     // else the next tick comes this long after this one
    OsError error;           // the first event could not be sent: nothing played yet
  };
  Tick Play();
  bool leftClickPlayed() const { return leftClickPlayed_; }
  size_t position() const { return next_; }

 private:
  OsError Send(const RecordedEvent& e);
  void Move(uint32_t x, uint32_t y);

  Desktop& desktop_;
  Clock& clock_;
  std::vector<RecordedEvent> events_;
  PlaybackSpeed speed_;
  size_t next_ = 0;
  ScreenPoint at_;  // where a button goes that carries no point of its own: the last move
  bool leftClickPlayed_ = false;
};

// The player's ticks on time: each is due its delay after the one before (not after the
// previous one ended), so that lateness does not add up; after a pause longer than 250 ms the
// timing starts afresh. Between ticks `check` is asked at least every 10 ms.
enum class PlayCheck { kGoOn, kCancel, kStop };
enum class PlayEnd { kDone, kCancelled, kStopped, kCannotBegin };
// The first event could not be sent for 500 ms: kCannotBegin with the reason in *error.
PlayEnd PlayPaced(HardwarePlayer& player, Clock& clock, const std::function<PlayCheck()>& check, OsError* error);

}  // namespace plumo
