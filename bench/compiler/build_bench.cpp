// The program builder's own work on a large Script with in-memory files and resources: the
// runtime image unpacked, the Script written and packed, packaging. What the system adds
// (resource updates, the fixed pauses) is timed under Wine by bench/compiler/time-compile.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>

#include "compiler/program_builder.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_files.h"
#include "fakes/fake_messages.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_program_resources.h"
#include "scripts/packed.h"

namespace plumo {
namespace {

constexpr const char* kLibrary = "C:\\Plumo\\PlumoRes.DLL";

// Program bytes of realistic shape: this benchmark's own file, "PE" first as a stored image.
std::string ImageBytes() {
  std::ifstream f("/proc/self/exe", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  return std::string("PE\0\0", 4) + bytes + "~BUFFER~7.76";
}

Script LargeScript(int steps) {
  const char* actions[][2] = {{"Set Variable", "=%i*10+LEN(\"%name%\")"}, {"Write to Output", "Step %i of the run"},
                              {"IF Variable", "%x"}, {"END IF", ""}, {"Delay", "10"}, {"Read File", ""}};
  Script script;
  script.path = "C:\\cwd\\large.vxm";
  for (int i = 0; i < steps; ++i) {
    Step s;
    s.action = actions[i % 6][0];
    s.category = 4;
    s.text = actions[i % 6][1];
    if (i % 6 == 5) s.value1 = "C:\\cwd\\data" + std::to_string(i % 40) + ".txt";
    s.comment = "comments are not carried";
    script.steps.push_back(std::move(s));
  }
  return script;
}

void BM_BuildProgram(benchmark::State& state) {
  const std::string packedImage = *Pack(ImageBytes());
  const Script script = LargeScript(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    RecordingMessages messages;
    FakeFiles files;
    FakeClock clock;
    FakeProgramResources resources;
    FakeProcesses processes;
    files.AddFolder("C:\\cwd");
    files.Put(kLibrary, "library");
    for (int i = 0; i < 40; ++i) files.Put("C:\\cwd\\data" + std::to_string(i) + ".txt", std::string(4096, 'd'));
    resources.Put(kLibrary, restype::kRcData, ResourceName::Number(1002), 0x409, packedImage);
    BuildServices services{messages, {}, files, clock, resources, processes, "C:\\cwd", "C:\\Temp", kLibrary};
    BuildRequest request;
    request.output = "large.exe";
    request.packaging = packaging::kDataFiles;
    state.ResumeTiming();
    if (BuildProgram(services, script, request) != 1) state.SkipWithError("build failed");
  }
  state.counters["image_bytes"] = static_cast<double>(ImageBytes().size());
}
BENCHMARK(BM_BuildProgram)->Arg(100)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace plumo
