#include "engine/run_log.h"
#include "vars/text_format.h"

#include "engine_harness.h"

namespace plumo {
namespace {

TEST(DurationText, FollowsTheRangesOfTheSummary) {
  struct Case {
    uint32_t ms;
    const char* text;
  } cases[] = {
      {0, "less than 1 second"},   {999, "less than 1 second"}, {1000, "1 second"},
      {2500, "2 seconds"},         {61000, "1:01"},             {3599000, "59:59"},
      {3600000, "1:00:00"},        {86400000, "24:00:00"},      {90000000, "1 Day + 1:00:00"},
      {2u * 86400000u + 61000, "2 Days + 0:01:01"},
  };
  for (const auto& c : cases) EXPECT_EQ(DurationText(c.ms), c.text) << c.ms;
}

using LogLineTest = EngineTest;

TEST_F(LogLineTest, DuplicateLinesAreDroppedButBlankLinesAreNot) {
  session.run.logLevel = 1;
  view.OutputAppend("first");
  LogLine(session, "same");
  LogLine(session, "same");
  LogLine(session, " ");
  LogLine(session, " ");
  EXPECT_EQ(Output(), (std::vector<std::string>{"first", "same", " ", " "}));
  EXPECT_EQ(LogFile(), "same\r\n \r\n \r\n");
}

TEST_F(LogLineTest, BothThreadsWriteWholeLinesThroughOneLog) {
  // The run thread logs its Steps while the main thread logs a stop request (ThreadSanitizer
  // watches the log's memory in this test).
  session.run.logLevel = 1;
  constexpr int kLines = 300;
  std::thread run([&] {
    for (int i = 0; i < kLines; ++i) LogLine(session, "run " + std::to_string(i));
  });
  for (int i = 0; i < kLines; ++i) {
    LogLine(session, "main " + std::to_string(i));
    StatusText(session, 1, false, "status");
  }
  run.join();
  const std::string file = LogFile();
  size_t lines = 0;
  for (size_t at = 0, end; (end = file.find("\r\n", at)) != std::string::npos; at = end + 2, ++lines) {
    const std::string line = file.substr(at, end - at);
    EXPECT_TRUE(line.rfind("run ", 0) == 0 || line.rfind("main ", 0) == 0) << line;
  }
  EXPECT_EQ(lines, 2u * kLines);
  EXPECT_EQ(Output().size(), 2u * kLines);
}

TEST_F(LogLineTest, BlankLineIsNeverTheFirstOutputEntry) {
  LogLine(session, " ");
  LogLine(session, "x");
  EXPECT_EQ(Output(), (std::vector<std::string>{"x"}));
}

TEST_F(LogLineTest, LineFeedsSplitOutputAndBecomeCrLfInTheFile) {
  session.run.logLevel = 1;
  LogLine(session, "a\nb\r\nc");
  EXPECT_EQ(Output(), (std::vector<std::string>{"a", "b ", "c"}));
  EXPECT_EQ(LogFile(), "a\r\nb\r\nc\r\n");
}

TEST_F(LogLineTest, StandInBytesAndTabsAreReplaced) {
  LogLine(session, "50\xB0 \x02quoted\x02\tend");
  EXPECT_EQ(Output(), (std::vector<std::string>{"50% \"quoted\" end"}));
}

TEST_F(LogLineTest, FormatsOnlyShortFormats) {
  LogFormat(session, "[STEP %d]", 3);
  std::string longFormat(1000, 'x');
  longFormat += "%d";
  LogFormat(session, "%s", longFormat.c_str());  // formatted: the format itself is short
  EXPECT_EQ(Output()[0], "[STEP 3]");
  EXPECT_EQ(Output()[1].size(), kLogLineMax);
}

TEST_F(LogLineTest, NothingAnywhereWhenPaletteHiddenAndLoggingOff) {
  view.outputVisible = false;
  session.run.alwaysOutput = 0;
  session.run.logLevel = 0;
  LogLine(session, "quiet");
  EXPECT_TRUE(Output().empty());
  EXPECT_EQ(LogFile(), "");
  session.run.alwaysOutput = 1;
  LogLine(session, "heard");
  EXPECT_EQ(Output(), (std::vector<std::string>{"heard"}));
  EXPECT_EQ(LogFile(), "");
}

TEST_F(LogLineTest, FileOnlyWithoutPalette) {
  view.outputExists = false;
  session.run.logLevel = 1;
  LogLine(session, "to file");
  EXPECT_TRUE(Output().empty());
  EXPECT_EQ(LogFile(), "to file\r\n");
}

TEST_F(LogLineTest, LogFilePathFallsBackToTheProgramsName) {
  settings.Delete("*\\Logfile");
  EXPECT_EQ(LogFilePath(session), "C:\\Program Files\\Plumo\\PlumoLog.txt");
}

TEST_F(LogLineTest, StatusTextThrottlesUnforcedTextsPerPart) {
  StatusText(session, 0, false, "one");
  StatusText(session, 0, false, "dropped");
  StatusText(session, 1, false, "other part");
  StatusText(session, 0, true, "forced");
  clock.Advance(100);
  StatusText(session, 0, false, "later");
  StatusText(session, 0, true, std::string(240, 'x'));
  StatusText(session, 0, true, "");
  EXPECT_EQ(view.Status(), (std::vector<std::string>{"0:one", "1:other part", "0:forced", "0:later"}));
}

TEST_F(LogLineTest, StepLineFormsByLogLevel) {
  Step ifStep = MakeStep("IF Expression", 14, "1 > 0");
  ifStep.options = "IF NOT,Quick";
  Step plain = MakeStep("Type", 4);
  plain.value1 = "from value1";
  plain.options = "Slow";
  Step percent = MakeStep("Comment", 16, "50% done\tnow\r\n");
  Load({ifStep, plain, percent});
  session.run.logLevel = 1;
  StepBegin(session, 0, 0);
  StepBegin(session, 0, 1);
  StepBegin(session, 0, 2);
  session.run.logLevel = 2;
  StepBegin(session, 0, 1);
  auto out = Output();
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[0], "[STEP 1]: IF Expression NOT (checkpoint) \"1 > 0\"");
  EXPECT_EQ(out[1], "[STEP 2]: Type \"from value1\"");
  EXPECT_EQ(out[2], "[STEP 3]: Comment \"50% done now \"");
  EXPECT_EQ(out[3], "[STEP 2] (10:30:15.0250):  Type  \"from value1\", Options: Slow");
}

TEST_F(LogLineTest, StepLineStaysWithin229Characters) {
  Load({MakeStep("Comment", 16, std::string(500, 'a'))});
  session.run.logLevel = 1;
  StepBegin(session, 0, 0);
  ASSERT_EQ(Output().size(), 1u);
  EXPECT_EQ(Output()[0].size(), 229u);
  EXPECT_EQ(Output()[0].back(), '"');
}

TEST_F(LogLineTest, StepBeginResetsTheStepsClockAndTracksWithThrottle) {
  Load({MakeStep("Type", 4, "abc"), MakeStep("Delay", 7)}, "/home/u/greet.vxm");
  view.trackingOpen = true;
  session.run.errorText = "old";
  StepAt(0).runCount = 5;
  StepBegin(session, 0, 0);
  EXPECT_EQ(StepAt(0).runCount, 0);
  EXPECT_EQ(session.run.errorText, "");
  EXPECT_EQ(session.run.stepStartTime, clock.TickCount());
  StepBegin(session, 0, 0);  // within 101 ms: dropped
  StepBegin(session, 0, 1);  // a Wait outside loops always shows
  auto tracking = view.Tracking();
  ASSERT_EQ(tracking.size(), 2u);
  EXPECT_EQ(tracking[0], "Step 1 : \"greet.vxm\"\n\x95 Type \"abc\"");
  EXPECT_EQ(tracking[1], "Step 2 : \"greet.vxm\"\n\x95 Delay");
}

TEST_F(LogLineTest, SummaryCountsStepsWithPlural) {
  Load({MakeStep("Comment", 16)});
  for (int steps : {1, 2}) {
    session.run.stepsRun = steps;
    session.run.runStartTime = clock.TickCount();
    clock.Advance(1500);
    std::string done = WriteRunSummary(session, 0, 5);
    EXPECT_EQ(done, " Run Completed on [STEP 1] at 10:30:15   ELAPSED TIME: 1 second   STEPS RUN: " +
                        std::to_string(steps) + (steps == 1 ? " step" : " steps"));
  }
}

}  // namespace
}  // namespace plumo
