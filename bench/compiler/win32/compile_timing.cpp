// Times the phases of building a Windows program from a Script against a runtime library:
//
//   compile_timing SCRIPT RUNTIME_LIBRARY OUTPUT_FOLDER [REPEATS]
//
// Prints, in milliseconds (median of REPEATS): unpacking the runtime image and writing it,
// writing and packing the Script, writing the resources (Script and version), and the whole
// BuildProgram with its fixed pauses counted but not slept, so "rest" is the build's own time.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "base/message_sink.h"
#include "compiler/program_builder.h"
#include "compiler/program_image.h"
#include "compiler/version_info.h"
#include "compiler/win32/win32_program_resources.h"
#include "platform/native_port.h"
#include "platform/win32/win32_resources.h"
#include "scripts/packed.h"
#include "scripts/pe_resources.h"
#include "scripts/script_file.h"
#include "settings/settings_store.h"

namespace plumo {
namespace {

// Counts the pauses a build asks for instead of sleeping them.
class PauseCounter : public Clock {
 public:
  explicit PauseCounter(Clock& real) : real_(real) {}
  uint32_t TickCount() override { return real_.TickCount(); }
  void Sleep(uint32_t ms) override { paused += ms; }
  SystemTime LocalTime() override { return real_.LocalTime(); }
  SystemTime UtcTime() override { return real_.UtcTime(); }
  uint64_t paused = 0;

 private:
  Clock& real_;
};

double Now() {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

int Main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: compile_timing SCRIPT RUNTIME_LIBRARY OUTPUT_FOLDER [REPEATS]\n");
    return 2;
  }
  const std::string scriptPath = argv[1], library = argv[2], folder = std::string(argv[3]) + "\\";
  const int repeats = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;
  NativePort port;
  SettingsStore store(port.registry(), port.environment(), port.files());
  Win32Resources resources;
  ActionCatalogs catalogs(resources);
  ConsoleMessages messages(std::cerr);
  ScriptFileServices io{port.files(), messages, store, catalogs};
  Script script;
  if (!ReadScriptFile(io, scriptPath, script)) return 1;
  Win32ProgramResources programResources(port.clock());
  const std::string output = folder + "timing.exe";

  std::vector<double> unpack, pack, write, build, rest;
  uint64_t imageBytes = 0, scriptBytes = 0, paused = 0;
  for (int i = 0; i < repeats; ++i) {
    double t0 = Now();
    auto packed = programResources.Find(library, restype::kRcData, ResourceName::Number(1002));
    auto image = packed ? Unpack(packed->bytes) : std::nullopt;
    bool created = false;
    if (!image || !PutDosHeader(*image) || !port.files().ReplaceContent(output, *image, &created).ok()) {
      std::fprintf(stderr, "no usable runtime image 1002 in %s\n", library.c_str());
      return 1;
    }
    imageBytes = image->size();
    double t1 = Now();
    const std::string text = CompiledScriptText(script);
    const auto block = Pack(text);
    scriptBytes = text.size();
    double t2 = Now();
    auto version = programResources.Find(output, restype::kVersion, ResourceName::Number(1));
    uint16_t language = 0;
    if (!block || !version || !PatchVersionInfo(version->bytes, {{2, 5, 1, 0}, "(c) timing", ""}, &language)) return 1;
    const OsError e = programResources.Update(
        output, {{restype::kRcData, ResourceName::Number(kCompiledScriptResource), reslang::kNeutral, *block},
                 {restype::kVersion, ResourceName::Number(1), language, version->bytes}});
    if (!e.ok()) {
      std::fprintf(stderr, "%s\n", e.ToString().c_str());
      return 1;
    }
    double t3 = Now();
    unpack.push_back(t1 - t0);
    pack.push_back(t2 - t1);
    write.push_back(t3 - t2);

    PauseCounter clock(port.clock());
    BuildServices services{messages, {}, port.files(), clock, programResources, port.processes(), folder,
                           port.environment().TempFolder(), library};
    BuildRequest request;
    request.output = folder + "built.exe";
    request.version = "2.5.1";
    request.quiet = true;
    double t4 = Now();
    if (BuildProgram(services, script, request) != 1) return 1;
    double t5 = Now();
    build.push_back(t5 - t4 + static_cast<double>(clock.paused));
    rest.push_back(t5 - t4);
    paused = clock.paused;
  }
  std::printf("script %s: %zu Steps, %llu bytes of Script text; runtime image %llu bytes\n", scriptPath.c_str(),
              script.steps.size(), static_cast<unsigned long long>(scriptBytes),
              static_cast<unsigned long long>(imageBytes));
  std::printf("median of %d (ms):\n", repeats);
  std::printf("  unpack runtime image and write it   %8.1f\n", Median(unpack));
  std::printf("  write and pack the Script           %8.1f\n", Median(pack));
  std::printf("  write resources (Script, version)   %8.1f\n", Median(write));
  std::printf("  whole build with its pauses         %8.1f\n", Median(build));
  std::printf("    fixed pauses                      %8llu\n", static_cast<unsigned long long>(paused));
  std::printf("    the rest                          %8.1f\n", Median(rest));
  return 0;
}

}  // namespace
}  // namespace plumo

int main(int argc, char** argv) { return plumo::Main(argc, argv); }
