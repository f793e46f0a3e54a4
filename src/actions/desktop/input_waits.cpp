// The waits on the keyboard, the mouse, idle time and the screen saver, and IF Key is Pressed.
#include "actions/desktop/input_waits.h"

#include <array>
#include <memory>

#include "actions/desktop/key_sequence.h"
#include "actions/desktop/window_actions.h"
#include "base/text.h"
#include "engine/run_controller.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "engine/waits.h"

namespace plumo {
namespace {

constexpr uint32_t kSettleMs = 350;
constexpr uint32_t kKeyPollMs = 250;
constexpr uint32_t kIdleSettleMs = 1000;
constexpr uint32_t kIdlePollMs = 3000;
constexpr uint32_t kTypedFirstPollMs = 250;
constexpr uint32_t kTypedPollMs = 10;
constexpr uint32_t kSaverPollMs = 3000;
constexpr uint8_t kFirstKey = 8, kLastKey = 159;
constexpr size_t kExpectedChars = 30;
constexpr size_t kHistoryChars = 31;
constexpr size_t kTitleChars = 31;
constexpr uint8_t kLeftButton = 1, kRightButton = 2, kMiddleButton = 4;
constexpr uint8_t kCapsLock = 20, kNumLock = 144, kScrollLock = 145, kEscape = 27;

WaitAnswer DesktopNeeded(Session& session, int slot, int index) {
  return WaitAnswer::Failed(NeedsDesktopText(session, slot, index));
}

KeyLayout LayoutOf(Desktop& d) {
  return [&d](char c) { return d.KeyForChar(c); };
}

// Forgets presses from before the wait: GetAsyncKeyState's "pressed since" answers once.
void ForgetKeyPresses(Desktop& d) {
  for (int vk = kFirstKey; vk <= kLastKey; ++vk) (void)d.KeyPressedAsync(static_cast<uint32_t>(vk));
}

bool AnyKeyPressed(Desktop& d) {
  bool any = false;
  // Every key is asked, so that none keeps an old press for the next round.
  for (int vk = kFirstKey; vk <= kLastKey; ++vk) any |= d.KeyPressedAsync(static_cast<uint32_t>(vk));
  return any;
}

bool TimedOut(Session& session, uint32_t start, uint32_t timeoutMs) {
  return timeoutMs > 0 && session.clock().TickCount() - start >= timeoutMs;
}

// Polls `test` every 250 ms until it holds (1), the time-out passes (0) or a stop comes (-1).
template <class Test>
int PollOnRunThread(Session& session, uint32_t start, uint32_t timeoutMs, Test test) {
  if (TimedOut(session, start, timeoutMs)) return result::kFailure;
  for (;;) {
    if (!session.Checkpoint()) return result::kStop;
    session.clock().Sleep(kKeyPollMs);
    if (test()) return result::kSuccess;
    if (TimedOut(session, start, timeoutMs)) return result::kFailure;
  }
}

int WaitForKeypress(Session& session, int slot, int index, uint32_t start, uint32_t timeoutMs) {
  Desktop& d = session.desktop();
  if (!d.HasDesktop()) return NeedsDesktop(session, slot, index);
  const Step& step = session.scripts.StepAt(slot, index);
  const std::string text = session.ExpandStep(step.text, slot, index);
  uint8_t key = 0;
  if (!text.empty()) {
    key = KeyNameToVk(text, LayoutOf(d));
    if (key == 0) return session.Fail(FormatText("Unknown key \"%s\"", text.c_str()));
    if (step.runCount < 2) LogLine(session, FormatText("    Waiting for keypress %s (%d)", text.c_str(), key));
  }
  if (!session.SleepInRun(kSettleMs)) return result::kStop;
  ForgetKeyPresses(d);
  // A key held since the start counts once it was let go and pressed again.
  std::array<bool, 256> held{};
  for (int vk = kFirstKey; vk <= kLastKey; ++vk) held[vk] = d.KeyDown(static_cast<uint32_t>(vk));
  auto pressed = [&](int vk) {
    if (held[vk]) {
      held[vk] = d.KeyDown(static_cast<uint32_t>(vk));
      (void)d.KeyPressedAsync(static_cast<uint32_t>(vk));
      return false;
    }
    return d.KeyPressedAsync(static_cast<uint32_t>(vk));
  };
  return PollOnRunThread(session, start, timeoutMs, [&] {
    if (key) return pressed(key);
    bool any = false;
    for (int vk = kFirstKey; vk <= kLastKey; ++vk) any |= pressed(vk);
    return any;
  });
}

int WaitForMouse(Session& session, int slot, int index, uint32_t start, uint32_t timeoutMs) {
  Desktop& d = session.desktop();
  if (!d.HasDesktop()) return NeedsDesktop(session, slot, index);
  std::string_view o = session.scripts.StepAt(slot, index).options;
  const bool move = ContainsNoCase(o, "Move"), any = ContainsNoCase(o, "Any");
  std::vector<uint8_t> buttons;
  if (any || ContainsNoCase(o, "Left")) buttons.push_back(kLeftButton);
  if (any || ContainsNoCase(o, "Right")) buttons.push_back(kRightButton);
  if (any || ContainsNoCase(o, "Middle")) buttons.push_back(kMiddleButton);
  if (!move && buttons.empty()) return result::kFailure;  // repeated by the failure handling until its time-out
  if (!session.SleepInRun(kSettleMs)) return result::kStop;
  for (uint8_t b : buttons) (void)d.KeyPressedAsync(b);
  const ScreenPoint noted = d.CursorPosition();
  return PollOnRunThread(session, start, timeoutMs, [&] {
    if (move) {
      const ScreenPoint now = d.CursorPosition();
      return now.x != noted.x || now.y != noted.y;
    }
    bool pressed = false;
    for (uint8_t b : buttons) pressed |= d.KeyPressedAsync(b);
    return pressed;
  });
}

// ---- Wait for Typed Text: one key change per poll, newest character first ----

struct TypedText {
  std::string expectedReversed;
  std::string history;
  std::array<bool, 256> down{};
};

bool SkippedInTyping(int vk) {
  switch (vk) {
    case vk::kShift: case vk::kControl: case vk::kMenu: case 160: case 161: case 162: case 163: case 164: case 165:
    case kCapsLock: case kNumLock: case kScrollLock: case kEscape: case kLeftButton: case kRightButton: case 3:
    case kMiddleButton: case 5: case 6: return true;
    default: return false;
  }
}

WaitCondition TypedTextWait() {
  auto state = std::make_shared<TypedText>();
  WaitCondition w;
  w.start = [state](Session& session, int slot, int index) {
    Desktop& d = session.desktop();
    if (!d.HasDesktop()) return DesktopNeeded(session, slot, index);
    std::string expected = Bounded(session.ExpandStep(session.scripts.StepAt(slot, index).text, slot, index), kExpectedChars);
    state->expectedReversed.assign(expected.rbegin(), expected.rend());
    state->history.clear();
    for (int vk = 1; vk < 256; ++vk) state->down[vk] = d.KeyDown(static_cast<uint32_t>(vk));
    return WaitAnswer::NotYet();
  };
  w.poll = [state](Session& session, int, int) {
    Desktop& d = session.desktop();
    for (int vk = 1; vk < 256; ++vk) {
      if (SkippedInTyping(vk)) continue;
      const bool isDown = d.KeyDown(static_cast<uint32_t>(vk));
      if (isDown == state->down[vk]) continue;
      state->down[vk] = isDown;
      if (isDown) {
        const char c = KeyToCharacter(static_cast<uint32_t>(vk), d.KeyDown(vk::kShift), d.IsKeyPressed(kCapsLock),
                                      d.CharOfKey(static_cast<uint32_t>(vk)));
        state->history.insert(state->history.begin(), c);
        if (state->history.size() > kHistoryChars) state->history.resize(kHistoryChars);
      }
      break;
    }
    const std::string& want = state->expectedReversed;
    const bool met = !want.empty() && !state->history.empty() && state->history.compare(0, want.size(), want) == 0;
    return met ? WaitAnswer::Met() : WaitAnswer::NotYet();
  };
  w.firstPollMs = kTypedFirstPollMs;
  w.periodMs = kTypedPollMs;
  return w;
}

// ---- Wait for Idle: nothing changed for the text's seconds plus one ----

struct IdleSnapshot {
  ScreenPoint cursor;
  std::string title;
  uint32_t since = 0;
};

IdleSnapshot TakeIdleSnapshot(Session& session) {
  Desktop& d = session.desktop();
  return {d.CursorPosition(), d.WindowText(d.ForegroundWindow(), kTitleChars), session.clock().TickCount()};
}

WaitCondition IdleWait() {
  auto snap = std::make_shared<IdleSnapshot>();
  WaitCondition w;
  w.start = [snap](Session& session, int slot, int index) {
    if (!session.desktop().HasDesktop()) return DesktopNeeded(session, slot, index);
    session.SleepInRun(kIdleSettleMs);
    ForgetKeyPresses(session.desktop());
    *snap = TakeIdleSnapshot(session);
    return WaitAnswer::NotYet();
  };
  w.poll = [snap](Session& session, int slot, int index) {
    const IdleSnapshot now = TakeIdleSnapshot(session);
    const bool keys = AnyKeyPressed(session.desktop());
    if (keys || now.cursor.x != snap->cursor.x || now.cursor.y != snap->cursor.y || now.title != snap->title) {
      *snap = now;
      return WaitAnswer::NotYet();
    }
    const int seconds = LeadingInteger(session.ExpandStep(session.scripts.StepAt(slot, index).text, slot, index));
    const uint32_t wanted = static_cast<uint32_t>(std::max(seconds, 0) + 1) * 1000u;
    const uint32_t quiet = now.since - snap->since;
    if (quiet >= wanted) return WaitAnswer::Met();
    return WaitAnswer::NotYet(std::min(kIdlePollMs, wanted - quiet));
  };
  w.firstPollMs = kIdleSettleMs;
  w.periodMs = kIdlePollMs;
  return w;
}

WaitCondition ScreenSaverWait() {
  WaitCondition w;
  w.start = [](Session& session, int slot, int index) {
    return session.desktop().HasDesktop() ? WaitAnswer::NotYet() : DesktopNeeded(session, slot, index);
  };
  w.poll = [](Session& session, int, int) {
    return session.desktop().ScreenSaverRunning() ? WaitAnswer::Met() : WaitAnswer::NotYet();
  };
  w.periodMs = kSaverPollMs;
  return w;
}

}  // namespace

void RegisterInputWaits(Session& session) {
  session.waitConditions.Register("Keypress", WaitCondition{.onRunThread = WaitForKeypress});
  session.waitConditions.Register("Mouse", WaitCondition{.onRunThread = WaitForMouse});
  session.waitConditions.Register("Typed Text", TypedTextWait());
  session.waitConditions.Register("Idle", IdleWait());
  session.waitConditions.Register("Saver", ScreenSaverWait());
}

}  // namespace plumo
