// A session over fakes for the Files & Folders and Data actions: one Step at a time is run by
// its executor, its result lands in the variable "out", its failure reason in the error text.
// File actions run against the build's own Files port in a scratch folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "engine/fake_variables.h"
#include "engine/session.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_desktop.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_environment.h"
#include "fakes/fake_files.h"
#include "fakes/fake_locale.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_system.h"
#include "platform/loop_main_queue.h"
#include "platform/memory/memory_registry.h"
#include "platform/threads.h"
#include "settings/settings_store.h"

namespace plumo {

struct StepFields {
  std::string text{}, value1{}, value2{}, value3{}, value4{}, options{};
  std::string value5{}, value6{}, value7{};
};

class ActionHarness {
 public:
  explicit ActionHarness(std::unique_ptr<Files> files = std::make_unique<FakeFiles>())
      : files_(std::move(files)),
        session(SessionPorts{clock, environment, queue, dialogs, desktop, processes, system, threads, settings,
                             locale, *files_, registry, clipboard}) {}

  Files& files() { return *files_; }

  // The executor's answer for one Step of the action with these fields.
  int Run(int category, std::string_view action, const StepFields& f) {
    Step step;
    step.action = action;
    step.category = category;
    step.text = f.text;
    step.value1 = f.value1;
    step.value2 = f.value2;
    step.value3 = f.value3;
    step.value4 = f.value4;
    step.value5 = f.value5;
    step.value6 = f.value6;
    step.value7 = f.value7;
    step.options = f.options;
    step.output = "Variable";
    step.outputValue = "%out";
    session.scripts.Close(0);
    Script script;
    script.steps.push_back(step);
    session.scripts.Open(std::move(script));
    session.run.errorText.clear();
    variables.Set("out", "<none>");
    const Executor* executor = session.executors.Find(category, action);
    if (!executor) ADD_FAILURE() << "no executor for " << action;
    return executor ? (*executor)(session, 0, 0, false) : -2;
  }
  std::string Out() { return variables.Get("out"); }
  const std::string& Error() const { return session.run.errorText; }

  FakeClock clock;
  FakeEnvironment environment;
  LoopMainQueue queue;
  FakeDialogs dialogs;
  FakeDesktop desktop;
  FakeProcesses processes;
  FakeSystem system;
  FakeLocale locale;
  MemoryClipboard clipboard;
  StdThreads threads;
  MemoryRegistry registry;

 private:
  std::unique_ptr<Files> files_;

 public:
  SettingsStore settings{registry, environment, *files_};
  Session session;
  FakeVariables& variables = session.AttachVariables(std::make_unique<FakeVariables>(session.scripts));
};

// A scratch folder of the test's own, removed again; path() ends with the separator.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : test)
      if (c == '/') c = '_';
    root_ = std::filesystem::temp_directory_path() / ("plumo_actions_" + test);
    Remove(root_);
    std::filesystem::create_directories(root_);
  }
  ~ScratchFolder() { Remove(root_); }
  std::string path() const { return (root_ / "").string(); }

 private:
  // Windows refuses to delete read-only files, which tests leave behind on purpose.
  static void Remove(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    std::error_code ec, each;
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, each);
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
      if (!it->is_symlink(each)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, each);
    fs::remove_all(root, ec);
  }

  std::filesystem::path root_;
};

}  // namespace plumo
