// A keyboard and mouse recording: its events, the text a "Recording" Step keeps them in, and
// the pacing of their playback.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plumo {

// Window messages of the events.
namespace recmsg {
constexpr uint32_t kKeyDown = 256;
constexpr uint32_t kKeyUp = 257;
constexpr uint32_t kMouseMove = 512;
constexpr uint32_t kLeftDown = 513;
constexpr uint32_t kLeftUp = 514;
constexpr uint32_t kRightDown = 516;
constexpr uint32_t kRightUp = 517;
constexpr uint32_t kWheel = 522;
}  // namespace recmsg

// The left Shift key's own code: its events are recorded and played through Shift (16) alone.
constexpr uint32_t kLeftShiftKey = 160;

// A key event's first parameter is the scan code shifted left by 8 or-ed with the virtual
// key, its second the scan code; a move's are x and y in screen pixels.
struct RecordedEvent {
  uint32_t message = 0;
  uint32_t first = 0;
  uint32_t second = 0;
  uint32_t time = 0;    // tick count, ms
  uint32_t window = 0;  // not saved: only the recorder's cut of the stopping click reads it
  bool operator==(const RecordedEvent& o) const {
    return message == o.message && first == o.first && second == o.second && time == o.time;
  }
};

// Grows by 1000 events whenever fewer than 100 are free, as a recording comes in tick by tick.
void AppendEvent(std::vector<RecordedEvent>& events, const RecordedEvent& event);

// "\r\n\t", then "[message-second-first-time]\r\n\t" per event, zero-padded to 4, 4, 4 and 8
// digits. Wider numbers are written whole.
std::string RecordingText(const std::vector<RecordedEvent>& events);

struct ParsedRecording {
  std::vector<RecordedEvent> events;
  std::string problem;  // why no event could be read; empty when events were
};
// Every '[' starts an event of four decimal numbers (message, second, first, time) that any
// characters but digits and '[' separate; a group that another '[' or the end cuts short is
// passed over. A message 0 ends the list. A number beyond 32 bits refuses the whole text.
// Linear in the text, and the events never take more than a few times its length.
ParsedRecording ParseRecordingText(std::string_view text);

// The speed of playback: an option word of the Step, "Fastest" or "Slowest"; normal without.
enum class PlaybackSpeed { kNormal, kFastest, kSlowest };
PlaybackSpeed SpeedOfOptions(std::string_view options);

// The wait before event `index` (0 for the first): the recorded gap, 0 at fastest speed, five
// times the gap at slowest, at most 2^31 - 1 ms. A time that runs backwards (a damaged text)
// gives 0.
uint32_t EventDelay(const std::vector<RecordedEvent>& events, size_t index, PlaybackSpeed speed);

}  // namespace plumo
