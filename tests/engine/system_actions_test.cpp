#include "engine/system_actions.h"

#include "flow_test_support.h"

namespace plumo {
namespace {

class SystemTest : public FlowTest {};

TEST_F(SystemTest, SetVariableExpandsByItsOptionAndWarnsWithoutAName) {
  vars.Set("who", "World");
  struct {
    const char *options, *stored;
  } cases[] = {{"", "Hello World"}, {"No Variable Expansion", "Hello %who"}, {"Single Variable Expansion", "Hello World"}};
  for (auto c : cases) {
    LoadRows({{"Set Variable", "Hello %who", c.options, "", "", "%greeting"}});
    Run();
    EXPECT_EQ(vars.Get("greeting"), c.stored) << c.options;
  }
  const int stores = vars.stores;
  LoadRows({{"Set Variable", "x"}});
  StepAt(0).output = "Variable";
  Run();
  EXPECT_EQ(vars.stores, stores);
  EXPECT_TRUE(OutputHas("    WARNING: No variable name provided"));
}

TEST_F(SystemTest, IncrementAndDecrementWriteFifteenDigits) {
  struct {
    const char *action, *before, *after;
  } cases[] = {
      {"Increment Variable", "2.5", "3.5"},
      {"Increment Variable", nullptr, "1"},
      {"Decrement Variable", "1", "0"},
      {"Decrement Variable", "0.1", "-0.9"},
  };
  for (auto c : cases) {
    LoadRows({{c.action, "", "", "", "", "%n"}});
    if (c.before)
      vars.Set("n", c.before);
    else
      vars.DeleteVariable(0, 0, "n");
    Run();
    EXPECT_EQ(vars.Get("n"), c.after) << c.action << " " << (c.before ? c.before : "(absent)");
  }
}

TEST_F(SystemTest, DeleteVariableOneOrAll) {
  vars.Set("a", "1");
  vars.Set("b", "2");
  LoadRows({{"Delete Variable", "", "", "", "", "%a"}});
  Run();
  EXPECT_FALSE(vars.Has("a"));
  EXPECT_TRUE(vars.Has("b"));
  LoadRows({{"Delete Variable", "", "All"}});
  Run();
  EXPECT_FALSE(vars.Has("b"));
  EXPECT_FALSE(OutputHas("    WARNING: No variable name provided"));
}

TEST_F(SystemTest, SetEnvironmentVariableRewritesTheNameWithPercents) {
  LoadRows({{"Set Environment Variable", "on", "", "", "", "PLUMO_FLAG"}});
  Run();
  EXPECT_EQ(environment.Get("PLUMO_FLAG").value_or("<unset>"), "on");
  EXPECT_EQ(StepAt(0).outputValue, "%PLUMO_FLAG%");
}

TEST_F(SystemTest, SetStepDelayAppliesAtOnceAndPerSlotOrGlobally) {
  LoadRows({{"Set Step Delay", "500"}, {"Record", "a"}, {"Record", "b"}});
  const uint32_t before = clock.TickCount();
  Run();
  EXPECT_EQ(clock.TickCount() - before, 1500u);  // after each of the three successful Steps
  EXPECT_EQ(settings.ReadNumber("*\\InterStepDelay-0"), 500);
  EXPECT_EQ(settings.ReadNumber("*\\InterStepDelay"), 0);

  LoadRows({{"Record", "fresh"}});
  const uint32_t fresh = clock.TickCount();
  Run();
  EXPECT_EQ(clock.TickCount(), fresh);  // "Run" starts again with the global delay

  LoadRows({{"Set Step Delay", "", "Global"}});
  StepAt(0).timeout = "20";
  Run();
  EXPECT_EQ(settings.ReadNumber("*\\InterStepDelay"), 20);
}

TEST_F(SystemTest, SettingChangeSwitchesLogLevelTrackingAndHighlight) {
  view.trackingOpen = true;
  LoadRows({{"Plumo Setting Change", "Log Level", "HI"}, {"Plumo Setting Change", "Run Tracking", "OFF"},
             {"Plumo Setting Change", "Highlight", "ON"}, {"Record", "x"}});
  Run();
  EXPECT_EQ(settings.ReadNumber("*\\LogLevel"), 2);
  EXPECT_EQ(settings.ReadNumber("*\\RunTrackingShow"), 0);
  EXPECT_EQ(settings.ReadNumber("*\\HiliteRunningStep"), 1);
  EXPECT_NE(LogFile().find("Return: Success"), std::string::npos);  // high level from the next line on
}

TEST_F(SystemTest, WriteToOutputSkipsTextWithPercentAndWriteToLogAlwaysWrites) {
  LoadRows({{"Write to Output", "plain line"}, {"Write to Output", "50% done"}, {"Write to Log", "to the file"}});
  Run();
  EXPECT_TRUE(OutputHas("plain line"));
  EXPECT_FALSE(OutputHas("50% done"));
  EXPECT_EQ(system.debugOutput, "plain line\r\n50% done\r\n");
  EXPECT_NE(LogFile().find("to the file\r\n"), std::string::npos);
}

TEST_F(SystemTest, ClipboardActions) {
  vars.Set("x", "text");
  LoadRows({{"Set Clipboard Text", "some %x"}, {"IF Clipboard Contains", "SOME", "Partial/Case Insensitive Match,Quick"}});
  StepAt(1).onfail = "Stop Silently";
  Run();
  EXPECT_EQ(clipboard.Text().value_or(""), "some text");
  EXPECT_EQ(StepAt(1).ranFlag, ran::kSucceeded);

  LoadRows({{"Clear Clipboard"}, {"IF Clipboard Contains", "", "Is Empty,Quick"}, {"Paste Clipboard"}});
  StepAt(1).onfail = "Stop Silently";
  const uint32_t before = clock.TickCount();
  Run();
  EXPECT_EQ(StepAt(1).ranFlag, ran::kSucceeded);
  EXPECT_EQ(clipboard.Text(), std::nullopt);
  EXPECT_EQ(desktop.pressedKeys, (std::vector<std::string>{"17", "86"}));
  EXPECT_EQ(clock.TickCount() - before, 500u);
}

TEST_F(SystemTest, LogoffRestartAndShutdownAskTheSystemAndReportItsRefusal) {
  LoadRows({{"Logoff"}, {"Restart"}, {"Shutdown"}});
  Run();
  EXPECT_EQ(system.ended, (std::vector<SessionEnd>{SessionEnd::kLogoff, SessionEnd::kReboot, SessionEnd::kShutdown}));
  EXPECT_TRUE(OutputHas("Rebooting at [Step 2]..."));

  system.endSessionError = OsError("systemctl poweroff", 5, "Interactive authentication required.");
  LoadRows({{"Shutdown"}});
  StepAt(0).onfail = "Display Error and Stop";
  Run();
  ASSERT_FALSE(dialogs.shown.empty());
  EXPECT_NE(dialogs.shown.back().text.find("Interactive authentication required."), std::string::npos);
}

TEST_F(SystemTest, CaptureAndWindowsApiSayWhatTheyNeed) {
  for (auto [action, need] : {std::pair{"Image Capture", "needs the desktop actions"}, {"Windows API", "not built yet"}}) {
    clock.Advance(1000);
    LoadRows({{action}});
    StepAt(0).onfail = "Display Error and Stop";
    Run();
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_NE(dialogs.shown.back().text.find(need), std::string::npos) << dialogs.shown.back().text;
  }
}

}  // namespace
}  // namespace plumo
