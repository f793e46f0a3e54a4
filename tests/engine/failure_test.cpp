#include "engine/failure.h"

#include "actions/desktop/bmp_file.h"
#include "engine_harness.h"
#include "fake_variables.h"

namespace plumo {
namespace {

class FailureTest : public EngineTest {
 protected:
  // The test executor fails (leaving `reason`) until attempt `succeedOn` of a Step, and lets
  // `perAttemptMs` pass on every attempt.
  void FailingSteps(int succeedOn = 0, uint32_t perAttemptMs = 0, std::string reason = "window not found") {
    OnTestStep([=, this](int, Step& step) {
      ++attempts;
      clock.Advance(perAttemptMs);
      if (succeedOn && step.runCount >= succeedOn) return result::kSuccess;
      return session.Fail(reason);
    });
  }
  Step Failing(std::string_view onfail, std::string_view value = "", std::string_view timeout = "") {
    Step s = MakeStep("Use Window", kTestCategory, "Editor");
    s.onfail = onfail;
    s.onfailValue = value;
    s.timeout = timeout;
    return s;
  }
  int Lines(std::string_view line) {
    int n = 0;
    for (const auto& l : Output()) n += l == line;
    return n;
  }
  int attempts = 0;
};

TEST_F(FailureTest, TimeOutIsAWindowOfImmediateRetries) {
  FailingSteps(3, 400);
  Load({Failing("Display Error and Stop", "", "3")});
  ASSERT_TRUE(Run());
  EXPECT_EQ(StepAt(0).ranFlag, ran::kSucceeded);
  EXPECT_EQ(StepAt(0).runCount, 3);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(settings.Probe("SOFTWARE\\Plumo\\FailStep"), 0u);
}

TEST_F(FailureTest, AttemptsWithinTheTimeOutArePacedNotHot) {
  // Each attempt takes no time; the pauses alone use up the 3 s (the fake clock moves only
  // when the run sleeps, so without them this run would never end).
  std::vector<uint32_t> at;
  OnTestStep([&](int, Step&) {
    at.push_back(clock.TickCount());
    if (at.size() > 1000) return result::kStop;
    return session.Fail("window not found");
  });
  Load({Failing("Stop Silently", "", "3")});
  ASSERT_TRUE(Run());
  ASSERT_GE(at.size(), 3000u / kRetryPauseMaxMs);
  ASSERT_LE(at.size(), 3000u / kRetryPauseMinMs + 1);
  for (size_t i = 1; i < at.size(); ++i) {
    EXPECT_GT(at[i] - at[i - 1], 0u);
    EXPECT_LE(at[i] - at[i - 1], kRetryPauseMaxMs);
  }
  EXPECT_EQ(at.back() - at.front(), 3000u);  // the last attempt comes as the time-out runs out
  EXPECT_EQ(StepAt(0).ranFlag, ran::kFailed);
  EXPECT_EQ(RetryPauseMs(1000), kRetryPauseMinMs);
  EXPECT_EQ(RetryPauseMs(60000), kRetryPauseMaxMs);
}

TEST_F(FailureTest, NoTimeOutMakesTheFirstFailureFinal) {
  for (const char* timeout : {"", "0", "soon"}) {
    attempts = 0;
    dialogs.shown.clear();
    clock.Advance(300);  // past the spacing of failure dialogs
    FailingSteps();
    Load({Failing("Display Error and Stop", "", timeout), MakeStep("Use Window", kTestCategory)});
    ASSERT_TRUE(Run());
    EXPECT_EQ(attempts, 1) << timeout;
    EXPECT_EQ(StepAt(0).ranFlag, ran::kFailed);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].caption, "test.vxm - Step 1");
    EXPECT_EQ(dialogs.shown[0].text,
              "Failure during Run\n\nFile:\ttest.vxm\nStep:\t1\nTime:\t10:30\nAction:\t\"Use Window\"\t\nError:  window not found");
    EXPECT_EQ(dialogs.shown[0].style, 0x12030u);
    EXPECT_EQ(settings.ReadNumber("SOFTWARE\\Plumo\\FailStep"), 1);
    EXPECT_TRUE(OutputHas("RUN FAILED"));
  }
}

TEST_F(FailureTest, RetryTimesRunsTheTimeOutWindowOncePlusTheRetries) {
  FailingSteps(0, 600);
  Load({Failing("Retry the Step x Times", "2", "1")});
  ASSERT_TRUE(Run());
  EXPECT_EQ(attempts, 6);  // two attempts per 1 s window, three windows
  EXPECT_EQ(Lines("    Retrying step (retry 1 of 2)"), 1);
  EXPECT_EQ(Lines("    Retrying step (retry 2 of 2)"), 1);
  EXPECT_TRUE(OutputHas("RUN FAILED"));
  EXPECT_EQ(Lines("[STEP 1]: Use Window \"Editor\""), 3);  // Step begin on every retry
  bool once = false;
  for (const auto& l : Output()) once |= l.find("STEPS RUN: 1 step") != std::string::npos;
  EXPECT_TRUE(once);
}

TEST_F(FailureTest, ErrorAndContinueDialogsAreKeptApart) {
  FailingSteps();
  Load({Failing("Display Error and Continue"), Failing("Display Error and Continue"), MakeStep("Use Window", kTestCategory)});
  StepAt(2).onfail = "Display Error and Continue";
  OnTestStep([&](int index, Step&) {
    if (index == 2) clock.Advance(251);
    return index == 1 ? session.Fail("again") : index == 2 ? session.Fail("later") : session.Fail("first");
  });
  ASSERT_TRUE(Run());
  ASSERT_EQ(dialogs.shown.size(), 2u);  // Step 2 came within 250 ms of Step 1's dialog
  EXPECT_NE(dialogs.shown[0].text.find("first"), std::string::npos);
  EXPECT_NE(dialogs.shown[1].text.find("later"), std::string::npos);
  EXPECT_EQ(Lines("    Failure Mode: Display Error and Continue"), 3);
  EXPECT_FALSE(OutputHas("RUN FAILED"));
}

TEST_F(FailureTest, IgnoreContinuePassesOverWithoutRecordingTheFailure) {
  FailingSteps();
  Load({Failing("Ignore/Continue"), MakeStep("Comment", 16)});
  ASSERT_TRUE(Run());
  EXPECT_EQ(StepAt(0).ranFlag, ran::kFailedPassedOver);
  EXPECT_EQ(StepAt(1).ranFlag, ran::kSucceeded);
  EXPECT_EQ(settings.Probe("SOFTWARE\\Plumo\\FailStep"), 0u);
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(FailureTest, JumpToStepNumberOrLabel) {
  struct Case {
    const char* value;
    int target;
  } cases[] = {{"{STEP 3}", 2}, {"{step 3}", 2}, {"done", 3}, {"DONE", 3}};
  for (const auto& c : cases) {
    std::vector<int> seen;
    OnTestStep([&](int index, Step&) {
      seen.push_back(index);
      return index == 0 ? session.Fail("no") : result::kSuccess;
    });
    Step skippedLabel = MakeStep("Label", 13, "done");
    skippedLabel.status = status::kSkip;
    Load({Failing("Jump to Label", c.value), skippedLabel, MakeStep("Use Window", kTestCategory), MakeStep("Label", 13, "done")});
    ASSERT_TRUE(Run());
    ASSERT_FALSE(seen.empty());
    if (c.target == 2) EXPECT_EQ(seen, (std::vector<int>{0, 2})) << c.value;
    else EXPECT_EQ(seen, (std::vector<int>{0})) << c.value;
    EXPECT_EQ(StepAt(c.target).ranFlag, ran::kSucceeded) << c.value;
  }
}

TEST_F(FailureTest, JumpToAnUnknownLabelEndsTheRun) {
  FailingSteps();
  Load({Failing("Jump to Label", "nowhere"), MakeStep("Use Window", kTestCategory)});
  ASSERT_TRUE(Run());
  EXPECT_TRUE(OutputHas("    Label \"nowhere\" not found"));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "Label \"nowhere\" not found");
  EXPECT_TRUE(OutputHas("RUN FAILED"));
  EXPECT_EQ(StepAt(1).ranFlag, ran::kNotRun);
}

// Memory slot {2} and the variable %count, watched.
struct WatchedVariables : FakeVariables {
  using FakeVariables::FakeVariables;
  std::string Expand(std::string_view t) override {
    return t == "{2}" ? two : t == "%count" ? std::string("41") : std::string(t);
  }
  bool SetNumbered(int n, std::string_view v) override { return n == 2 ? (two = v, true) : false; }
  void StoreInto(int, int, std::string_view output, std::string_view target, std::string_view v) override {
    stored = std::string(output) + " " + std::string(target) + "=" + std::string(v);
  }
  std::string two = "7";
  std::string stored;
};

TEST_F(FailureTest, IncrementVariableOnANumberedVariable) {
  std::string& two = session.AttachVariables(std::make_unique<WatchedVariables>(session.scripts)).two;
  FailingSteps();
  Load({Failing("Increment Variable", "{2}"), MakeStep("Comment", 16)});
  ASSERT_TRUE(Run());
  EXPECT_EQ(two, "8");
  EXPECT_TRUE(OutputHas("    Incrementing variable '{2}' = 8"));
  EXPECT_EQ(StepAt(1).ranFlag, ran::kSucceeded);
}

TEST_F(FailureTest, IncrementVariableByNameGoesThroughSaveOutput) {
  std::string& stored = session.AttachVariables(std::make_unique<WatchedVariables>(session.scripts)).stored;
  FailingSteps();
  Load({Failing("Increment Variable", "%count")});
  ASSERT_TRUE(Run());
  EXPECT_EQ(stored, "Variable %count=42");
}

TEST_F(FailureTest, IncrementVariableWithoutTheVariableStoreSaysSo) {
  FailingSteps();
  Load({Failing("Increment Variable", "{2}"), MakeStep("Comment", 16)});
  ASSERT_TRUE(Run());
  EXPECT_TRUE(OutputHas("    Incrementing variable '{2}' needs the variable store, which is not built yet"));
  EXPECT_EQ(StepAt(1).ranFlag, ran::kSucceeded);
}

TEST_F(FailureTest, FailingDelayEndsTheRunQuietly) {
  Step delay = MakeStep("Delay", kTestCategory);
  delay.onfail = "Display Error and Stop";
  FailingSteps();
  Load({delay, MakeStep("Comment", 16)});
  ASSERT_TRUE(Run());
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(StepAt(0).ranFlag, ran::kRun);
  EXPECT_FALSE(OutputHas("RUN FAILED"));
}

TEST_F(FailureTest, FalseBlockIfIsNoFailureButAQuickOneIs) {
  session.flow.findElseOrEndIf = [](Session&, int, int) { return 2; };
  for (const char* options : {"", "Quick"}) {
    dialogs.shown.clear();
    FailingSteps(0, 0, "");
    Step ifStep = MakeStep("IF Expression", kTestCategory);
    ifStep.options = options;
    ifStep.onfail = "Display Error and Stop";
    Load({ifStep, MakeStep("Comment", 16), MakeStep("Comment", 16)});
    ASSERT_TRUE(Run());
    if (*options) {
      EXPECT_EQ(StepAt(0).ranFlag, ran::kFailed);
      EXPECT_EQ(dialogs.shown.size(), 1u);
    } else {
      EXPECT_EQ(StepAt(0).ranFlag, ran::kFailedPassedOver);
      EXPECT_EQ(StepAt(1).ranFlag, ran::kNotRun);
      EXPECT_EQ(StepAt(2).ranFlag, ran::kSucceeded);
      EXPECT_TRUE(dialogs.shown.empty());
    }
  }
}

TEST_F(FailureTest, AskToContinueFollowsTheAnswer) {
  for (int a : {answer::kYes, answer::kNo}) {
    dialogs.shown.clear();
    dialogs.answer = a;
    FailingSteps();
    Load({Failing("Ask to Continue"), MakeStep("Comment", 16)});
    ASSERT_TRUE(Run());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].style, 0x12034u);
    EXPECT_EQ(dialogs.shown[0].text.substr(dialogs.shown[0].text.size() - 11), "\n\nContinue?");
    EXPECT_TRUE(OutputHas(a == answer::kYes ? "    User chose to CONTINUE" : "    User chose to STOP"));
    EXPECT_EQ(StepAt(1).ranFlag, a == answer::kYes ? ran::kSucceeded : ran::kNotRun);
  }
}

TEST_F(FailureTest, RestartRunGoesBackToStepOne) {
  std::vector<int> seen;
  OnTestStep([&](int index, Step&) {
    seen.push_back(index);
    return index == 1 && seen.size() < 3 ? session.Fail("once") : result::kSuccess;
  });
  Load({MakeStep("Use Window", kTestCategory), Failing("Restart Run")});
  ASSERT_TRUE(Run());
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 0, 1}));
  EXPECT_TRUE(OutputHas("    Restarting Run at at [Step 1]"));
}

TEST_F(FailureTest, RunProgramStartsItAndEndsTheRun) {
  EXPECT_TRUE(environment.Set("TOOLS", "C:\\Tools").ok());
  for (bool canOpen : {true, false}) {
    system.shellResult = canOpen ? 42 : 2;
    system.opened.clear();
    FailingSteps();
    Load({Failing("Run Program", "%TOOLS%\\notify.exe"), MakeStep("Comment", 16)});
    ASSERT_TRUE(Run());
    EXPECT_EQ(system.opened, (std::vector<std::string>{"C:\\Tools\\notify.exe"}));
    EXPECT_TRUE(OutputHas("    Running program: [C:\\Tools\\notify.exe]"));
    EXPECT_EQ(OutputHas("    Unable to start program \"C:\\Tools\\notify.exe\""), !canOpen);
    EXPECT_EQ(StepAt(1).ranFlag, ran::kNotRun);
  }
}

TEST_F(FailureTest, SnapshotIsNamedAfterTheLogFile) {
  settings.WriteText("*\\Logfile", "C:\\Logs\\run.log.txt");
  FailingSteps();
  Step s = Failing("Stop Silently");
  s.onfailImage = 1;
  Load({MakeStep("Comment", 16), s});
  desktop.screenPicture.Row(5)[7] = 0x123456;
  files.AddFolder("C:\\Logs");
  ASSERT_TRUE(Run());
  std::string error;
  const std::optional<Picture> shot = ReadBmp(files.Content("C:\\Logs\\run.log [Step 2] FAILURE 2026-12-07_103015.bmp"), &error);
  ASSERT_TRUE(shot) << error;
  EXPECT_EQ(shot->width(), desktop.screenPicture.width());
  EXPECT_EQ(shot->At(7, 5), 0x123456u);

  desktop.canCapture = false;
  ASSERT_TRUE(Run());
  EXPECT_TRUE(OutputHas("    No failure snapshot could be taken: BitBlt failed (50): needs a desktop session"));
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(FailureTest, FailureLogSwitchRaisesTheLevelForThisFailureOnly) {
  view.outputExists = false;
  FailingSteps();
  Step s = Failing("Stop Silently");
  s.onfailLog = 1;
  Load({s});
  ASSERT_TRUE(Run());
  std::string file = LogFile();
  EXPECT_NE(file.find("Failure during Run\r\n\r\nFile: test.vxm\r\n"), std::string::npos) << file;
  EXPECT_EQ(file.find("RUN FAILED"), std::string::npos);  // after the level went back to 0
}

TEST_F(FailureTest, LongErrorTextsGoToTheLogWithoutPercentSigns) {
  FailingSteps(0, 0, std::string(400, 'e') + "100%");
  Load({Failing("Stop Silently")});
  ASSERT_TRUE(Run());
  EXPECT_TRUE(OutputHas(std::string(400, 'e') + "100"));
}

TEST(FailureModes, KeywordsInOrder) {
  struct Case {
    const char* name;
    FailureMode mode;
  } cases[] = {
      {"", FailureMode::kError},
      {"Display Error and Stop", FailureMode::kError},
      {"Display Error and Continue", FailureMode::kError},
      {"Retry the Step x Times", FailureMode::kRetry},
      {"Stop Silently", FailureMode::kSilent},
      {"Ask to Continue", FailureMode::kAsk},
      {"Jump to Label", FailureMode::kJump},
      {"Increment Variable", FailureMode::kVariable},
      {"Restart Run", FailureMode::kRestart},
      {"Run Program", FailureMode::kProgram},
      {"retry on error", FailureMode::kRetry},
      {"Something else", FailureMode::kOther},
  };
  for (const auto& c : cases) EXPECT_EQ(ClassifyFailureMode(c.name), c.mode) << c.name;
}

}  // namespace
}  // namespace plumo
