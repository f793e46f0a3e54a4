#include "actions/desktop/menu_search.h"

#include "desktop_test_support.h"

namespace plumo {
namespace {

constexpr int kRun = 2, kMenu = 5, kWaitCategory = 7;

class MenuTest : public DesktopTest {
 protected:
  int Menu(const std::string& action, const std::string& text) {
    One(action, kMenu, text);
    return Exec();
  }
};

TEST_F(MenuTest, MenuSearchFindsEntriesByTextOrPath) {
  const struct {
    const char* wanted;
    std::optional<uint32_t> id;
  } cases[] = {
      {"File;Save As", 202},   {"&File;&Open", 201},       {"Open", 201},
      {"file;open", 201},      {"File;More;Deeper;Deepest;Bottom", 203}, {"Bottom", 203},
      {"Edit;Copy", 301},      {"Edit", 301},              {"Nothing", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(FindMenuCommand(desktop, 1, c.wanted), c.id) << c.wanted;
  EXPECT_EQ(FindMenuCommand(desktop, 0, "Open"), std::nullopt);
}

TEST_F(MenuTest, SelectMenuPostsTheCommandOrFallsBackToTheKeyboard) {
  session.currentWindow = win::kMail;
  EXPECT_EQ(Menu("Select Menu Item", "File, Save As"), result::kSuccess);
  EXPECT_EQ(desktop.calls.back(), "Post 200 273 202 0");  // WM_COMMAND

  desktop.input.clear();
  EXPECT_EQ(Menu("Select Menu Item", "F&ormat, &font"), result::kSuccess);
  EXPECT_EQ(Error(), "Unable to find menu \"F&ormat;&font\", trying keyboard method...");
  EXPECT_EQ(desktop.input, (std::vector<std::string>{"down 18 274", "down 79 335", "up 79 335", "up 18 274",
                                                      "down 70 326", "up 70 326"}));
  session.currentWindow = win::kNotepad;  // no menu bar, no key to press
  EXPECT_EQ(Menu("Select Menu Item", ""), result::kFailure);
  EXPECT_EQ(Error(), "Unable to find menu ''");
}

TEST_F(MenuTest, SystemMenuAndPopupMenu) {
  // Without a Current Window the foreground window becomes it.
  EXPECT_EQ(Menu("Select System Menu", "Ma&ximize"), result::kSuccess);
  EXPECT_EQ(session.currentWindow, win::kNotepad);
  EXPECT_TRUE(desktop.Has("Send 100 274 61488 0"));  // SC_MAXIMIZE
  desktop.input.clear();
  EXPECT_EQ(Menu("Select System Menu", "&Zap"), result::kSuccess);
  EXPECT_EQ(desktop.input, (std::vector<std::string>{"down 18 274", "down 32 288", "up 32 288", "up 18 274",
                                                      "down 16 272", "down 90 346", "up 90 346", "up 16 272"}));

  desktop.popupChoice = 3;
  EXPECT_EQ(Menu("Show Popup Menu", "One\r\nTwo\r\n-----\r\nThree\r\n"), result::kSuccess);
  EXPECT_EQ(Out(), "Three");
  ASSERT_EQ(desktop.popupShown.size(), 4u);
  EXPECT_TRUE(desktop.popupShown[2].separator);
  desktop.popupChoice.reset();
  EXPECT_EQ(Menu("Show Popup Menu", "One"), result::kFailure);
}

TEST_F(MenuTest, SendCommandPostsToTheCurrentWindow) {
  session.currentWindow = win::kMail;
  One("Send Command", kRun, "70001");
  EXPECT_EQ(Exec(), result::kSuccess);
  EXPECT_EQ(desktop.calls.back(), "Post 200 273 4465 0");  // the low 16 bits
  One("Send Command", kRun, "");
  EXPECT_EQ(Exec(), result::kFailure);
  EXPECT_EQ(Error(), "No program name or command line provided");
}

class WindowWaitTest : public DesktopTest {
 protected:
  void LoadWait(const std::string& text, const std::string& value1, const std::string& timeout,
                const std::string& options = "") {
    Load({MakeStep("Wait for Window", kWaitCategory, text), MakeStep("Record", kTestCategory, "after")});
    StepAt(0).value1 = value1;
    StepAt(0).timeout = timeout;
    StepAt(0).options = options;
    StepAt(0).onfail = "Stop Silently";
  }
  void At(uint32_t ms, std::function<void()> fn) {
    queue.SetTimer(900, ms, [this, fn] {
      queue.KillTimer(900);
      fn();
    });
  }
};

TEST_F(WindowWaitTest, AnOpenWindowEndsTheWaitAtOnceAndBecomesTheCurrentWindow) {
  LoadWait("Calculator", "Open", "10");
  EXPECT_EQ(Joined(RunRecording()), "after");
  EXPECT_EQ(session.currentWindow, win::kCalculator);
  EXPECT_EQ(StepAt(0).runCount, 1);  // no poll
}

TEST_F(WindowWaitTest, PollsUntilTheWindowComesOrGoes) {
  LoadWait("Report", "Open", "30");
  At(300, [this] { desktop.Get(win::kCalculator)->title = "Report"; });
  EXPECT_EQ(Joined(RunRecording()), "after");
  EXPECT_EQ(session.currentWindow, win::kCalculator);

  LoadWait("Report", "Close", "30");
  At(300, [this] { desktop.RequestClose(win::kCalculator); });
  EXPECT_EQ(Joined(RunRecording()), "after");

  LoadWait("Mail", "Activate", "30");
  At(300, [this] { desktop.SetForegroundWindow(win::kMail); });
  EXPECT_EQ(Joined(RunRecording()), "after");
}

TEST_F(WindowWaitTest, ATimeOutFailsTheStep) {
  LoadWait("Nowhere", "Open", "0.2");
  At(100, [this] { clock.Advance(3600000); });
  EXPECT_TRUE(RunRecording().empty());
  EXPECT_EQ(StepAt(0).ranFlag, ran::kFailed);
}

TEST_F(WindowWaitTest, IfWindowExistsFindsByTheMatchMethodAndLogsTheHandle) {
  session.forcedLogLevel = 1;
  Load({MakeStep("IF Window Exists", 14, "Edit|1001"), MakeStep("Record", kTestCategory, "yes"),
        MakeStep("END IF", 14), MakeStep("IF Window Exists", 14, "Nowhere"), MakeStep("Record", kTestCategory, "no"),
        MakeStep("END IF", 14)});
  StepAt(0).options = "Class + ID";
  EXPECT_EQ(Joined(RunRecording()), "yes");
  EXPECT_TRUE(OutputHas("    Window:  [Edit|1001]  (204)"));
  EXPECT_TRUE(OutputHas("    Window:  [Nowhere]  (0)"));
}

}  // namespace
}  // namespace plumo
