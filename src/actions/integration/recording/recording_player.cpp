#include "actions/integration/recording/recording_player.h"

#include <algorithm>

#include "actions/desktop/key_input.h"

namespace plumo {
namespace {

constexpr int64_t kAbsoluteRange = 65535;

// Mouse input flags of the button messages.
struct ButtonRow {
  uint32_t message;
  uint32_t flags;
};
constexpr ButtonRow kButtons[] = {
    {recmsg::kLeftDown, mouseevent::kLeftDown},   {recmsg::kLeftUp, mouseevent::kLeftUp},
    {recmsg::kRightDown, mouseevent::kRightDown}, {recmsg::kRightUp, mouseevent::kRightUp},
    {recmsg::kWheel, mouseevent::kWheel},
};

}  // namespace

HardwarePlayer::HardwarePlayer(Desktop& desktop, Clock& clock, std::vector<RecordedEvent> events, PlaybackSpeed speed)
    : desktop_(desktop), clock_(clock), events_(std::move(events)), speed_(speed), at_(desktop.CursorPosition()) {}

void HardwarePlayer::Move(uint32_t x, uint32_t y) {
  at_ = {static_cast<int32_t>(x), static_cast<int32_t>(y)};
  const ScreenInfo screen = desktop_.Screen();
  const int64_t width = std::max<int64_t>(screen.width, 1), height = std::max<int64_t>(screen.height, 1);
  (void)desktop_.SendMouseInput(mouseevent::kMove | mouseevent::kAbsolute, static_cast<int32_t>(at_.x * kAbsoluteRange / width),
                                static_cast<int32_t>(at_.y * kAbsoluteRange / height), 0);
  desktop_.SetCursorPos(at_.x, at_.y);
}

OsError HardwarePlayer::Send(const RecordedEvent& e) {
  if (e.message == recmsg::kKeyDown || e.message == recmsg::kKeyUp) {
    const uint32_t vk = e.first & 0xFF;
    if (vk == kLeftShiftKey) return OsError::Ok();
    const uint32_t flags = (e.message == recmsg::kKeyUp ? keyevent::kKeyUp : 0) | (IsExtendedKey(vk) ? keyevent::kExtendedKey : 0);
    return desktop_.SendKeyInput(vk, e.second & 0xFF, flags);
  }
  if (e.message == recmsg::kMouseMove) {
    Move(e.first, e.second);
    return OsError::Ok();
  }
  for (const ButtonRow& row : kButtons) {
    if (row.message != e.message) continue;
    if (e.message == recmsg::kLeftUp) leftClickPlayed_ = true;
    if (e.first != 0 || e.second != 0) at_ = {static_cast<int32_t>(e.first), static_cast<int32_t>(e.second)};
    return desktop_.SendMouseButton(row.flags, at_, e.message == recmsg::kWheel ? -mouseevent::kWheelDelta : 0);
  }
  return OsError::Ok();  // a message no recorder writes
}

HardwarePlayer::Tick HardwarePlayer::Play() {
  Tick tick;
  if (next_ >= events_.size()) {
    tick.done = true;
    return tick;
  }
  if (speed_ == PlaybackSpeed::kFastest && events_[next_].message == recmsg::kMouseMove) {
    size_t end = next_;
    while (end < events_.size() && events_[end].message == recmsg::kMouseMove) ++end;
    for (size_t i = next_; i < end; ++i) {
      if ((i - next_) % kFastestMoveStride != 0 && i + 1 != end) continue;
      Move(events_[i].first, events_[i].second);
      clock_.Sleep(1);
    }
    next_ = end;
    tick.nextMs = kFastestAfterMovesMs;
  } else {
    const OsError error = Send(events_[next_]);
    if (!error.ok() && next_ == 0) {
      tick.error = error;
      return tick;
    }
    ++next_;
    tick.nextMs = speed_ == PlaybackSpeed::kFastest ? 1 : EventDelay(events_, next_, speed_);
  }
  tick.done = next_ >= events_.size();
  return tick;
}

PlayEnd PlayPaced(HardwarePlayer& player, Clock& clock, const std::function<PlayCheck()>& check, OsError* error) {
  constexpr uint32_t kSliceMs = 10, kBeginWithinMs = 500, kCatchUpMs = 250;
  const uint32_t start = clock.TickCount();
  uint32_t due = start + kPlayerFirstTickMs;
  for (;;) {
    for (int32_t left; (left = static_cast<int32_t>(due - clock.TickCount())) > 0;) {
      clock.Sleep(std::min<uint32_t>(static_cast<uint32_t>(left), kSliceMs));
      switch (check()) {
        case PlayCheck::kGoOn: break;
        case PlayCheck::kCancel: return PlayEnd::kCancelled;
        case PlayCheck::kStop: return PlayEnd::kStopped;
      }
    }
    HardwarePlayer::Tick tick = player.Play();
    const uint32_t now = clock.TickCount();
    if (!tick.error.ok()) {
      if (now - start >= kBeginWithinMs) {
        *error = std::move(tick.error);
        return PlayEnd::kCannotBegin;
      }
      due = now + kPlayerFirstTickMs;
      continue;
    }
    if (tick.done) return PlayEnd::kDone;
    due += tick.nextMs;
    if (static_cast<int32_t>(now - due) > static_cast<int32_t>(kCatchUpMs)) due = now + tick.nextMs;
  }
}

}  // namespace plumo
