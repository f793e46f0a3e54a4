// Run program with its wait against posix_spawn + waitpid of the same trivial program, and DLL
// calls through the executor's locating and calling (strlen of the C library, the Linux
// counterpart of lstrlen). bench/actions/win32/program_timing.cpp times both on Windows.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include "actions/programs/dll_call.h"
#include "actions/programs/run_program.h"
#include "engine/session.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_desktop.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_environment.h"
#include "fakes/fake_files.h"
#include "fakes/fake_locale.h"
#include "fakes/fake_system.h"
#include "platform/loop_main_queue.h"
#include "platform/memory/memory_registry.h"
#include "platform/posix/posix_libraries.h"
#include "platform/posix/posix_processes.h"
#include "platform/threads.h"

extern char** environ;

namespace plumo {
namespace {

struct Bench {
  FakeClock clock;
  FakeEnvironment environment;
  LoopMainQueue queue;
  FakeDialogs dialogs;
  FakeDesktop desktop;
  PosixProcesses processes;
  FakeSystem system;
  FakeLocale locale;
  FakeFiles files;
  MemoryClipboard clipboard;
  StdThreads threads;
  MemoryRegistry registry;
  SettingsStore settings{registry, environment, files};
  Session session{SessionPorts{clock, environment, queue, dialogs, desktop, processes, system, threads, settings, locale,
                               files, registry, clipboard}};
};

void BM_SpawnAndWaitpid(benchmark::State& state) {
  const char* argv[] = {"/bin/true", nullptr};
  for (auto _ : state) {
    pid_t pid = 0;
    posix_spawn(&pid, "/bin/true", nullptr, nullptr, const_cast<char**>(argv), environ);
    int status = 0;
    waitpid(pid, &status, 0);
  }
}
BENCHMARK(BM_SpawnAndWaitpid)->Unit(benchmark::kMicrosecond);

void BM_RunProgramWithWait(benchmark::State& state) {
  Bench b;
  for (auto _ : state) {
    const int code = RunProgram(b.session, RunRequest{"/bin/true", false, -1, false});
    if (code != 0) state.SkipWithError("not started");
  }
}
BENCHMARK(BM_RunProgramWithWait)->Unit(benchmark::kMicrosecond);

void BM_DllCallStrlen(benchmark::State& state) {
  Bench b;
  PosixLibraries libraries;
  DllArgumentHost host;
  host.variable = host.expand = host.evaluate = host.constant = [](std::string_view t) { return std::string(t); };
  DllCallCache cache;
  for (auto _ : state) {
    const DllCallOutcome out = CallDllFunction(b.session, libraries, "", ParseDllCall("strlen( \"abc\" )", host), &cache);
    if (out.value != 3) state.SkipWithError("wrong answer");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DllCallStrlen);

}  // namespace
}  // namespace plumo
