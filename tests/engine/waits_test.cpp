#include "engine/waits.h"

#include <chrono>

#include "flow_test_support.h"

namespace plumo {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

class WaitTest : public FlowTest {
 protected:
  // The wait Step first, then a Record Step that tells whether the run went on.
  void LoadWait(const std::string& action, const std::string& text, const std::string& options,
                const std::string& timeout) {
    LoadRows({{action, text, options}, {"Record", "after"}});
    StepAt(0).timeout = timeout;
    StepAt(0).onfail = "Stop Silently";
  }
  // On the main thread after ms of real time.
  void At(uint32_t id, uint32_t ms, std::function<void()> fn) {
    queue.SetTimer(id, ms, [this, id, fn] {
      queue.KillTimer(id);
      fn();
    });
  }
  long RealMs(std::function<void()> fn) {
    auto start = steady_clock::now();
    fn();
    return static_cast<long>(std::chrono::duration_cast<milliseconds>(steady_clock::now() - start).count());
  }
  // The run's own time-out check follows the fake clock: move it past any time-out.
  void EndTimeoutsAfter(uint32_t ms) { At(901, ms, [this] { clock.Advance(3600000); }); }
};

TEST_F(WaitTest, DelayWaitsItsTimeAndStopsWithinASlice) {
  LoadWait("Delay", "", "", "2.5");
  const uint32_t before = clock.TickCount();
  EXPECT_EQ(Joined(RunRecording()), "after");
  EXPECT_EQ(clock.TickCount() - before, 2500u);
  EXPECT_TRUE(OutputHas("    Duration: 2.5 second(s)"));

  LoadWait("Delay", "", "", "0");
  const uint32_t zero = clock.TickCount();
  EXPECT_EQ(Joined(RunRecording()), "after");
  EXPECT_EQ(clock.TickCount(), zero);

  desktop.keysDown.insert(vk::kPause);  // the stop key
  LoadWait("Delay", "", "", "2.5");
  const uint32_t stopped = clock.TickCount();
  EXPECT_TRUE(RunRecording().empty());
  EXPECT_EQ(clock.TickCount() - stopped, kDelaySliceMs);
  EXPECT_TRUE(OutputHas("Stopping run at [STEP 1]"));
}

TEST_F(WaitTest, FreezeCannotBeInterrupted) {
  desktop.keysDown.insert(vk::kPause);
  LoadWait("Freeze", "", "", "2.5");
  const uint32_t before = clock.TickCount();
  Run();
  EXPECT_EQ(clock.TickCount() - before, 2500u);
}

TEST_F(WaitTest, WaitForFileEndsWhenTheFileAppears) {
  LoadWait("Wait for File", "C:\\out\\done.txt", "Exist", "10");
  // Counted from the Step's start, between the first poll (1 s) and the second (4 s).
  session.executors.Register(kWaitCategory, [&](Session& s, int slot, int index, bool main) {
    At(900, 2000, [this] { files.Put("C:\\out\\done.txt", "x"); });
    return WaitExecutor(s, slot, index, main);
  });
  std::vector<std::string> seen;
  long ms = RealMs([&] { seen = RunRecording(); });
  EXPECT_EQ(Joined(seen), "after");
  EXPECT_GE(ms, 3900);
  EXPECT_EQ(StepAt(0).ranFlag, ran::kSucceeded);
  EXPECT_EQ(StepAt(0).runCount, 2);
}

TEST_F(WaitTest, WaitForFileNotExistAndChange) {
  files.Put("C:\\out\\a.txt", "one");
  LoadWait("Wait for File", "C:\\out\\a.txt", "Not Exist", "1");
  At(900, 200, [this] { files.Put("C:\\out\\other.txt", ""); });
  EndTimeoutsAfter(500);
  EXPECT_TRUE(RunRecording().empty());  // a.txt still exists: time-out

  LoadWait("Wait for File", "C:\\out\\a.txt", "", "10");
  At(900, 200, [this] { files.Put("C:\\out\\a.txt", "two"); });  // same size, other content
  EXPECT_EQ(Joined(RunRecording()), "after");
}

TEST_F(WaitTest, TimeOutEndsTheWaitAsAFailure) {
  LoadWait("Wait for File", "C:\\never", "Exist", "0.3");
  EndTimeoutsAfter(200);
  long ms = RealMs([&] { EXPECT_TRUE(RunRecording().empty()); });
  EXPECT_LT(ms, 900);  // the time-out timer, not the poll
  EXPECT_EQ(StepAt(0).ranFlag, ran::kFailed);
}

TEST_F(WaitTest, AStopRequestEndsAWaitWithoutTimeOutAtOnce) {
  LoadWait("Wait for File", "C:\\never", "Exist", "0");
  At(900, 300, [this] { StopRun(session, false); });
  long ms = RealMs([&] { EXPECT_TRUE(RunRecording().empty()); });
  EXPECT_LT(ms, 900);
  EXPECT_TRUE(OutputHas("Stopping run at [STEP 1]"));
  EXPECT_EQ(session.waits.slot, -1);
}

TEST_F(WaitTest, WaitForFolderSeesAChangeThroughItsHelper) {
  files.AddFolder("C:\\watched");
  LoadWait("Wait for Folder", "C:\\watched", "", "10");
  At(900, 200, [this] { files.ChangeFolder(); });
  long ms = RealMs([&] { EXPECT_EQ(Joined(RunRecording()), "after"); });
  EXPECT_LT(ms, 900);
  EXPECT_EQ(files.watchesMade, 1);
  EXPECT_FALSE(session.waits.helper);

  LoadWait("Wait for Folder", "C:\\missing", "", "10");
  EndTimeoutsAfter(100);
  EXPECT_TRUE(RunRecording().empty());
  EXPECT_TRUE(OutputContains("cannot be watched"));

  LoadWait("Wait for Folder", "C:\\watched", "Exist", "10");
  EXPECT_EQ(Joined(RunRecording()), "after");
}

TEST_F(WaitTest, WaitForDateTimeLogsTheRemainingTimeAndTheFinalComparison) {
  // The fake clock reads 2026-12-07 10:30:15.
  LoadWait("Wait for Date/Time", "2026-12-07 10:30:00", "", "10");
  EXPECT_EQ(Joined(RunRecording()), "after");
  EXPECT_TRUE(OutputHas("    \"2026-12-07 10:30:00\" Done!  Final Comparison: 2026-12-07 10:30:15 --> 2026-12-07 10:30:00"));

  LoadWait("Wait for Date/Time", "10:31:15", "restart", "1.5");
  session.startMode = kStartModeHidden;
  At(900, 1200, [this] { EXPECT_GT(settings.Probe(std::string("HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\test.vxm")), 0u); });
  EndTimeoutsAfter(1300);
  EXPECT_TRUE(RunRecording().empty());
  EXPECT_TRUE(OutputHas("    \"10:31:15\" Duration Remaining: 1:00"));
  EXPECT_EQ(settings.Probe(std::string("HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\test.vxm")), 0u);

  LoadWait("Wait for Date/Time", "soon", "", "");
  StepAt(0).onfail = "Display Error and Stop";
  EXPECT_TRUE(RunRecording().empty());
  ASSERT_FALSE(dialogs.shown.empty());
  EXPECT_NE(dialogs.shown.back().text.find("No date or time in \"soon\""), std::string::npos);
}

TEST_F(WaitTest, WaitForRestartWritesItsEntryOnceAndRemovesIt) {
  const std::string entry = "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\test.vxm";
  session.startMode = kStartModeHidden;  // started by hand, not by the entry
  LoadWait("Wait for Restart", "", "Temp", "");
  EXPECT_TRUE(RunRecording().empty());
  EXPECT_EQ(settings.ReadText(entry, 1024),
            "\"C:\\Program Files\\Plumo\\Plumo.exe\" -r \"C:\\Scripts\\test.vxm\" -s 1");
  EXPECT_TRUE(OutputHas("    Successfully saved restart configuration"));

  settings.WriteText(entry, "kept");
  EXPECT_TRUE(RunRecording().empty());  // found again from the studio: ends without rewriting
  EXPECT_EQ(settings.ReadText(entry, 1024), "kept");

  session.startMode = kStartModeHidden | kStartModeRunAtStart;  // started by the entry
  EXPECT_EQ(Joined(RunRecording()), "after");
  EXPECT_EQ(settings.Probe(entry), 0u);

  settings.WriteText(entry, "x");
  LoadWait("Wait for Restart", "", "Remove", "");
  EXPECT_EQ(Joined(RunRecording()), "after");
  EXPECT_EQ(settings.Probe(entry), 0u);
  EXPECT_TRUE(OutputHas("    Successfully removed restart entry for \"test.vxm\""));
}

TEST_F(WaitTest, AFamilysWaitIsPolledOnTheMainThreadBeforeTheEnginesOwn) {
  // "Wait for Window" as a desktop family would add it: met on the third look, or failing
  // with a reason when the test says so.
  std::vector<std::thread::id> pollThreads;
  std::string failWith;
  int starts = 0, ends = 0;
  session.waitConditions.Register("Window", WaitCondition{
      .start = [&](Session&, int, int) { return ++starts, WaitAnswer::NotYet(); },
      .poll = [&](Session&, int, int) {
        pollThreads.push_back(std::this_thread::get_id());
        if (!failWith.empty()) return WaitAnswer::Failed(failWith);
        return pollThreads.size() == 3 ? WaitAnswer::Met() : WaitAnswer::NotYet(10);
      },
      .end = [&](Session&, int, int) { ++ends; },
      .firstPollMs = 10,
      .periodMs = 3000});
  uint32_t priorityDuringPoll = 0;
  LoadWait("Wait for Window", "Editor", "", "10");
  EXPECT_EQ(Joined(RunRecording()), "after");
  ASSERT_EQ(pollThreads.size(), 3u);
  for (auto id : pollThreads) EXPECT_EQ(id, std::this_thread::get_id());
  EXPECT_EQ(StepAt(0).runCount, 3);
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(ends, 1);

  // A failed look fails the Step with its reason; a stop and the time-out end it as the
  // engine's own waits end.
  failWith = "no window \"Editor\"";
  StepAt(0).onfail = "Display Error and Stop";
  StepAt(0).timeout = "0";  // no retries
  EXPECT_TRUE(RunRecording().empty());
  ASSERT_FALSE(dialogs.shown.empty());
  EXPECT_NE(dialogs.shown.back().text.find("Error:  no window \"Editor\""), std::string::npos);
  EXPECT_EQ(ends, 2);

  failWith.clear();
  pollThreads.clear();
  session.waitConditions.Register("Pixel", WaitCondition{.poll = [&](Session&, int, int) {
    priorityDuringPoll = processes.cls;
    return WaitAnswer::NotYet();
  }});
  LoadWait("Wait for Pixel", "", "", "0");
  At(900, 1300, [this] { StopRun(session, false); });
  long ms = RealMs([&] { EXPECT_TRUE(RunRecording().empty()); });
  EXPECT_LT(ms, 2000);
  EXPECT_EQ(priorityDuringPoll, priority::kIdle);
  EXPECT_TRUE(OutputHas("Stopping run at [STEP 1]"));
}

TEST_F(WaitTest, DesktopWaitsSayWhatTheyNeed) {
  for (const char* action : {"Wait for Keypress", "Wait for Window", "Wait for Pixel", "Wait for Idle", "Wait for Image"}) {
    clock.Advance(1000);
    LoadWait(action, "", "", "");
    StepAt(0).onfail = "Display Error and Stop";
    EXPECT_TRUE(RunRecording().empty());
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_NE(dialogs.shown.back().text.find("needs the desktop actions"), std::string::npos) << action;
  }
}

}  // namespace
}  // namespace plumo
