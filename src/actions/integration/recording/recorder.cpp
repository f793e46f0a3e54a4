#include "actions/integration/recording/recorder.h"

#include "actions/desktop/key_input.h"
#include "scripts/step.h"

namespace plumo {
namespace {

constexpr uint32_t kLeftButton = 1, kRightButton = 2, kCapsLock = 20, kNumLock = 144, kScrollLock = 145;

bool IsToggleKey(uint32_t vk) { return vk == kCapsLock || vk == kNumLock || vk == kScrollLock; }

}  // namespace

RecordingMethod MethodOfOptions(std::string_view options) {
  return HasOption(options, "Hardware") ? RecordingMethod::kHardware : RecordingMethod::kSoftware;
}

std::string RecordingStartFailure(std::string_view systemText, bool vistaOrLater) {
  std::string text = "Failure while starting Recording.\nPlease use the \"Hardware\" method instead.\n\n";
  if (!systemText.empty()) text += "System Error:  " + std::string(systemText);
  if (vistaOrLater) text += "\n\nNOTE: Some programs (such as 'User Account Control') prevent recording.";
  return text;
}

HardwareRecorder::HardwareRecorder(Desktop& desktop, Clock& clock, uint8_t stopKey)
    : desktop_(desktop), clock_(clock), stopKey_(stopKey) {}

void HardwareRecorder::Start() {
  events_.clear();
  for (uint8_t& k : keys_) k = 0;
  for (uint32_t vk : {kCapsLock, kNumLock, kScrollLock}) keys_[vk] = desktop_.IsKeyPressed(vk) ? 1 : 0;
  lastMoveLow8_ = 0;
  lastInput_ = desktop_.LastInputTick();
  inputSeenAt_ = clock_.TickCount();
}

// Toggle keys by their toggle bit (IsKeyPressed); the rest, buttons too, by whether they are
// down now whichever program has the focus.
bool HardwareRecorder::KeyState(uint32_t vk) { return IsToggleKey(vk) ? desktop_.IsKeyPressed(vk) : desktop_.KeyDown(vk); }

bool HardwareRecorder::Poll() {
  // Longer than Wine shows a process the key states of the past (50 ms).
  constexpr uint32_t kSettleMs = 200;
  const std::optional<uint32_t> input = desktop_.LastInputTick();
  const uint32_t now = clock_.TickCount();
  if (!input || input != lastInput_) {
    lastInput_ = input;
    inputSeenAt_ = now;
  }
  if (now - inputSeenAt_ >= kSettleMs) return false;
  for (uint32_t vk = 1; vk < 256; ++vk) {
    const uint8_t state = KeyState(vk) ? 1 : 0;
    if (state == keys_[vk]) continue;
    keys_[vk] = state;
    if (vk == stopKey_ && state) {
      ReleaseHeldKeys();
      return true;
    }
    if (vk == kLeftShiftKey) return false;
    RecordedEvent e;
    e.time = now;
    if (vk == kLeftButton || vk == kRightButton) {
      e.message = vk == kLeftButton ? (state ? recmsg::kLeftDown : recmsg::kLeftUp) : (state ? recmsg::kRightDown : recmsg::kRightUp);
      const ScreenPoint at = desktop_.CursorPosition();
      e.first = static_cast<uint32_t>(at.x);
      e.second = static_cast<uint32_t>(at.y);
      e.window = desktop_.WindowFromPoint(at.x, at.y);  // so that the stopping click can be found
    } else {
      const uint32_t scan = desktop_.ScanCodeOf(vk) & 0xFF;
      e.message = state ? recmsg::kKeyDown : recmsg::kKeyUp;
      e.first = scan << 8 | vk;
      e.second = scan;
      e.window = desktop_.ForegroundWindow();
    }
    AppendEvent(events_, e);
    return false;
  }
  const ScreenPoint at = desktop_.CursorPosition();
  const uint32_t low8 = static_cast<uint32_t>(at.x + at.y) & 0xFF;
  if (at.x != 0 && at.y != 0 && low8 != lastMoveLow8_) {
    lastMoveLow8_ = low8;
    AppendEvent(events_, {recmsg::kMouseMove, static_cast<uint32_t>(at.x), static_cast<uint32_t>(at.y), now,
                          desktop_.ForegroundWindow()});
  }
  return false;
}

// Keys held when the stop key went down would stay down in the recording and for the
// system (the stop key's own release included): each gets its key-up, recorded and sent.
void HardwareRecorder::ReleaseHeldKeys() {
  const uint32_t now = clock_.TickCount();
  for (uint32_t vk = 3; vk < 256; ++vk) {
    if (IsToggleKey(vk) || !keys_[vk]) continue;
    keys_[vk] = 0;
    if (vk == stopKey_) continue;
    const uint32_t scan = desktop_.ScanCodeOf(vk) & 0xFF;
    (void)desktop_.SendKeyInput(vk, scan, keyevent::kKeyUp | (IsExtendedKey(vk) ? keyevent::kExtendedKey : 0));
    if (vk != kLeftShiftKey) AppendEvent(events_, {recmsg::kKeyUp, scan << 8 | vk, scan, now, 0});
  }
}

void CutStoppingClick(std::vector<RecordedEvent>& events, uint32_t window) {
  for (size_t i = events.size(); i-- > 0;) {
    if (events[i].message == recmsg::kLeftDown && events[i].window == window) {
      events.resize(i);
      return;
    }
  }
}

std::string HardwareRecorder::StopToText(uint32_t fieldWindow) {
  if (keys_[kLeftButton]) (void)desktop_.ReleaseLeftButton();
  CutStoppingClick(events_, fieldWindow);
  std::string text = RecordingText(events_);
  events_.clear();
  return text;
}

}  // namespace plumo
