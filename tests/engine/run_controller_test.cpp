#include "engine/run_controller.h"

#include <condition_variable>

#include "engine_harness.h"
#include "fake_variables.h"

namespace plumo {
namespace {

using RunControllerTest = EngineTest;

int Succeed(int, Step&) { return result::kSuccess; }

TEST_F(RunControllerTest, EmptyScriptShowsTheMessageAndStartsNothing) {
  Load({});
  EXPECT_FALSE(Run());
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, kEmptyScriptMessage);
  EXPECT_EQ(dialogs.shown[0].caption, "System Message");
  EXPECT_EQ(dialogs.shown[0].style, 0x12040u);
}

TEST_F(RunControllerTest, RunWhileARunExistsDoesNothing) {
  std::mutex mu;
  std::condition_variable cv;
  bool release = false;
  OnTestStep([&](int, Step&) {
    std::unique_lock<std::mutex> lock(mu);
    cv.wait(lock, [&] { return release; });
    return result::kSuccess;
  });
  Load({MakeStep("Use Window", kTestCategory)});
  bool second = true;
  queue.Post([&] {
    ASSERT_TRUE(StartRun(session, 0, runcmd::kRun, true, 0, 0));
    second = StartRun(session, 0, runcmd::kRun, true, 0, 0);
    std::lock_guard<std::mutex> lock(mu);
    release = true;
    cv.notify_all();
  });
  queue.Run();
  EXPECT_FALSE(second);
  EXPECT_EQ(view.runsEnded, 1);
}

TEST_F(RunControllerTest, RunsEveryStepAndWritesHeaderAndSummary) {
  std::vector<int> seen;
  OnTestStep([&](int index, Step&) {
    seen.push_back(index);
    return result::kSuccess;
  });
  Load({MakeStep("Use Window", kTestCategory, "Editor"), MakeStep("Use Window", kTestCategory, "Other")});
  settings.WriteNumber("*\\HiliteRunningStep", 1);
  ASSERT_TRUE(Run());
  EXPECT_EQ(seen, (std::vector<int>{0, 1}));
  EXPECT_EQ(StepAt(0).ranFlag, ran::kSucceeded);
  EXPECT_EQ(StepAt(1).runCount, 1);
  auto out = Output();
  ASSERT_GE(out.size(), 8u);
  EXPECT_EQ(out[0], "---- START OF RUN ------------------------------------------");
  EXPECT_EQ(out[1], "SCRIPT: \"C:\\Scripts\\test.vxm\"");
  EXPECT_EQ(out[2], "TIME:   10:30:15 on Monday, 7 December 2026");
  EXPECT_EQ(out[3], "[STEP 1]: Use Window \"Editor\"");
  EXPECT_EQ(out[5], "Run Completed: \"C:\\Scripts\\test.vxm\"");
  EXPECT_EQ(out[6].rfind("Run Completed on [STEP 2] at 10:30:15   ELAPSED TIME: less than 1 second   STEPS RUN: 2 steps", 0), 0u);
  EXPECT_EQ(out[7], "==== END OF RUN ============================================");
  EXPECT_EQ(view.selected, 1);
}

TEST_F(RunControllerTest, BreakpointOnTheFirstStepStopsBeforeIt) {
  int calls = 0;
  OnTestStep([&](int, Step&) { return ++calls, result::kSuccess; });
  Load({MakeStep("Use Window", kTestCategory), MakeStep("Use Window", kTestCategory)});
  StepAt(0).status = status::kBreakpoint;
  ASSERT_TRUE(Run());
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(StepAt(0).ranFlag, ran::kNotRun);
  EXPECT_TRUE(OutputHas("[STEP 1]: <<BREAKPOINT>> \"Use Window\""));
  bool summaryZero = false;
  for (const auto& l : Output()) summaryZero |= l.find("STEPS RUN: 0 steps") != std::string::npos;
  EXPECT_TRUE(summaryZero);
}

TEST_F(RunControllerTest, SkipWinsOverBreakpoint) {
  std::vector<int> seen;
  OnTestStep([&](int index, Step&) { return seen.push_back(index), result::kSuccess; });
  Load({MakeStep("Use Window", kTestCategory), MakeStep("Use Window", kTestCategory)});
  StepAt(0).status = status::kSkip | status::kBreakpoint;
  settings.WriteNumber("*\\LogLevel", 2);
  ASSERT_TRUE(Run());
  EXPECT_EQ(seen, (std::vector<int>{1}));
  EXPECT_TRUE(OutputHas("[STEP 1]: (SKIPPED) \"Use Window\""));
}

TEST_F(RunControllerTest, SingleStepRunsOnlyTheSelectedStepWithoutSummary) {
  std::vector<int> seen;
  OnTestStep([&](int index, Step&) { return seen.push_back(index), result::kSuccess; });
  Load({MakeStep("Use Window", kTestCategory), MakeStep("Use Window", kTestCategory), MakeStep("Use Window", kTestCategory)});
  view.selected = 1;
  ASSERT_TRUE(Run(runcmd::kRunSingleStep));
  EXPECT_EQ(seen, (std::vector<int>{1}));
  for (const auto& l : Output()) EXPECT_EQ(l.find("Run Completed"), std::string::npos) << l;
}

TEST_F(RunControllerTest, AStepThatRepeatsItselfCountsOnce) {
  OnTestStep([&](int index, Step& step) {
    if (index == 0 && step.runCount < 4) session.run.nextStep = 0;
    return result::kSuccess;
  });
  Load({MakeStep("Use Window", kTestCategory), MakeStep("Use Window", kTestCategory)});
  ASSERT_TRUE(Run());
  EXPECT_EQ(StepAt(0).runCount, 4);
  bool counted = false;
  for (const auto& l : Output()) counted |= l.find("STEPS RUN: 2 steps") != std::string::npos;
  EXPECT_TRUE(counted);
}

TEST_F(RunControllerTest, StopKeyLeavesAnExitStepGreenAndOthersIncomplete) {
  for (const char* action : {"Exit Run", "Use Window"}) {
    OnTestStep([&](int, Step&) {
      desktop.keysDown.insert(vk::kPause);
      clock.Sleep(10);  // the key is looked at once in 10 ms
      return result::kSuccess;
    });
    desktop.keysDown.clear();
    Load({MakeStep(action, kTestCategory), MakeStep("Use Window", kTestCategory)});
    session.slots[0].runRepeats = 5;
    ASSERT_TRUE(Run());
    EXPECT_EQ(StepAt(0).ranFlag, std::string_view(action) == "Exit Run" ? ran::kSucceeded : ran::kRun) << action;
    EXPECT_EQ(StepAt(1).ranFlag, ran::kNotRun);
    EXPECT_TRUE(OutputHas("Stopping run at [STEP 1]"));
    EXPECT_EQ(view.runsEnded, std::string_view(action) == "Exit Run" ? 1 : 2);  // no repeats after a stop
  }
}

TEST_F(RunControllerTest, ExecutorStopResultEndsTheRun) {
  OnTestStep([&](int, Step&) { return result::kStop; });
  Load({MakeStep("Use Window", kTestCategory), MakeStep("Use Window", kTestCategory)});
  ASSERT_TRUE(Run());
  EXPECT_EQ(StepAt(1).ranFlag, ran::kNotRun);
  EXPECT_TRUE(OutputHas("Stopping run at [STEP 1]"));
}

TEST_F(RunControllerTest, RunRepeatsTwoGiveThreeRuns) {
  int runs = 0;
  OnTestStep([&](int, Step&) {
    if (++runs == 1) session.slots[0].runRepeats = 2;  // as "Set Run Repeats" would
    return result::kSuccess;
  });
  Load({MakeStep("Use Window", kTestCategory)});
  ASSERT_TRUE(Run());
  EXPECT_EQ(runs, 3);
  EXPECT_EQ(session.slots[0].runRepeats, -1);
}

TEST_F(RunControllerTest, RepeatForeverUntilStopped) {
  int runs = 0;
  OnTestStep([&](int, Step&) {
    if (++runs == 1) session.slots[0].runRepeats = kRepeatForever;
    if (runs == 25) return result::kStop;
    return result::kSuccess;
  });
  Load({MakeStep("Use Window", kTestCategory)});
  ASSERT_TRUE(Run());
  EXPECT_EQ(runs, 25);
  EXPECT_EQ(session.slots[0].runRepeats, 0);
}

TEST_F(RunControllerTest, UnknownActionsLogAndSucceed) {
  Load({MakeStep("Comment", 16, "note"), MakeStep("Favourite", 1)});
  ASSERT_TRUE(Run());
  EXPECT_TRUE(OutputHas("    Unknown Action (16) \"Comment\""));
  EXPECT_TRUE(OutputHas("    Unknown Action (1) \"Favourite\""));
  EXPECT_EQ(StepAt(1).ranFlag, ran::kSucceeded);
}

TEST_F(RunControllerTest, JumpOutsideTheScriptEndsWithSummary) {
  OnTestStep([&](int, Step&) {
    session.run.nextStep = -1;
    return result::kSuccess;
  });
  Step bad = MakeStep("Mystery", 0);
  Load({MakeStep("Use Window", kTestCategory), bad});
  ASSERT_TRUE(Run());
  EXPECT_TRUE(OutputHas("Invalid next step in File 1 at [STEP 2]!  Discontinuing Execution"));
  EXPECT_TRUE(OutputHas("==== END OF RUN ============================================"));
}

TEST_F(RunControllerTest, InvalidStartStepIsReportedAndCleanedUpWithoutAStopAttempt) {
  Load({MakeStep("Mystery", 0)});
  ASSERT_TRUE(Run());
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "Invalid [STEP 1] in \"C:\\Scripts\\test.vxm\"!\n\nDiscontinuing Execution");
  EXPECT_EQ(dialogs.shown[0].caption, "Run Error");
  EXPECT_FALSE(OutputHas("Attempting to stop run..."));
  for (const auto& l : Output()) EXPECT_EQ(l.find("Run Completed"), std::string::npos);
}

TEST_F(RunControllerTest, ActionsRegisteredByNameGoBeforeTheirCategory) {
  std::string ran;
  session.executors.Register(kTestCategory, [&](Session&, int, int, bool) { ran += "category "; return result::kSuccess; });
  session.executors.RegisterAction(kTestCategory, "Click Control", [&](Session&, int, int index, bool mainThread) {
    ran += mainThread ? "main " : "named ";
    return index == 1 ? result::kSuccess : result::kFailure;
  });
  Load({MakeStep("Use Window", kTestCategory), MakeStep("click CONTROL", kTestCategory)});
  ASSERT_TRUE(Run());
  EXPECT_EQ(ran, "category named ");
  EXPECT_EQ(session.executors.Find(kTestCategory, "Click Control"), session.executors.Find(kTestCategory, "CLICK control"));
  EXPECT_NE(session.executors.Find(kTestCategory, "Click Control"), session.executors.Find(kTestCategory, "Click"));
}

TEST_F(RunControllerTest, WaitStepsRunAtIdlePriority) {
  uint32_t during = 0;
  session.executors.Register(kWaitCategory, [&](Session&, int, int, bool) {
    during = processes.cls;
    return result::kSuccess;
  });
  Load({MakeStep("Wait for Window", kWaitCategory)});
  ASSERT_TRUE(Run());
  EXPECT_EQ(during, priority::kIdle);
  EXPECT_EQ(processes.cls, priority::kNormal);
}

TEST_F(RunControllerTest, InterStepDelayFollowsSuccessesOnly) {
  settings.WriteNumber("SOFTWARE\\Plumo\\InterStepDelay-0", 70);  // deleted by Run
  settings.WriteNumber("*\\InterStepDelay", 40);
  OnTestStep(Succeed);
  Load({MakeStep("Use Window", kTestCategory), MakeStep("Use Window", kTestCategory)});
  const uint32_t before = clock.TickCount();
  ASSERT_TRUE(Run());
  EXPECT_EQ(clock.TickCount() - before, 80u);
  EXPECT_EQ(settings.Probe("SOFTWARE\\Plumo\\InterStepDelay-0"), 0u);
}

TEST_F(RunControllerTest, PopupStaysVisibleBetweenOneAndThreeSeconds) {
  for (auto [timeout, waited] : {std::pair{"5", 1000u}, {"5000", 3000u}, {"0", 0u}}) {
    OnTestStep(Succeed);
    Step popup = MakeStep("Display Message Popup", kTestCategory);
    popup.timeout = timeout;
    Load({popup});
    const uint32_t before = clock.TickCount();
    ASSERT_TRUE(Run());
    EXPECT_EQ(clock.TickCount() - before, waited) << timeout;
  }
}

TEST_F(RunControllerTest, HeldKeysAndMouseButtonAreReleasedAtTheEnd) {
  OnTestStep([&](int, Step&) {
    session.run.heldModifiers = held::kControl | held::kAlt;
    session.run.dragInProgress = 1;
    return result::kSuccess;
  });
  Load({MakeStep("Type", kTestCategory)});
  ASSERT_TRUE(Run());
  EXPECT_EQ(desktop.released, (std::vector<std::string>{"x17", "18", "mouse"}));
  EXPECT_TRUE(OutputHas("WARNING!  Key was pressed with the {-Down} TYPE command, but not released with {-Up}"));
  EXPECT_TRUE(OutputHas("WARNING!  Mouse drag was started, but the mouse button was not let up"));
  EXPECT_EQ(session.run.heldModifiers, 0u);
}

TEST_F(RunControllerTest, ScreenSaverSettingIsHeldAndRestored) {
  const char* active = "HKEY_CURRENT_USER\\Control Panel\\Desktop\\ScreenSaveActive";
  settings.WriteNumber("*\\DisableScreenSaver", 1);
  settings.WriteText(active, "1");
  std::string during;
  OnTestStep([&](int, Step&) {
    during = settings.ReadText(active, 16);
    return result::kSuccess;
  });
  Load({MakeStep("Use Window", kTestCategory)});
  ASSERT_TRUE(Run());
  EXPECT_EQ(during, "0");
  EXPECT_EQ(settings.ReadText(active, 16), "1");
  EXPECT_EQ(settings.Probe("*\\ScreenSaverHolder"), 0u);
}

TEST_F(RunControllerTest, MainThreadForwardingRunsTheExecutorThereWithTheFlag) {
  std::thread::id runThread, executorThread;
  bool flag = false;
  session.executors.Register(16, [&](Session& s, int slot, int index, bool mainThread) {
    if (!mainThread) {
      runThread = std::this_thread::get_id();
      return ForwardToMainThread(s, 16, slot, index);
    }
    executorThread = std::this_thread::get_id();
    flag = mainThread;
    return index == 1 ? result::kSuccess : result::kSuccess;
  });
  Load({MakeStep("Windows API", 16), MakeStep("Windows API", 16)});
  ASSERT_TRUE(Run());
  EXPECT_TRUE(flag);
  EXPECT_EQ(executorThread, std::this_thread::get_id());
  EXPECT_NE(runThread, executorThread);
}

TEST(Forwarding, ParameterAndCodesRoundTrip) {
  EXPECT_EQ(ForwardParameter(3, 17), 3 * 1048576 + 17);
  for (auto [category, code] : {std::pair{2, 2}, {16, 3}, {8, 1}}) {
    EXPECT_EQ(ForwardNotifyCode(category), code);
    EXPECT_EQ(ForwardCategory(code), category);
  }
  EXPECT_EQ(ForwardNotifyCode(4), 0);
}

TEST_F(RunControllerTest, GracefulStopAsksAfterTheGraceTimeAndCancelContinues) {
  std::atomic<bool> finish{false};
  OnTestStep([&](int index, Step&) {
    // Stopped from the menu while the first Step runs and does not react.
    if (index == 0)
      queue.Post([&] {
        StopRun(session, false);
        // The grace timer is real time on the queue; shorten the wait by firing it now.
        queue.SetTimer(kGracefulStopTimer, 1, [&] {
          queue.KillTimer(kGracefulStopTimer);
          StopRun(session, true);
          finish = true;
        });
      });
    while (!finish) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return result::kSuccess;
  });
  Load({MakeStep("Use Window", kTestCategory), MakeStep("Use Window", kTestCategory)});
  dialogs.answer = answer::kCancel;
  ASSERT_TRUE(Run());
  EXPECT_TRUE(OutputHas("<<< STOP RUN REQUEST >>>   (via menu)"));
  EXPECT_TRUE(OutputHas("Attempting to stop run..."));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, kForceStopQuestion);
  EXPECT_EQ(dialogs.shown[0].style, 0x12041u);
  EXPECT_TRUE(OutputHas("Cancelling stop request - continuing script execution"));
  EXPECT_EQ(StepAt(1).ranFlag, ran::kSucceeded);  // the run went on
}

TEST_F(RunControllerTest, ForcedStopThatCannotTerminateSaysSo) {
  std::atomic<bool> finish{false};
  OnTestStep([&](int, Step&) {
    while (!finish) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return result::kSuccess;
  });
  Load({MakeStep("Use Window", kTestCategory)});
  dialogs.answer = answer::kOk;
  queue.Post([&] {
    ASSERT_TRUE(StartRun(session, 0, runcmd::kRun, true, 0, 0));
    StopRun(session, true);
    finish = true;
  });
  queue.Run();
  bool said = false;
  for (const auto& l : Output()) said |= l.rfind("Run could not be terminated: TerminateThread failed", 0) == 0;
  EXPECT_TRUE(said);
}

TEST(LeadingInteger, FirstRunOfDigits) {
  struct Case {
    const char* text;
    int value;
  } cases[] = {{"", 0}, {"abc", 0}, {"5", 5}, {"x-12y", -12}, {" 3.5", 3}, {"- 4", 4}, {"99999999999", 2147483647}};
  for (const auto& c : cases) EXPECT_EQ(LeadingInteger(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace plumo

namespace plumo {
namespace {

TEST_F(RunControllerTest, CommandLineLoggingOverridesTheSettings) {
  view.outputVisible = false;
  Load({MakeStep("Comment", 16)});
  session.forcedLogLevel = 2;  // -L
  session.forcedOutput = true;
  ASSERT_TRUE(Run());
  EXPECT_TRUE(OutputHas("LOG LEVEL HIGH"));
  EXPECT_NE(LogFile().find("LOG LEVEL HIGH\r\n"), std::string::npos);

  ASSERT_TRUE(files.Delete(logPath).ok());
  session.forcedLogLevel = 0;  // -L -F: nothing to the file, every line to the palette
  settings.WriteNumber("*\\LogLevel", 1);
  ASSERT_TRUE(Run());
  EXPECT_EQ(LogFile(), "");
  EXPECT_TRUE(OutputHas("    Unknown Action (16) \"Comment\""));
}

// Variables whose Expand holds a lock, as the variable store does, until the test lets go.
struct LockedVariables : FakeVariables {
  using FakeVariables::FakeVariables;
  std::string Expand(std::string_view text) override {
    std::unique_lock<std::mutex> lock(storeLock);
    if (text == "hold") {
      holding = true;
      while (!paused) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return std::string(text);
  }
  std::mutex storeLock;
  std::atomic<bool> holding{false}, paused{false};
};

TEST_F(RunControllerTest, PauseWaitsForTheStepsEndSoALockHeldByTheRunIsLetGo) {
  auto& variables = session.AttachVariables(std::make_unique<LockedVariables>(session.scripts));
  std::atomic<int> ran{0};
  OnTestStep([&](int index, Step&) {
    session.Expand(index == 0 ? "hold" : "free");
    return ++ran, result::kSuccess;
  });
  Load({MakeStep("Use Window", kTestCategory), MakeStep("Use Window", kTestCategory)});
  std::string palette;
  queue.Post([&] {
    ASSERT_TRUE(StartRun(session, 0, runcmd::kRun, true, 0, 0));
    while (!variables.holding) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    PauseResume(session);
    variables.paused = true;
    palette = session.Expand("the palette reads");  // would wait for ever on a suspended holder
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(ran, 1);  // the run stands at its next Step
    PauseResume(session);
  });
  queue.Run();
  EXPECT_EQ(palette, "the palette reads");
  EXPECT_EQ(ran, 2);
  EXPECT_EQ(session.run.paused, 0u);
}

TEST_F(RunControllerTest, StartRunIsRefusedUntilTheLastRunHasCleanedUp) {
  OnTestStep(Succeed);
  Load({MakeStep("Use Window", kTestCategory)});
  int second = -1;
  bool runningDuringCleanUp = false;
  session.AddFinishHook(FinishPhase::kResources, [&](Session& s, int) {
    runningDuringCleanUp = s.RunExists();
    second = s.mainQueue().Call([&] { return StartRun(session, 0, runcmd::kRun, false, 0, 0) ? 1 : 0; });
  });
  ASSERT_TRUE(Run());
  EXPECT_TRUE(runningDuringCleanUp);
  EXPECT_EQ(second, 0);
  EXPECT_EQ(view.runsEnded, 1);
  EXPECT_FALSE(session.RunExists());
}

TEST_F(RunControllerTest, ARunningSlotCannotBeClosedReplacedOrEdited) {
  std::atomic<bool> release{false};
  OnTestStep([&](int, Step&) {
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return result::kSuccess;
  });
  Load({MakeStep("Use Window", kTestCategory)});
  bool closed = true, replaced = true, editable = true;
  queue.Post([&] {
    ASSERT_TRUE(StartRun(session, 0, runcmd::kRun, true, 0, 0));
    closed = session.scripts.Close(0);
    replaced = session.scripts.Set(0, Script{});
    editable = session.scripts.Editable(0) != nullptr;
    release = true;
  });
  queue.Run();
  EXPECT_FALSE(closed);
  EXPECT_FALSE(replaced);
  EXPECT_FALSE(editable);
  EXPECT_EQ(StepAt(0).ranFlag, ran::kSucceeded);
  EXPECT_NE(session.scripts.Editable(0), nullptr);
  EXPECT_TRUE(session.scripts.Close(0));
}

// Threads whose Terminate reports success and lets the body go on unseen, as a thread that
// was terminated would be gone: the test lets it end on its own afterwards.
class AbandoningThreads : public Threads {
 public:
  std::unique_ptr<Worker> Start(std::function<void()> body) override {
    struct Abandoned : Worker {
      explicit Abandoned(std::function<void()> body) : inner(StdThreads().Start(std::move(body))) {}
      OsError Terminate() override { return OsError::Ok(); }
      void Join() override {}
      std::unique_ptr<Worker> inner;  // waits for the body when the session goes
    };
    return std::make_unique<Abandoned>(std::move(body));
  }
};

TEST_F(RunControllerTest, AForcedStopCleansUpAndTheSessionThenRefusesRunsSayingWhy) {
  AbandoningThreads abandoning;
  Session forced(SessionPorts{clock, environment, queue, dialogs, desktop, processes, system, abandoning, settings, locale,
                              files, registry, clipboard});
  forced.SetView(&view);
  forced.startMode = 7;
  std::atomic<bool> release{false};
  forced.executors.Register(kTestCategory, [&](Session&, int, int, bool) {
    forced.run.heldModifiers = held::kShift;
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return result::kSuccess;
  });
  Script script;
  script.steps = {MakeStep("Use Window", kTestCategory)};
  forced.scripts.Open(std::move(script));
  dialogs.answer = answer::kOk;
  bool again = true;
  queue.Post([&] {
    ASSERT_TRUE(StartRun(forced, 0, runcmd::kRun, true, 0, 0));
    while (forced.run.heldModifiers == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    StopRun(forced, true);
    again = StartRun(forced, 0, runcmd::kRun, true, 0, 0);
  });
  queue.Run();  // the hidden start's window closes after the clean-up
  EXPECT_TRUE(OutputHas("Run forcibly terminated"));
  EXPECT_EQ(desktop.released, (std::vector<std::string>{"16"}));  // the clean-up ran all the same
  EXPECT_FALSE(again);
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[1].text, Session::kBrokenMessage);
  EXPECT_FALSE(forced.scripts.Running(0));
  release = true;  // the "terminated" thread ends without touching the run again
}

}  // namespace
}  // namespace plumo
