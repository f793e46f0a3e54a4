#include "engine/flow_control.h"

#include "flow_test_support.h"

namespace plumo {
namespace {

Script ScriptOf(const std::vector<std::pair<std::string, uint32_t>>& steps) {
  Script script;
  for (const auto& [action, marks] : steps) {
    Step s = MakeStep(action, CategoryOf(action));
    s.status = marks;
    script.steps.push_back(s);
  }
  return script;
}

TEST(FlowScans, FindNextLoopAndStartMatchNestedLoopsAndPassMarkedSteps) {
  // 0 START, 1 START, 2 NEXT, 3 NEXT(skipped), 4 NEXT, 5 Comment
  Script script = ScriptOf({{"Start 'For' Loop", 0},
                            {"Start Text Loop", 0},
                            {"NEXT LOOP", 0},
                            {"NEXT LOOP", status::kSkip},
                            {"NEXT LOOP", status::kBreakpoint},
                            {"NEXT LOOP", 0},
                            {"Comment", 0}});
  struct {
    int from, next;
  } nexts[] = {{0, 5}, {1, 2}, {2, 2}, {6, 7}};
  for (auto c : nexts) EXPECT_EQ(FindNextLoop(script, c.from), c.next) << c.from;
  struct {
    int from, start;
  } starts[] = {{2, 1}, {5, 0}, {6, -1}, {1, 1}};
  for (auto c : starts) EXPECT_EQ(FindStart(script, c.from), c.start) << c.from;
}

class ScanTest : public FlowTest {};

TEST_F(ScanTest, FindElseOrEndIfSkipsNestedBlocksAndQuickChecks) {
  LoadRows({{"IF Expression", "1"},               // 0
             {"IF Expression", "1"},               // 1 nested block
             {"ELSE"},                             // 2 nested ELSE
             {"END IF"},                           // 3 nested END IF
             {"IF Expression", "1", "Quick"},      // 4 checkpoint: no block
             {"IF Expression", "1", "ELSE IF"},    // 5
             {"ELSE"},                             // 6
             {"END IF"}});                         // 7
  EXPECT_EQ(FindElseOrEndIf(session, 0, 0, false), 5);
  EXPECT_EQ(FindElseOrEndIf(session, 0, 0, true), 7);
  EXPECT_EQ(FindElseOrEndIf(session, 0, 5, false), 6);
  EXPECT_TRUE(OutputHas("    Jumping to next ELSE/END IF statement: [Step 6]"));
  EXPECT_EQ(FindElseOrEndIf(session, 0, 7, false), 8);
  EXPECT_TRUE(OutputHas("    WARNING: Matching ELSE/END IF statement not found!"));
}

class LoopTest : public FlowTest {};

TEST_F(LoopTest, ForLoopCountsUpAndDownAndEndsOnTheLastValueUsed) {
  struct {
    const char *from, *step, *to, *values, *end;
  } cases[] = {
      {"1", "1", "3", "1 2 3", "    END OF LOOP from [Step 1], Final Value: 3, Total Loops: 3, Continuing with [Step 4]..."},
      {"3", "-1", "1", "3 2 1", "    END OF LOOP from [Step 1], Final Value: 1, Total Loops: 3, Continuing with [Step 4]..."},
      {"0.5", "0.25", "1", "0.5 0.75 1", "    END OF LOOP from [Step 1], Final Value: 1, Total Loops: 3, Continuing with [Step 4]..."},
      {"5", "1", "3", "", "    END OF LOOP from [Step 1], Final Value: 4, Total Loops: 0, Continuing with [Step 4]..."},
  };
  for (auto c : cases) {
    view.OutputClear();
    LoadRows({{"Start 'For' Loop", c.to, "", c.from, c.step, "%i"}, {"Record", "%i"}, {"NEXT LOOP"}, {"Record", "after"}});
    EXPECT_EQ(Joined(RunRecording()), std::string(c.values) + (*c.values ? " " : "") + "after") << c.from << c.step;
    EXPECT_TRUE(OutputHas(c.end)) << c.from << c.step;
  }
}

TEST_F(LoopTest, ForLoopCountsExactlyWhereAFloatWouldStallOrDrift) {
  struct {
    const char *from, *step, *to;
    size_t passes;
  } cases[] = {
      {"16777214", "1", "16777220", 7},     // a float sticks at 16777216
      {"2147483640", "5", "2147483660", 5},  // past the int range in the last pass
      {"0.1", "0.1", "0.3", 3},             // 0.1 + 0.1 + 0.1 is a hair above 0.3
      {"-0.3", "0.1", "0", 4},
  };
  for (auto c : cases) {
    LoadRows({{"Start 'For' Loop", c.to, "", c.from, c.step, "%i"}, {"Record", "%i"}, {"NEXT LOOP"}});
    EXPECT_EQ(RunRecording().size(), c.passes) << c.from << " to " << c.to;
  }
  // A step too small for the value's size cannot move the counter: the loop fails, not hangs.
  LoadRows({{"Start 'For' Loop", "100000000000000010", "", "100000000000000000", "1"}, {"NEXT LOOP"}});
  StepAt(1).onfail = "Stop Silently";
  Run();
  EXPECT_TRUE(OutputContains("The loop counter cannot move from 1")) << Joined(Output());
  EXPECT_TRUE(OutputContains(" in steps of 1"));
}

TEST_F(LoopTest, ForLoopLogsEachPassAndKeepsEmptyFieldsAtOne) {
  LoadRows({{"Start 'For' Loop", "2", "", "", ""}, {"NEXT LOOP"}});
  Run();
  EXPECT_TRUE(OutputHas("    Loop 1 of 2"));
  EXPECT_TRUE(OutputHas("    Loop 2 of 2"));
  EXPECT_TRUE(OutputHas("    Jumping to START LOOP at [Step 1]..."));
}

TEST_F(LoopTest, ForLoopWithIncrementZeroNeverEndsByItself) {
  LoadRows({{"Start 'For' Loop", "3", "", "1", "0"}, {"Record", "x"}, {"NEXT LOOP"}});
  int passes = 0;
  OnTestStep([&](int, Step&) { return ++passes == 10 ? result::kStop : result::kSuccess; });
  Run();
  EXPECT_EQ(passes, 10);
}

TEST_F(LoopTest, NestedLoopsKeepTheOuterValuesWhileTheInnerRuns) {
  LoadRows({{"Start 'For' Loop", "2", "", "1", "1", "%i"},
             {"Start 'For' Loop", "3", "", "1", "1", "%j"},
             {"Record", "%i.%j"},
             {"NEXT LOOP"},
             {"NEXT LOOP"}});
  EXPECT_EQ(Joined(RunRecording()), "1.1 1.2 1.3 2.1 2.2 2.3");
  EXPECT_TRUE(OutputHas("    END OF LOOP from [Step 1], Final Value: 2, Total Loops: 2, Continuing with [Step 6]..."));
  EXPECT_EQ(session.flowState.loops[0][0].startStep, 0);
}

TEST_F(LoopTest, WhileLoopRunsWhileTheConditionHolds) {
  vars.Set("n", "0");
  LoadRows({{"Start 'While' Loop", "%n < 3", "", "", "", "pass"},
             {"Record", "%n/%pass"},
             {"Increment Variable", "", "", "", "", "%n"},
             {"NEXT LOOP"}});
  // The increment is the test's own: the System actions are tested elsewhere.
  session.executors.Register(16, [this](Session&, int, int, bool) {
    vars.Set("n", std::to_string(std::stoi(vars.Get("n")) + 1));
    return result::kSuccess;
  });
  EXPECT_EQ(Joined(RunRecording()), "0/1 1/2 2/3");
}

TEST_F(LoopTest, TextLoopSplitsAtTheDelimiterOrAtLineFeeds) {
  struct {
    const char *text, *delimiter, *items;
  } cases[] = {
      {"a,b,,c", ",", "a b  c"},
      {"one\ntwo", "", "one two"},
      {"x<>y", "<>", "x y"},
      {"", ",", ""},
      {"single", ",", "single"},
  };
  for (auto c : cases) {
    LoadRows({{"Start Text Loop", c.text, "", c.delimiter, "", "item"}, {"Record", "%item"}, {"NEXT LOOP"}});
    EXPECT_EQ(Joined(RunRecording()), c.items) << c.text;
  }
}

TEST_F(LoopTest, ProcessLoopStoresInTheFormTheOptionsAsk) {
  processes.running = {{4, "init.exe"}, {812, "notepad.exe"}};
  struct {
    const char *options, *items;
  } cases[] = {
      {"ID,EXE", "4,init.exe 812,notepad.exe"},
      {"EXE,ID", "init.exe,4 notepad.exe,812"},
      {"ID", "4 812"},
      {"", "init.exe notepad.exe"},
  };
  for (auto c : cases) {
    LoadRows({{"Start Process Loop", "", c.options, "", "", "p"}, {"Record", "%p"}, {"NEXT LOOP"}});
    EXPECT_EQ(Joined(RunRecording()), c.items) << c.options;
  }
}

TEST_F(LoopTest, RegistryLoopEnumeratesSubkeysWithOrWithoutTheirParent) {
  EXPECT_TRUE(registry.CreateKey(RegRoot::kCurrentUser, "SOFTWARE\\Tree\\Alpha").ok());
  EXPECT_TRUE(registry.CreateKey(RegRoot::kCurrentUser, "SOFTWARE\\Tree\\Beta").ok());
  LoadRows({{"Start Registry Loop", "HKEY_CURRENT_USER\\SOFTWARE\\Tree", "", "", "", "k"}, {"Record", "%k"}, {"NEXT LOOP"}});
  EXPECT_EQ(Joined(RunRecording()), "Alpha Beta");
  LoadRows({{"Start Registry Loop", "HKEY_CURRENT_USER\\SOFTWARE\\Tree\\", "Parent", "", "", "k"}, {"Record", "%k"}, {"NEXT LOOP"}});
  EXPECT_EQ(Joined(RunRecording()), "HKEY_CURRENT_USER\\SOFTWARE\\Tree\\Alpha HKEY_CURRENT_USER\\SOFTWARE\\Tree\\Beta");
  LoadRows({{"Start Registry Loop", "HKEY_CURRENT_USER\\SOFTWARE\\Missing", "", "", "", "k"}, {"Record", "%k"}, {"NEXT LOOP"}});
  EXPECT_TRUE(RunRecording().empty());
}

TEST_F(LoopTest, FileLineLoopReadsLinesBesideTheScript) {
  files.Put("C:\\Scripts\\lines.txt", "first\r\nsecond\n\nfourth\n");
  LoadRows({{"Start File Line Loop", "lines.txt", "", "", "", "line"}, {"Record", "[%line]"}, {"NEXT LOOP"}});
  EXPECT_EQ(Joined(RunRecording()), "[first] [second] [] [fourth]");
  LoadRows({{"Start File Line Loop", "C:\\Elsewhere\\none.txt", "", "", "", "line"}, {"Record", "x"}, {"NEXT LOOP"}});
  EXPECT_TRUE(RunRecording().empty());
}

TEST_F(LoopTest, FilesAndFoldersLoopsListOnTheFirstPassWithOrWithoutRecursion) {
  files.AddFolder("C:\\d");
  files.AddFolder("C:\\d\\sub");
  files.Put("C:\\d\\a.txt", "");
  files.Put("C:\\d\\b.log", "");
  files.Put("C:\\d\\sub\\c.txt", "");
  struct {
    const char *action, *mask, *options, *items, *log;
  } cases[] = {
      {"Start Files Loop", "C:\\d\\*.txt", "", "C:\\d\\a.txt", "    1 file match for file mask [C:\\d\\*.txt]"},
      {"Start Files Loop", "C:\\d\\*.txt", "Recur", "C:\\d\\a.txt C:\\d\\sub\\c.txt",
       "    2 total files match for file mask [C:\\d\\*.txt]"},
      {"Start Files Loop", "C:\\d\\", "", "C:\\d\\a.txt C:\\d\\b.log", "    2 file match for file mask [C:\\d\\*.*]"},
      {"Start Folders Loop", "C:\\d\\*", "", "C:\\d\\sub", "    1 file match for file mask [C:\\d\\*]"},
  };
  for (auto c : cases) {
    view.OutputClear();
    LoadRows({{c.action, c.mask, c.options, "", "", "f"}, {"Record", "%f"}, {"NEXT LOOP"}});
    EXPECT_EQ(Joined(RunRecording()), c.items) << c.mask << c.options;
    EXPECT_TRUE(OutputHas(c.log)) << c.log;
  }
  LoadRows({{"Start Files Loop", "C:\\d\\a"}, {"NEXT LOOP"}});
  Run();
  EXPECT_TRUE(OutputHas("    WARNING!  The filespec does not appear to contain any wildcards"));
}

TEST_F(LoopTest, DatasetAndWindowLoopsWithoutTheirSourcesEndAtOnce) {
  desktop.screen = ScreenInfo{};  // no desktop session
  for (const char* kind : {"Start Dataset Loop", "Start Windows Loop"}) {
    LoadRows({{kind}, {"Record", "inside"}, {"NEXT LOOP"}, {"Record", "after"}});
    EXPECT_EQ(Joined(RunRecording()), "after") << kind;
  }
}

TEST_F(LoopTest, TheWindowsLoopWalksTheZOrder) {
  using W = FakeDesktop::Window;
  desktop.SetWindows({W{10, "Editor"}, W{11, "Tooltip", true, false}, W{12, "Hidden", false},
                      W{13, "Mail", true, true, {W{20, "OK"}, W{21, "Cancel"}}}});
  struct Case {
    const char* options;
    const char* value1;
    const char* want;
  } cases[] = {
      {"", "", "Editor Mail"},
      {"Child", "", "Editor Tooltip Hidden Mail"},
      {"handle", "", "10 13"},
      {"", "12", "Mail"},                // starts at the given window
      {"", "99", "Editor Mail"},         // no such window: the top one
      {"Controls,Child", "13", "OK Cancel"},
      {"Controls", "13", ""},            // controls have a parent
  };
  for (const Case& c : cases) {
    LoadRows({{"Start Windows Loop", "", c.options, c.value1, "", "%w"}, {"Record", "%w"}, {"NEXT LOOP"}});
    EXPECT_EQ(Joined(RunRecording()), c.want) << c.options << " " << c.value1;
  }
  LoadRows({{"Start Windows Loop", "", "", "", "", "%w"}, {"NEXT LOOP"}});
  Run();
  EXPECT_EQ(session.currentWindow, 13u);
}

TEST_F(LoopTest, BreakInsideAnIfInsideALoopClosesTheIfAndEndsTheLoop) {
  LoadRows({{"Start 'For' Loop", "5", "", "1", "1", "%i"},  // 1
             {"Record", "%i"},                               // 2
             {"IF Expression", "%i = 2"},                    // 3
             {"Break out of Loop"},                          // 4
             {"END IF"},                                     // 5
             {"NEXT LOOP"},                                  // 6
             {"Record", "after"}});                          // 7
  EXPECT_EQ(Joined(RunRecording()), "1 2 after");
  EXPECT_TRUE(OutputHas("    Leaving (and closing) IF block which was entered at [Step 3]"));
  EXPECT_TRUE(OutputHas("    END OF LOOP from [Step 1], Final Value: 2, Total Loops: 1, Continuing with [Step 7]..."));
  EXPECT_EQ(session.flowState.ifDepth, 0);
}

TEST_F(LoopTest, SeventeenNestedLoopsLoseTheOutermostLevel) {
  std::vector<StepRow> masks;
  for (int i = 0; i < 17; ++i) masks.push_back({"Start 'For' Loop", "1", "", "1", "1"});
  masks.push_back({"Record", "deep"});
  LoadRows(masks);
  Run();
  EXPECT_EQ(session.flowState.loops[0][0].startStep, 17);
  EXPECT_EQ(session.flowState.loops[0][15].startStep, 2);
}

class JumpTest : public FlowTest {};

TEST_F(JumpTest, GotoFindsStepNumbersAndLabelsButNotSkippedLabels) {
  LoadRows({{"GOTO Label", "{STEP 3}"}, {"Record", "skipped"}, {"Record", "three"}, {"GOTO Label", "end"},
             {"Record", "skipped"}, {"Label", "END"}, {"Record", "done"}});
  EXPECT_EQ(Joined(RunRecording()), "three done");
  EXPECT_TRUE(OutputHas("    Jumping to label \"{STEP 3}\" at [Step 3]"));
  EXPECT_TRUE(OutputHas("    Jumping to label \"end\" at [Step 6]"));

  LoadRows({{"GOTO Label", "there"}, {"Label", "there"}});
  StepAt(0).onfail = "Stop Silently";
  StepAt(1).status = status::kSkip;
  Run();
  EXPECT_EQ(StepAt(0).ranFlag, ran::kFailed);
  EXPECT_TRUE(OutputContains("Error:  Label \"there\" not found"));
}

TEST_F(JumpTest, EmptyLabelAndReturnWithoutGosubFail) {
  for (const char* action : {"GOTO Label", "Return from GOSUB"}) {
    clock.Advance(1000);  // past the spacing of failure dialogs
    LoadRows({{action}, {"Record", "after"}});
    StepAt(0).onfail = "Display Error and Stop";
    EXPECT_TRUE(RunRecording().empty());
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_NE(dialogs.shown.back().text.find(*action == 'G' ? "No label name provided" : "No matching GOSUB found"),
              std::string::npos);
  }
}

TEST_F(JumpTest, GosubReturnsToTheStepAfterTheCall) {
  LoadRows({{"Record", "1"}, {"Record", "2"}, {"Record", "3"}, {"Record", "4"}, {"Record", "5"}, {"Record", "6"},
             {"GOSUB Label", "sub"},  // Step 7
             {"Record", "back"},      // Step 8
             {"Exit Run"},
             {"Label", "sub"},
             {"Record", "in sub"},
             {"Return from GOSUB"}});
  EXPECT_EQ(Joined(RunRecording()), "1 2 3 4 5 6 in sub back");
  EXPECT_TRUE(OutputHas("    GOSUB stack depth: 1"));
  EXPECT_TRUE(OutputHas("    Returning from GOSUB to [Step 8]"));
  EXPECT_EQ(session.flowState.gosubDepth, 0);
}

TEST_F(JumpTest, DeepGosubsOverwriteTheDeepestReturnAddress) {
  int calls = 0;
  LoadRows({{"Label", "self"}, {"Record", "x"}, {"GOSUB Label", "self"}});
  OnTestStep([&](int, Step&) { return ++calls > 70 ? result::kStop : result::kSuccess; });
  Run();
  EXPECT_EQ(session.flowState.gosubDepth, 63);
  EXPECT_EQ(session.flowState.gosub[63], 2);
}

TEST_F(JumpTest, GotoOutOfAnIfBlockClosesIt) {
  LoadRows({{"IF Expression", "1"}, {"GOTO Label", "out"}, {"END IF"}, {"Label", "out"}, {"Record", "x"}});
  Run();
  EXPECT_EQ(session.flowState.ifDepth, 0);
  EXPECT_TRUE(OutputHas("    Leaving (and closing) IF block which was entered at [Step 1]"));
}

class RunControlTest : public FlowTest {};

TEST_F(RunControlTest, SetRunRepeatsRunsTheScriptThatManyTimesInAll) {
  struct {
    const char* text;
    int runs;
  } cases[] = {{"3", 3}, {"1", 1}, {"0", 1}};
  for (auto c : cases) {
    LoadRows({{"Set Run Repeats", c.text}, {"Record", "run"}});
    EXPECT_EQ(RunRecording().size(), static_cast<size_t>(c.runs)) << c.text;
  }
  EXPECT_TRUE(OutputHas("    1 Run Repeat(s) remaining"));
  EXPECT_TRUE(OutputHas("    0 Run Repeat(s) remaining"));
}

TEST_F(RunControlTest, SetRunRepeatsMinusOneRepeatsUntilStopped) {
  LoadRows({{"Set Run Repeats", "-1"}, {"Record", "run"}});
  int runs = 0;
  OnTestStep([&](int, Step&) { return ++runs == 5 ? result::kStop : result::kSuccess; });
  Run();
  EXPECT_EQ(runs, 5);
  EXPECT_TRUE(OutputHas("    An eternity of Run Repeats still remaining...."));
}

TEST_F(RunControlTest, ExitRunSetsTheExitCodeAndStops) {
  LoadRows({{"Exit Run", "7"}, {"Record", "never"}});
  EXPECT_TRUE(RunRecording().empty());
  EXPECT_EQ(session.outcome.exitCode, 7);
  EXPECT_EQ(StepAt(0).ranFlag, ran::kSucceeded);
  LoadRows({{"Exit Plumo Studio", "-3"}});
  Run();
  EXPECT_EQ(session.outcome.exitCode, -3);
  EXPECT_FALSE(session.outcome.stopped);
  EXPECT_EQ(StepAt(0).ranFlag, ran::kSucceeded);
}

TEST_F(RunControlTest, NextLoopWithoutStartFailsInsteadOfLoopingForEver) {
  LoadRows({{"Record", "once"}, {"NEXT LOOP"}, {"Record", "after"}});
  EXPECT_EQ(Joined(RunRecording()), "once");
  EXPECT_EQ(StepAt(1).ranFlag, ran::kFailed);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_NE(dialogs.shown[0].text.find("NEXT LOOP without a matching START LOOP"), std::string::npos);
}

TEST_F(RunControlTest, RunClearsTheStacksAndRunFromHereKeepsThem) {
  LoadRows({{"Start 'For' Loop", "3", "", "1", "1"}, {"Record", "x"}});
  Run();
  ASSERT_EQ(session.flowState.loops[0][0].startStep, 1);
  session.flowState.ifDepth = 2;
  session.flowState.gosubDepth = 1;
  Run(runcmd::kRunFromHere, 1);
  EXPECT_EQ(session.flowState.ifDepth, 2);
  EXPECT_EQ(session.flowState.loops[0][0].startStep, 1);
  Run(runcmd::kRunSingleStep, 1);
  EXPECT_EQ(session.flowState.gosubDepth, 1);
  Run(runcmd::kRun, 1);
  EXPECT_EQ(session.flowState.ifDepth, 0);
  EXPECT_EQ(session.flowState.gosubDepth, 0);
  EXPECT_EQ(session.flowState.loops[0][0].startStep, 0);
}

}  // namespace
}  // namespace plumo
