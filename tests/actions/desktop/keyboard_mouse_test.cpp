#include "actions/desktop/bmp_file.h"
#include "actions/desktop/key_input.h"
#include "actions/desktop/mouse_move.h"
#include "desktop_test_support.h"

namespace plumo {
namespace {

constexpr int kKeyboard = 4, kMouse = 6, kWait = 7;

// Key texts as the desktop receives them: "down VK SCAN [x]" (scan codes are VK + 256 in the
// fake) and the pauses in between.
class KeySendingTest : public DesktopTest {
 protected:
  std::vector<std::string> Send(const std::string& text, KeyMethod method = KeyMethod::kSimulated, uint32_t delay = 0) {
    desktop.input.clear();
    KeySending how;
    how.method = method;
    how.delayMs = delay;
    how.heldMask = &held;
    how.pause = [this](uint32_t ms) {
      desktop.input.push_back("pause " + std::to_string(ms));
      return true;
    };
    how.keystrokes = &keystrokes;
    SendKeyText(desktop, text, how);
    return desktop.input;
  }
  std::atomic<uint32_t> held{0};
  uint32_t keystrokes = 0;
};

using V = std::vector<std::string>;

TEST_F(KeySendingTest, SimulatedKeypressEvents) {
  struct Case {
    const char* text;
    V events;
  } cases[] = {
      {"{Shift}ab{ShiftUp}", {"down 16 272", "down 65 321", "up 65 321", "down 66 322", "up 66 322", "up 16 272"}},
      {"{Ctrl}c{CtrlUp}", {"down 17 273 x", "pause 10", "down 67 323", "up 67 323", "up 17 273 x", "pause 10"}},
      {"A", {"down 16 272", "down 65 321", "up 65 321", "up 16 272"}},
      {"\xE9", {"down 18 0", "down 96 352", "up 96 352", "down 98 354", "up 98 354", "down 99 355", "up 99 355",
                "down 99 355", "up 99 355", "up 18 0"}},
      {"{Del}{F10}", {"down 46 302 x", "up 46 302 x", "down 121 377", "up 121 377"}},
      {"{Delay=250}{Delay=-5}", {"pause 250"}},
      {"\n", {"down 13 269", "up 13 269"}},  // the layout's Ctrl+Enter: Control is never pressed for a character
      {"{foo}", {"down 16 272", "down 219 475", "up 219 475", "up 16 272", "down 70 326", "up 70 326", "down 79 335",
                 "up 79 335", "down 79 335", "up 79 335", "down 16 272", "down 221 477", "up 221 477", "up 16 272"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Send(c.text), c.events) << c.text;
  EXPECT_EQ(desktop.inputRecords, 0);
}

TEST_F(KeySendingTest, HeldModifiersRuleAndTheMask) {
  EXPECT_EQ(Send("{AltDown}A\xE9"), (V{"down 18 274", "down 65 321", "up 65 321", "down 233 489", "up 233 489"}));
  EXPECT_EQ(held.load(), held::kAlt);
  Send("{AltUp}{ShiftDown}{Ctrl}");
  EXPECT_EQ(held.load(), held::kShift | held::kControl);
  Send("{ShiftUp}{ControlUp}");
  EXPECT_EQ(held.load(), 0u);
}

TEST_F(KeySendingTest, SendKeysTapsEveryKeyByInputRecords) {
  EXPECT_EQ(Send("{ShiftDown}A\xE9", KeyMethod::kSendKeys, 5),
            (V{"down 16 272", "up 16 272", "pause 5", "down 16 272", "down 65 321", "up 65 321", "up 16 272", "pause 5",
               "down 233 489", "up 233 489", "pause 5"}));
  EXPECT_EQ(held.load(), 0u);
  EXPECT_EQ(desktop.inputRecords, 6);
  EXPECT_EQ(desktop.keyboardEvents, 2);  // Shift for the capital
  EXPECT_EQ(keystrokes, 1u + 1 + 4);
}

class KeyboardTest : public DesktopTest {
 protected:
  int Key(const std::string& action, const std::string& text, const std::string& options = "") {
    One(action, kKeyboard, text, options);
    desktop.input.clear();
    return Exec();
  }
};

TEST_F(KeyboardTest, TypeTakesALineBreakAsOneEnterAndKeepsTextLiteralWhenAsked) {
  EXPECT_EQ(Key("Type", "a\r\nb"), result::kSuccess);
  EXPECT_EQ(desktop.input, (V{"down 65 321", "up 65 321", "down 13 269", "up 13 269", "down 66 322", "up 66 322"}));
  vars.Set("x", "Q");
  Key("Type", "%x%", "No Variable Expansion");
  EXPECT_NE(std::find(desktop.input.begin(), desktop.input.end(), "down 88 344"), desktop.input.end());  // x
  EXPECT_EQ(std::find(desktop.input.begin(), desktop.input.end(), "down 81 337"), desktop.input.end());  // no Q
  const uint32_t before = clock.TickCount();
  One("Type", kKeyboard, "ab", "SendKey");
  StepAt(0).value1 = "40";
  EXPECT_EQ(Exec(), result::kSuccess);
  EXPECT_EQ(clock.TickCount() - before, 80u);
}

TEST_F(KeyboardTest, ATextEndingWithAltDownLeavesItUntilTheRunStops) {
  Load({MakeStep("Type", kKeyboard, "{AltDown}x"), MakeStep("Record", kTestCategory, "after")});
  EXPECT_EQ(Joined(RunRecording()), "after");
  EXPECT_EQ(desktop.released, (V{"18"}));
  EXPECT_TRUE(OutputHas("WARNING!  Key was pressed with the {-Down} TYPE command, but not released with {-Up}"));
  EXPECT_EQ(session.run.heldModifiers.load(), 0u);
}

TEST_F(KeyboardTest, TextViaClipboardPastesAndPutsTheOldTextBack) {
  ASSERT_TRUE(clipboard.SetText("kept").ok());
  EXPECT_EQ(Key("Text via Clipboard", "pasted"), result::kSuccess);
  EXPECT_EQ(desktop.input, (V{"down 17 273 x", "down 86 342", "up 86 342", "up 17 273 x"}));
  EXPECT_EQ(clipboard.Text(), "kept");
  ASSERT_TRUE(clipboard.Clear().ok());
  Key("Text via Clipboard", "pasted");
  EXPECT_EQ(clipboard.Text(), "pasted");  // nothing to put back
}

TEST_F(KeyboardTest, DirectWindowEntryBlockInputAndNoDesktop) {
  session.currentWindow = win::kNotepadEdit;
  EXPECT_EQ(Key("Direct Window Entry", "typed"), result::kSuccess);
  EXPECT_TRUE(desktop.Has("SendText 101 12 typed"));
  One("Direct Window Entry", kKeyboard, "x", "Title");
  StepAt(0).data = "Nowhere";
  EXPECT_EQ(Exec(), result::kFailure);
  EXPECT_EQ(Error(), "Unable to find window 'Nowhere'");

  EXPECT_EQ(Key("Block Input", ""), result::kSuccess);
  EXPECT_EQ(Key("Unblock Input", ""), result::kSuccess);
  EXPECT_EQ(desktop.input, (V{"unblock"}));
  desktop.blockInputError = OsError("LoadLibrary", 126, "not found");
  EXPECT_EQ(Key("Block Input", ""), result::kFailure);
  EXPECT_EQ(Error(), "Unable to load USER32.DLL");
}

class MouseTest : public DesktopTest {
 protected:
  int Mouse(const std::string& action, const std::string& text, const std::string& options = "") {
    One(action, kMouse, text, options);
    desktop.input.clear();
    return Exec();
  }
  int Moves() {
    return static_cast<int>(std::count_if(desktop.input.begin(), desktop.input.end(),
                                          [](const std::string& s) { return s.rfind("mouse 32769 ", 0) == 0; }));
  }
};

TEST_F(MouseTest, GlideStepsByDistanceEndingOnTheTarget) {
  struct Case {
    const char* text;
    int moves;
    const char* end;
  } cases[] = {{"645, 480", 0, "cursor 645 480"}, {"655, 470", 8, "cursor 655 470"},
               {"940, 480", 20, "cursor 940 480"}, {"10*2, 300/3", 20, "cursor 20 100"}};
  for (const Case& c : cases) {
    desktop.cursor = {640, 480};
    EXPECT_EQ(Mouse("Move", c.text), result::kSuccess);
    EXPECT_EQ(Moves(), c.moves) << c.text;
    EXPECT_EQ(desktop.input.back(), c.end) << c.text;
  }
  // 655 * 65535 / 1919 and 480 * 65535 / 1079: scaled to the screen's last pixel.
  desktop.cursor = {640, 480};
  Mouse("Move", "940, 480");
  EXPECT_EQ(desktop.input.front(), "mouse 32769 22368 29153 0");
  EXPECT_EQ(GlideSteps(-19, 19), 8);
  EXPECT_EQ(GlideSteps(9, -20), 20);
}

TEST_F(MouseTest, RelativeToWindowOrCursorAndSnap) {
  desktop.Get(win::kMail)->style |= ws::kVisible;
  session.currentWindow = win::kMail;  // at (100, 100)
  Mouse("Move", "100, 200", "Window,Snap to Position");
  EXPECT_EQ(desktop.input, (V{"cursor 200 300"}));
  session.currentWindow = win::kHidden;  // not visible: the foreground window takes its place
  Mouse("Move", "5, 5", "Window,Snap");
  EXPECT_EQ(session.currentWindow, win::kNotepad);
  EXPECT_EQ(desktop.input, (V{"cursor 5 5"}));
  desktop.cursor = {10, 10};
  Mouse("Move", "5, -5", "Current Position,Snap");
  EXPECT_EQ(desktop.cursor.x, 15);
  EXPECT_EQ(desktop.cursor.y, 5);
}

TEST_F(MouseTest, ButtonsWheelAndTheStayCoordinate) {
  desktop.cursor = {7, 9};  // each event carries the point it is meant for
  const std::string L = "button 2 7 9 0", LU = "button 4 7 9 0";
  struct Case {
    const char* options;
    V input;
  } cases[] = {
      {"Left,Down+Up", {L, LU}},
      {"Right,Down+Up", {"button 8 7 9 0", "button 16 7 9 0"}},
      {"Middle,Down", {"button 32 7 9 0"}},
      {"Wheel Scroll,Down", {"button 2048 7 9 -120"}},
      {"Wheel Scroll,Up", {"button 2048 7 9 120"}},
      {"Left,Double-Click", {L, LU, L, LU}},
      {"", {}},
  };
  for (const Case& c : cases) {
    Mouse("Mouse Click", "9999, 9999", c.options);
    EXPECT_EQ(desktop.input, c.input) << c.options;  // no move at all
  }
  for (const char* here : {"", "Current Position", " current position "}) {
    Mouse("Mouse Click", here, "Left,Down+Up");
    EXPECT_EQ(desktop.input, (V{"cursor 7 9", L, LU})) << here;  // where the cursor is, not at 0, 0
  }
  const uint32_t before = clock.TickCount();
  Mouse("Mouse Click", "9999, 0", "Left,Double-Click");
  EXPECT_EQ(clock.TickCount() - before, 250u);  // half the system's double-click time
  desktop.doubleClickMs = 21;
  Mouse("Mouse Click", "9999, 0", "Left,Double-Click");
  EXPECT_EQ(clock.TickCount() - before, 250u + 10);
  Mouse("Move", "9999, 9999", "Left,Down+Up");
  EXPECT_TRUE(desktop.input.empty());  // a move does not click
  EXPECT_EQ(desktop.cursorShown, 13);  // each Step showed the cursor first
}

TEST_F(MouseTest, ADragLeftDownIsLetUpWhenTheRunEnds) {
  Mouse("Mouse Click", "9999, 9999", "Left,Down");
  EXPECT_EQ(session.run.dragInProgress.load(), 1);
  Mouse("Mouse Click", "9999, 9999", "Left,Up");
  EXPECT_EQ(session.run.dragInProgress.load(), 0);
  Load({MakeStep("Mouse Click", kMouse, "9999, 9999"), MakeStep("Record", kTestCategory, "after")});
  StepAt(0).options = "Left,Down";
  EXPECT_EQ(Joined(RunRecording()), "after");
  EXPECT_EQ(desktop.released, (V{"mouse"}));
  EXPECT_TRUE(OutputHas("WARNING!  Mouse drag was started, but the mouse button was not let up"));
}

TEST_F(MouseTest, SavedPositionMoveToWindowAndPictures) {
  desktop.cursor = {33, 44};
  EXPECT_EQ(Mouse("Save Current Position", ""), result::kSuccess);
  EXPECT_EQ(settings.ReadNumber("*\\UserVariables\\SavedMousePosition_Y"), 44);
  EXPECT_EQ(desktop.cursorShown, 0);  // nothing moves
  desktop.cursor = {500, 500};
  Mouse("Return to Saved Position", "", "Snap");
  EXPECT_EQ(desktop.input, (V{"cursor 33 44"}));

  EXPECT_EQ(Mouse("Move to Window", "Calculator", "Title"), result::kSuccess);
  EXPECT_EQ(desktop.ForegroundWindow(), win::kCalculator);
  EXPECT_EQ(Moves(), 20);
  EXPECT_EQ(desktop.input.back(), "cursor 450 500");
  EXPECT_EQ(Mouse("Move to Window", "Nowhere", "Title"), result::kFailure);


  // A 3x2 picture at (100, 50): its middle is the target, the place found the result, and
  // "Relative To" moves neither.
  Picture p = *Picture::Allocate(3, 2);
  desktop.screenPicture = *Picture::Allocate(320, 200);
  for (int32_t i = 0; i < 6; ++i) {
    p.Row(i / 3)[i % 3] = 0x102030u * static_cast<uint32_t>(i + 1);
    desktop.screenPicture.Row(50 + i / 3)[100 + i % 3] = p.Row(i / 3)[i % 3];
  }
  files.Put("C:\\p.bmp", WriteBmp(p));
  const std::string L = "button 2 101 51 0", LU = "button 4 101 51 0";
  const struct {
    const char* action;
    const char* text;
    int result;
    const char* out;
    V input;
  } cases[] = {
      {"Click on Image", "C:\\p.bmp", result::kSuccess, "100, 50", {"cursor 101 51", L, LU}},
      {"Move to Image", "C:\\p.bmp", result::kSuccess, "100, 50", {"cursor 101 51"}},
      {"Move to Pixel", "#204060", result::kSuccess, "101, 50", {"cursor 101 50"}},
      {"Move to Pixel", "#FFFFFF", result::kFailure, "0", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Mouse(c.action, c.text, "Snap,Window,Current"), c.result) << c.action << " " << c.text;
    EXPECT_EQ(Out(), c.out) << c.action << " " << c.text;
    EXPECT_EQ(desktop.input, c.input) << c.action << " " << c.text;
  }
}

class InputWaitTest : public DesktopTest {
 protected:
  void LoadWait(const std::string& action, const std::string& text, const std::string& options = "",
                const std::string& timeout = "30") {
    Load({MakeStep(action, kWait, text), MakeStep("Record", kTestCategory, "after")});
    StepAt(0).options = options;
    StepAt(0).timeout = timeout;
    StepAt(0).onfail = "Stop Silently";
  }
  // On the thread that asks for keys, once the fake clock has gone `ms` past the first question.
  void AfterMs(uint32_t ms, std::function<void()> fn) {
    desktop.beforeKeyAsked = [this, ms, fn, start = std::optional<uint32_t>()]() mutable {
      if (!start) start = clock.TickCount();
      if (clock.TickCount() - *start >= ms && fn) std::exchange(fn, nullptr)();
    };
  }
  // Main-thread steps of a condition wait, `ms` real milliseconds apart.
  void Then(std::vector<std::function<void()>> steps, uint32_t ms = 60) {
    auto shared = std::make_shared<std::vector<std::function<void()>>>(std::move(steps));
    auto next = std::make_shared<size_t>(0);
    queue.SetTimer(901, ms, [this, shared, next] {
      if (*next < shared->size()) (*shared)[(*next)++]();
      else queue.KillTimer(901);
    });
  }
};

TEST_F(InputWaitTest, KeypressCountsOnlyAPressAfterTheStart) {
  session.forcedLogLevel = 1;
  desktop.keysDown = {27};  // held when the Step starts
  LoadWait("Wait for Keypress", "{Esc}");
  AfterMs(2000, [this] {
    desktop.keysDown.clear();
    AfterMs(2000, [this] { desktop.pressedSince.insert(27); });
  });
  const uint32_t before = clock.TickCount();
  EXPECT_EQ(Joined(RunRecording()), "after");
  EXPECT_GE(clock.TickCount() - before, 4000u);
  EXPECT_TRUE(OutputHas("    Waiting for keypress {Esc} (27)"));

  desktop.beforeKeyAsked = nullptr;
  LoadWait("Wait for Keypress", "", "", "1");  // any key; none comes
  EXPECT_TRUE(RunRecording().empty());
  EXPECT_EQ(StepAt(0).ranFlag, ran::kFailed);
  LoadWait("Wait for Keypress", "{Nope}");
  StepAt(0).onfail = "Continue";
  RunRecording();
  EXPECT_NE(LogFile().find("Unknown key \"{Nope}\""), std::string::npos);
}

TEST_F(InputWaitTest, MouseWaitsForItsButtonOrAMove) {
  LoadWait("Wait for Mouse", "", "Right Click");
  AfterMs(500, [this] { desktop.pressedSince.insert(1); AfterMs(500, [this] { desktop.pressedSince.insert(2); }); });
  const uint32_t before = clock.TickCount();
  EXPECT_EQ(Joined(RunRecording()), "after");
  EXPECT_GE(clock.TickCount() - before, 1000u);  // the left button did not end it

  LoadWait("Wait for Mouse", "", "Move", "5");
  AfterMs(1000, [this] { desktop.cursor = {1, 2}; });
  EXPECT_EQ(Joined(RunRecording()), "after");
  LoadWait("Wait for Mouse", "", "Sideways");
  EXPECT_TRUE(RunRecording().empty());
}

TEST_F(InputWaitTest, TypedTextTakesOneKeyChangePerPoll) {
  LoadWait("Wait for Typed Text", "Hi!");
  auto press = [this](std::set<uint32_t> keys) { return [this, keys] { desktop.keysDown = keys; }; };
  Then({press({16, 'H'}), press({16}), press({'I'}), press({}), press({16, '1'}), press({})}, 300);
  EXPECT_EQ(Joined(RunRecording()), "after");
}

TEST_F(InputWaitTest, IdleScreenSaverAndNoDesktop) {
  LoadWait("Wait for Idle", "5");
  Then({[this] { clock.Advance(6000); }});
  EXPECT_EQ(Joined(RunRecording()), "after");
  LoadWait("Wait for Idle", "5", "", "1.5");
  Then({[this] {
    clock.Advance(6000);
    desktop.cursor = {3, 3};  // a change starts the quiet time again
  }});
  EXPECT_TRUE(RunRecording().empty());

  desktop.screenSaver = true;
  LoadWait("Wait for Screen Saver", "");
  EXPECT_EQ(Joined(RunRecording()), "after");
}

}  // namespace
}  // namespace plumo
