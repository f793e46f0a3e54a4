// Recordings: their text both ways, the pacing of playback, the polling recorder over a
// scripted desktop, and the "Recording" Step over the fake desktop and clock.
#include <gtest/gtest.h>

#include <random>

#include "actions/integration/action_harness.h"
#include "actions/integration/recording/recorder.h"
#include "actions/integration/recording/recording_actions.h"
#include "actions/integration/recording/recording_player.h"
#include "actions/integration/recording/recording_text.h"
#include "scripts/action_catalog.h"

namespace plumo {
namespace {

using Events = std::vector<RecordedEvent>;

RecordedEvent Key(uint32_t message, uint32_t vk, uint32_t time) { return {message, 0x1E00 | vk, 0x1E, time, 0}; }
RecordedEvent Move(uint32_t x, uint32_t y, uint32_t time) { return {recmsg::kMouseMove, x, y, time, 0}; }

TEST(RecordingText, WritesEachEventAsItsGroup) {
  EXPECT_EQ(RecordingText({}), "\r\n\t");
  EXPECT_EQ(RecordingText({{256, 7745, 30, 1234, 99}, {512, 70000, 5, 4294967295u, 0}}),
            "\r\n\t[0256-0030-7745-00001234]\r\n\t[0512-0005-70000-4294967295]\r\n\t");
}

TEST(RecordingText, GeneratedListsSurviveTheRoundTrip) {
  std::mt19937 random(21);
  std::uniform_int_distribution<uint32_t> any;
  const uint32_t messages[] = {256, 257, 512, 513, 514, 516, 517, 522};
  for (int round = 0; round < 50; ++round) {
    Events events(random() % 300 + 1);
    for (RecordedEvent& e : events) e = {messages[random() % 8], any(random), any(random), any(random), 0};
    EXPECT_EQ(ParseRecordingText(RecordingText(events)).events, events) << "round " << round;
  }
}

TEST(RecordingText, ParsesAnySeparatorsAndRefusesDamage) {
  const std::string brackets(1 << 20, '[');
  struct Case {
    std::string text;
    Events events;
    std::string problem;
  } cases[] = {
      {"[0256-0030-7745-00001234]", {{256, 7745, 30, 1234, 0}}, ""},
      {"junk [256 x 30,,7745;;1234] more", {{256, 7745, 30, 1234, 0}}, ""},
      {"[513-1-2-3][1-2-3[514-4-5-6]", {{513, 2, 1, 3, 0}, {514, 5, 4, 6, 0}}, ""},  // the short group is passed over
      {"[512-1-2-3][0-0-0-0][513-1-2-3]", {{512, 2, 1, 3, 0}}, ""},                  // message 0 ends the list
      {"", {}, "no bracketed group of four numbers"},
      {"256-30-7745-1234", {}, "no bracketed group of four numbers"},
      {"[1-2-3]", {}, "no bracketed group of four numbers"},
      {brackets, {}, "no bracketed group of four numbers"},
      {"[512-1-2-3][512-1-4294967296-3]", {}, "event 2 has a number beyond 4294967295"},
      {"[512-1-2-" + std::string(5000, '9') + "]", {}, "event 1 has a number beyond 4294967295"},
  };
  for (const Case& c : cases) {
    const ParsedRecording parsed = ParseRecordingText(c.text);
    EXPECT_EQ(parsed.events, c.events) << c.text.substr(0, 40);
    EXPECT_EQ(parsed.problem, c.problem) << c.text.substr(0, 40);
  }
}

TEST(RecordingText, DelaysFollowTheSpeed) {
  const Events events{Move(1, 1, 1000), Move(2, 2, 1040), Move(3, 3, 1000), Move(4, 4, 0x7FFFFFFF),
                      Move(5, 5, 0xFFFFFFF0), Move(6, 6, 5)};
  struct Case {
    PlaybackSpeed speed;
    uint32_t delays[6];
  } cases[] = {
      {PlaybackSpeed::kNormal, {0, 40, 0, 0x7FFFFFFF - 1000, 0x7FFFFFF1, 21}},
      {PlaybackSpeed::kSlowest, {0, 200, 0, INT32_MAX, INT32_MAX, 105}},  // backwards gives 0; wrap counts forward
      {PlaybackSpeed::kFastest, {0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases)
    for (size_t i = 0; i < events.size(); ++i) EXPECT_EQ(EventDelay(events, i, c.speed), c.delays[i]) << i;
  EXPECT_EQ(SpeedOfOptions("Hardware,Fastest"), PlaybackSpeed::kFastest);
  EXPECT_EQ(SpeedOfOptions("slowest"), PlaybackSpeed::kSlowest);
  EXPECT_EQ(SpeedOfOptions("Hardware"), PlaybackSpeed::kNormal);
}

// ---- The polling recorder ----

class HardwareRecorderTest : public ::testing::Test {
 protected:
  // One tick with these keys down and the cursor there.
  bool Tick(std::set<uint32_t> keys, ScreenPoint cursor = {0, 5}) {
    desktop.keysDown = std::move(keys);
    desktop.cursor = cursor;
    clock.Advance(10);
    return recorder.Poll();
  }
  FakeDesktop desktop;
  FakeClock clock;
  HardwareRecorder recorder{desktop, clock};
};

TEST_F(HardwareRecorderTest, OneEventPerTickFromTheFirstChangedKey) {
  desktop.keysDown = {20};  // Caps Lock already on: no event for it
  recorder.Start();
  Tick({20, 65, 66});  // A and B down: A first, B on the next tick
  Tick({20, 65, 66});
  Tick({20, 65, 66, 160, 16});  // left Shift is passed over (its Shift, 16, is recorded)
  Tick({20, 65, 66, 160, 16});
  Tick({65, 66, 160, 16});       // Caps Lock toggled off
  Tick({1, 65, 66, 160, 16}, {300, 200});
  const uint32_t fg = desktop.ForegroundWindow();
  const Events expected{{256, 0x4100 | 65, 0x41, 1010, fg}, {256, 0x4200 | 66, 0x42, 1020, fg}, {256, 0x1000 | 16, 0x10, 1030, fg},
                        {257, 0x1400 | 20, 0x14, 1050, fg}, {513, 300, 200, 1060, 0}};
  EXPECT_EQ(recorder.events(), expected);
}

TEST_F(HardwareRecorderTest, MovesCountByTheLowBitsOfTheirSumAwayFromTheEdges) {
  recorder.Start();
  const struct {
    ScreenPoint at;
    bool recorded;
  } steps[] = {
      {{100, 50}, true},   {{50, 100}, false},  // same x + y
      {{0, 400}, false},   {{400, 0}, false},   // a coordinate 0
      {{306, 100}, false},                      // 406 has the low 8 bits of 150
      {{101, 50}, true},
  };
  size_t count = 0;
  for (const auto& s : steps) {
    Tick({}, s.at);
    count += s.recorded;
    ASSERT_EQ(recorder.events().size(), count) << s.at.x << "," << s.at.y;
  }
  EXPECT_EQ(recorder.events().back(), (RecordedEvent{512, 101, 50, 1060, 0}));
}

TEST_F(HardwareRecorderTest, TheStopKeyReleasesHeldKeysAndIsNotRecorded) {
  recorder.Start();
  Tick({17});
  Tick({17, 160});
  Tick({17, 160, 65});
  EXPECT_FALSE(Tick({17, 160, 65, 1}, {40, 40}));
  EXPECT_TRUE(Tick({17, 160, 65, 1, kRecordingStopKey}, {40, 40}));
  EXPECT_EQ(desktop.input, (std::vector<std::string>{"up 17 17 x", "up 65 65", "up 160 160"}));
  std::vector<uint32_t> messages;
  for (const RecordedEvent& e : recorder.events()) messages.push_back(e.message);
  EXPECT_EQ(messages, (std::vector<uint32_t>{256, 256, 513, 257, 257}));  // Ctrl, A, click, their releases
  const std::string text = recorder.StopToText(77);  // not a click on the field
  EXPECT_EQ(desktop.released, (std::vector<std::string>{"mouse"}));
  EXPECT_EQ(ParseRecordingText(text).events.size(), 5u);
}

TEST_F(HardwareRecorderTest, KeysAndCursorAreAskedOnlyAfterInput) {
  desktop.lastInputTick = 5;
  recorder.Start();
  for (int i = 0; i < 20; ++i) Tick({});
  Tick({65}, {300, 300});  // 200 ms without input: neither is asked
  EXPECT_TRUE(recorder.events().empty());
  desktop.lastInputTick = 6;
  Tick({65});
  ASSERT_EQ(recorder.events().size(), 1u);
  EXPECT_EQ(recorder.events()[0].message, recmsg::kKeyDown);
}

TEST(CutStoppingClick, CutsAtTheLastClickOnTheField) {
  Events events{{513, 1, 1, 1, 9}, {514, 1, 1, 2, 9}, {256, 1, 1, 3, 4}, {513, 1, 1, 4, 9}, {513, 1, 1, 5, 3}};
  CutStoppingClick(events, 9);
  EXPECT_EQ(events.size(), 3u);
  CutStoppingClick(events, 42);
  EXPECT_EQ(events.size(), 3u);
}

// ---- The "Recording" Step ----

class RecordingStepTest : public ::testing::Test {
 protected:
  class Lines : public RunView {
   public:
    bool OutputExists() override { return true; }
    bool OutputVisible() override { return true; }
    void OutputAppend(const std::string& entry) override { lines.push_back(entry); }
    std::vector<std::string> lines;
  };
  RecordingStepTest() {
    RegisterRecordingActions(h.session);
    h.session.SetView(&lines);
  }
  int Play(const Events& events, std::string options = "Hardware") {
    return h.Run(category::kHardware, "Recording", {.text = RecordingText(events), .options = options});
  }
  ActionHarness h;
  Lines lines;
};

TEST_F(RecordingStepTest, PlaysKeysButtonsAndMovesAtTheRecordedPace) {
  h.desktop.cursor = {0, 0};
  const uint32_t start = h.clock.TickCount();
  ASSERT_EQ(Play({Key(256, 65, 1000), Key(257, 65, 1100), Key(256, 160, 1150), Move(50, 60, 1200), {513, 50, 60, 1450, 0},
                  {514, 50, 60, 1500, 0}, {522, 0, 0, 1510, 0}}),
            result::kSuccess);
  EXPECT_EQ(h.desktop.input, (std::vector<std::string>{"down 65 30", "up 65 30", "mouse 32769 1706 3640 0", "cursor 50 60",
                                                       "button 2 50 60 0", "button 4 50 60 0", "button 2048 50 60 -120"}));
  EXPECT_EQ(lines.lines.back(), "    (using \"Hardware\" recording method)");
  // 25 ms to the first event, 535 more to the last (10 ms slices), half a double-click after
  EXPECT_EQ(h.clock.TickCount() - start, 25 + 510 + 250);
}

TEST_F(RecordingStepTest, EdgeCasesOfTheStep) {
  EXPECT_EQ(h.Run(category::kHardware, "Recording", {.text = ""}), result::kSuccess);
  EXPECT_TRUE(h.desktop.input.empty());

  EXPECT_EQ(h.Run(category::kHardware, "Recording", {.text = "[1-2-3]"}), result::kFailure);
  EXPECT_EQ(h.Error(), "Invalid Recording");

  EXPECT_EQ(h.Run(category::kHardware, "Recording", {.text = "[256-30-7745-5]"}), result::kSuccess);  // one group: one event
  EXPECT_EQ(h.desktop.input, (std::vector<std::string>{"down 65 30"}));

  h.desktop.input.clear();
  EXPECT_EQ(Play({Move(5, 5, 0), Move(9, 9, 10)}), result::kSuccess);  // moves alone
  EXPECT_EQ(h.desktop.input.size(), 4u);

  lines.lines.clear();
  EXPECT_EQ(Play({Move(5, 5, 0)}, ""), result::kSuccess);
  EXPECT_EQ(lines.lines.at(0),
            "    (the \"Software\" recording method is not available: playing with the \"Hardware\" method)");

  h.desktop.hasDesktop = false;
  EXPECT_EQ(Play({Move(5, 5, 0)}), result::kFailure);
  EXPECT_EQ(h.Error(), "\"Recording\" needs a desktop session");
}

TEST_F(RecordingStepTest, TheStopKeyCancelsAndTheStepSucceeds) {
  h.desktop.pressedSince = {vk::kPause};  // an old press is forgotten
  h.desktop.beforeKeyAsked = [&] {
    if (h.desktop.input.size() == 2) h.desktop.keysDown = {vk::kPause};
  };
  EXPECT_EQ(Play({Key(256, 65, 0), Key(257, 65, 100), Key(256, 66, 200)}), result::kSuccess);
  EXPECT_EQ(h.desktop.input.size(), 2u);
  EXPECT_EQ(lines.lines.back(), "    (playback cancelled by the stop key)");
}

TEST_F(RecordingStepTest, InputThatCannotBeginFailsAfterHalfASecond) {
  h.desktop.keyInputError = OsError("SendInput", 5, "Access is denied.");
  const uint32_t start = h.clock.TickCount();
  EXPECT_EQ(Play({Key(256, 65, 0)}), result::kFailure);
  EXPECT_EQ(h.Error(), "Unable to play recording");
  EXPECT_GE(h.clock.TickCount() - start, 500u);
  EXPECT_LT(h.clock.TickCount() - start, 560u);
}

TEST(HardwarePlayer, FastestSpeedThinsRunsOfMoves) {
  FakeDesktop desktop;
  FakeClock clock;
  Events events;
  for (uint32_t i = 0; i < 14; ++i) events.push_back(Move(10 + i, 10, i));
  events.push_back(Key(256, 65, 20));
  HardwarePlayer player(desktop, clock, events, PlaybackSpeed::kFastest);
  HardwarePlayer::Tick tick = player.Play();
  std::vector<std::string> cursors;
  for (const std::string& line : desktop.input)
    if (line.rfind("cursor", 0) == 0) cursors.push_back(line);
  EXPECT_EQ(cursors, (std::vector<std::string>{"cursor 10 10", "cursor 16 10", "cursor 22 10", "cursor 23 10"}));
  EXPECT_EQ(tick.nextMs, kFastestAfterMovesMs);
  EXPECT_EQ(clock.TickCount(), 1004u);  // 1 ms after each
  tick = player.Play();
  EXPECT_TRUE(tick.done);
  EXPECT_EQ(desktop.input.back(), "down 65 30");
}

}  // namespace
}  // namespace plumo
