// A session over fakes, a view that records what the studio's windows would show, and a
// helper that runs a Script to its end on a real run thread.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/run_controller.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_desktop.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_system.h"
#include "fakes/fake_environment.h"
#include "fakes/fake_files.h"
#include "fakes/fake_locale.h"
#include "platform/memory/memory_registry.h"
#include "settings/settings_store.h"
#include "platform/loop_main_queue.h"
#include "platform/threads.h"

namespace plumo {

class RecordingView : public RunView {
 public:
  explicit RecordingView(MainQueue& queue) : queue_(queue) {}

  bool OutputExists() override { return outputExists; }
  bool OutputVisible() override { return outputVisible; }
  bool OutputEmpty() override { return Output().empty(); }
  void OutputAppend(const std::string& entry) override {
    std::lock_guard<std::mutex> lock(mu_);
    output_.push_back(entry);
  }
  void OutputClear() override {
    std::lock_guard<std::mutex> lock(mu_);
    output_.clear();
  }
  bool StatusBarVisible() override { return true; }
  void StatusText(int part, const std::string& text) override {
    std::lock_guard<std::mutex> lock(mu_);
    status_.push_back(std::to_string(part) + ":" + text);
  }
  bool TrackingExists() override { return trackingOpen; }
  void TrackingOpen() override { trackingOpen = true; }
  void TrackingClose() override { trackingOpen = false; }
  void TrackingText(const std::string& text) override {
    std::lock_guard<std::mutex> lock(mu_);
    tracking_.push_back(text);
  }
  int CurrentTab() override { return 0; }
  bool StepListExists() override { return true; }
  bool StepListVisible() override { return true; }
  int SelectedStep() override { return selected; }
  void SelectStep(int index) override {
    selected = index;
    std::lock_guard<std::mutex> lock(mu_);
    selections_.push_back(index);
  }
  void ClearSelection() override { selected = -1; }
  void RunEnded() override { ++runsEnded; }
  void CloseMainWindow() override { queue_.Quit(0); }
  void SendCommand(int command, int code) override { commands.push_back(command * 10000 + code); }
  uint32_t MainWindowHandle() override { return mainWindow; }
  void RequestClose() override { ++closeRequests; }

  std::vector<std::string> Output() {
    std::lock_guard<std::mutex> lock(mu_);
    return output_;
  }
  std::vector<std::string> Status() {
    std::lock_guard<std::mutex> lock(mu_);
    return status_;
  }
  std::vector<std::string> Tracking() {
    std::lock_guard<std::mutex> lock(mu_);
    return tracking_;
  }

  bool outputExists = true;
  bool outputVisible = true;
  std::atomic<bool> trackingOpen{false};
  std::atomic<int> selected{-1};
  std::atomic<int> runsEnded{0};
  std::vector<int> commands;
  uint32_t mainWindow = 0;
  std::atomic<int> closeRequests{0};

 private:
  MainQueue& queue_;
  std::mutex mu_;
  std::vector<std::string> output_, status_, tracking_;
  std::vector<int> selections_;
};

inline Step MakeStep(std::string_view action, int category, std::string_view text = "") {
  Step s;
  s.action = action;
  s.category = category;
  s.text = std::string(text);
  return s;
}

// Categories the tests give executors of their own.
constexpr int kTestCategory = 3;
constexpr int kWaitCategory = 7;

class EngineTest : public ::testing::Test {
 protected:
  EngineTest()
      : view(queue), session(SessionPorts{clock, environment, queue, dialogs, desktop, processes, system, threads, settings, locale,
                             files, registry, clipboard}) {
    session.SetView(&view);
    session.startMode = 7;  // hidden: the end of the run ends the loop below
    // The log goes to the fake files; the name also serves tests that need a real scratch file.
    logPath = ::testing::TempDir() + "plumo_engine_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
    settings.WriteText("*\\Logfile", logPath);
    files.AddFolder(logPath.substr(0, logPath.find_last_of("\\/")));  // appends need their folder
  }

  Script& Load(std::vector<Step> steps, std::string path = "C:\\Scripts\\test.vxm") {
    session.scripts.Close(0);
    Script script;
    script.steps = std::move(steps);
    script.path = path;
    session.scripts.Open(std::move(script));
    return *session.scripts.At(0);
  }
  Step& StepAt(int index) { return session.scripts.At(0)->steps[static_cast<size_t>(index)]; }

  // The executor of kTestCategory answers from this function.
  void OnTestStep(std::function<int(int index, Step& step)> fn) {
    session.executors.Register(kTestCategory, [this, fn](Session&, int, int index, bool) { return fn(index, StepAt(index)); });
  }

  // Runs to the end of the run (and of its repetitions); false when no run started.
  bool Run(int command = runcmd::kRun, int startStep = 0) {
    bool started = false;
    queue.Post([&] {
      started = StartRun(session, 0, command, true, startStep, 0);
      if (!started) queue.Quit(0);
    });
    queue.Run();
    return started;
  }

  std::vector<std::string> Output() { return view.Output(); }
  bool OutputHas(std::string_view line) {
    for (const auto& l : view.Output())
      if (l == line) return true;
    return false;
  }
  std::string LogFile() { return files.Has(logPath) ? files.Content(logPath) : ""; }

  FakeClock clock;
  FakeEnvironment environment;
  LoopMainQueue queue;
  FakeDialogs dialogs;
  FakeDesktop desktop;
  FakeProcesses processes;
  FakeSystem system;
  FakeLocale locale;
  FakeFiles files;
  MemoryClipboard clipboard;
  StdThreads threads;
  MemoryRegistry registry;
  SettingsStore settings{registry, environment, files};
  RecordingView view;
  Session session;
  std::string logPath;
};

}  // namespace plumo
