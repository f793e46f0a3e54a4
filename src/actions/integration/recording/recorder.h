// Recording the user's keyboard and mouse by polling: the caller owns a 10 ms timer and calls
// Poll on each tick, on the thread that owns the properties field (the studio's main thread).
//
// The studio's recording field drives it: Start when the field is clicked, Poll on the timer
// until it answers true (the stop key) or the field is clicked again, then StopToText with the
// field's window, whose text goes into the Step.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "actions/integration/recording/recording_text.h"
#include "platform/clock.h"
#include "platform/desktop.h"

namespace plumo {

// F8 ends a recording, the first one after start-up too, as the field's text says; the run's
// stop key (Pause unless the keyboard map says otherwise) keeps ending runs and playbacks.
constexpr uint8_t kRecordingStopKey = 0x77;

enum class RecordingMethod { kSoftware, kHardware };
// The "Hardware" option word chooses the polling recorder and player.
RecordingMethod MethodOfOptions(std::string_view options);

// The text of the "Recording Error" box when the journal record hook cannot be installed;
// systemText empty when the system gave no reason.
std::string RecordingStartFailure(std::string_view systemText, bool vistaOrLater);

class HardwareRecorder {
 public:
  HardwareRecorder(Desktop& desktop, Clock& clock, uint8_t stopKey = kRecordingStopKey);

  // Discards any previous events and takes the toggled states of Caps, Num and Scroll Lock.
  void Start();
  // One tick: at most one event, from the first key (1 to 255) whose state changed, else a
  // cursor move. True when the stop key went down: the held keys were released and the
  // caller is to stop. Keys and cursor are asked only while input came in the last 200 ms
  // (or when the system cannot tell): 255 questions a tick would cost an idle Wine a quarter
  // of a core.
  bool Poll();
  // Releases the left button and cuts the list at the last left click on `fieldWindow` (the
  // click that stopped the recording); the events in the recording text.
  std::string StopToText(uint32_t fieldWindow);

  const std::vector<RecordedEvent>& events() const { return events_; }

 private:
  bool KeyState(uint32_t vk);
  void ReleaseHeldKeys();

  Desktop& desktop_;
  Clock& clock_;
  uint8_t stopKey_;
  std::vector<RecordedEvent> events_;
  uint8_t keys_[256] = {};
  uint32_t lastMoveLow8_ = 0;
  std::optional<uint32_t> lastInput_;
  uint32_t inputSeenAt_ = 0;
};

// Cuts `events` before the last left-button-down on `window`.
void CutStoppingClick(std::vector<RecordedEvent>& events, uint32_t window);

}  // namespace plumo
