#include <atomic>
#include <thread>
#include <vector>

#include "platform/loop_main_queue.h"
#include "platform/port_conformance.h"

namespace plumo {
namespace {

// Each test builds its queue on the test's thread, which then runs the loop as main thread.

TEST_P(MainQueueConformance, WorkerCallsRunOnTheMainThreadAndReturnTheirResult) {
  auto queue = GetParam().make();
  const auto mainId = std::this_thread::get_id();
  std::vector<int> results;
  std::atomic<bool> allOnMain{true};
  std::thread worker([&] {
    for (int i = 0; i < 20; ++i) {
      results.push_back(queue->Call([&, i] {
        if (std::this_thread::get_id() != mainId) allOnMain = false;
        return i * i;
      }));
    }
    queue->Quit(7);
  });
  EXPECT_EQ(queue->Run(), 7);
  worker.join();
  ASSERT_EQ(results.size(), 20u);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(results[i], i * i);
  EXPECT_TRUE(allOnMain);
}

TEST_P(MainQueueConformance, CallOnTheMainThreadRunsAtOnce) {
  auto queue = GetParam().make();
  EXPECT_EQ(queue->Call([] { return 42; }), 42);
}

TEST_P(MainQueueConformance, PostedWorkRunsInOrder) {
  auto queue = GetParam().make();
  std::vector<int> order;
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i) queue->Post([&order, i] { order.push_back(i); });
    queue->Post([&] { queue->Quit(0); });
  });
  queue->Run();
  worker.join();
  ASSERT_EQ(order.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(order[i], i);
}

TEST_P(MainQueueConformance, TimersRepeatUntilKilled) {
  auto queue = GetParam().make();
  int fast = 0, slow = 0;
  queue->SetTimer(32873, 10, [&] {
    if (++fast == 3) queue->KillTimer(32873);
  });
  queue->SetTimer(32875, 15, [&] {
    // Fires on after the other timer was killed; quit once it has had time to misfire.
    if (++slow == 6) queue->Quit(0);
  });
  queue->Run();
  EXPECT_EQ(fast, 3);
  EXPECT_EQ(slow, 6);
}

TEST_P(MainQueueConformance, SettingATimerAgainReplacesIt) {
  auto queue = GetParam().make();
  int first = 0, second = 0;
  queue->SetTimer(1, 10, [&] { ++first; });
  queue->SetTimer(1, 10, [&] {
    if (++second == 2) queue->Quit(0);
  });
  queue->Run();
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 2);
}

INSTANTIATE_TEST_SUITE_P(Loop, MainQueueConformance,
                         testing::Values(PortFactory<MainQueue>{
                             "Loop", [] { return std::make_unique<LoopMainQueue>(); }}),
                         PortName<MainQueue>);

}  // namespace
}  // namespace plumo
