#include "actions/integration/recording/recording_text.h"

#include <algorithm>
#include <cstdio>

#include "scripts/step.h"

namespace plumo {

void AppendEvent(std::vector<RecordedEvent>& events, const RecordedEvent& event) {
  constexpr size_t kSpare = 100, kStep = 20000 / 20;  // 20000 bytes of 20-byte records
  if (events.capacity() - events.size() < kSpare) events.reserve(events.capacity() + kStep);
  events.push_back(event);
}

std::string RecordingText(const std::vector<RecordedEvent>& events) {
  std::string text;
  text.reserve(std::max<size_t>((events.size() + 100) * 32, 4096));
  text += "\r\n\t";
  char group[64];
  for (const RecordedEvent& e : events) {
    const int n = std::snprintf(group, sizeof group, "[%04lu-%04lu-%04lu-%08lu]\r\n\t", static_cast<unsigned long>(e.message),
                                static_cast<unsigned long>(e.second), static_cast<unsigned long>(e.first),
                                static_cast<unsigned long>(e.time));
    text.append(group, static_cast<size_t>(n));
  }
  return text;
}

ParsedRecording ParseRecordingText(std::string_view text) {
  ParsedRecording out;
  size_t at = text.find('[');
  while (at != std::string_view::npos) {
    uint64_t numbers[4];
    int have = 0;
    size_t i = at + 1;
    while (have < 4 && i < text.size() && text[i] != '[') {
      if (text[i] < '0' || text[i] > '9') {
        ++i;
        continue;
      }
      uint64_t v = 0;
      for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + static_cast<uint64_t>(text[i] - '0');
        if (v > UINT32_MAX) {
          out.problem = "event " + std::to_string(out.events.size() + 1) + " has a number beyond 4294967295";
          out.events.clear();
          return out;
        }
      }
      numbers[have++] = v;
    }
    if (have == 4) {
      if (numbers[0] == 0) break;
      out.events.push_back({static_cast<uint32_t>(numbers[0]), static_cast<uint32_t>(numbers[2]),
                            static_cast<uint32_t>(numbers[1]), static_cast<uint32_t>(numbers[3]), 0});
    }
    at = text.find('[', i);
  }
  if (out.events.empty()) out.problem = "no bracketed group of four numbers";
  return out;
}

PlaybackSpeed SpeedOfOptions(std::string_view options) {
  if (HasOption(options, "Fastest")) return PlaybackSpeed::kFastest;
  if (HasOption(options, "Slowest")) return PlaybackSpeed::kSlowest;
  return PlaybackSpeed::kNormal;
}

uint32_t EventDelay(const std::vector<RecordedEvent>& events, size_t index, PlaybackSpeed speed) {
  if (index == 0 || index >= events.size() || speed == PlaybackSpeed::kFastest) return 0;
  const uint32_t gap = events[index].time - events[index - 1].time;
  if (gap > UINT32_MAX / 2) return 0;
  if (speed != PlaybackSpeed::kSlowest) return gap;
  return static_cast<uint32_t>(std::min<uint64_t>(uint64_t{gap} * 5, INT32_MAX));
}

}  // namespace plumo
