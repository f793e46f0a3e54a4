// Variables over fakes: an in-memory registry, the fake ports (clock on Monday 7 December 2026
// 10:30:15.250), a run that records its log lines and a palette that records its rows.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/fake_desktop.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_environment.h"
#include "fakes/fake_files.h"
#include "fakes/fake_locale.h"
#include "fakes/fake_system.h"
#include "platform/clipboard.h"
#include "platform/memory/memory_registry.h"
#include "vars/expansion.h"
#include "vars/store_output.h"

namespace plumo {

class FakeRun : public VariableHost, public LoopCounters, public RunLogSink, public VariablesPalette {
 public:
  int LogLevel() override { return logLevel; }
  std::string LogFilePath() override { return "C:\\Logs\\run.log"; }
  int CurrentFile() override { return currentFile; }
  int32_t RunRepeats(int) override { return repeats; }
  std::string PromptCommand() override { return "Item B"; }
  int32_t PromptResult() override { return 1; }
  std::string HttpStatus() override { return "200 OK"; }
  StudioWindows Windows() override { return {1001, 1002, 1003, 1004, 1005}; }
  uint32_t CurrentWindow() override { return currentWindow; }
  void SetCurrentWindow(uint32_t handle) override { currentWindow = handle; }
  void RequestStop() override { ++stops; }

  double LoopValue(int) override { return loop; }

  void Line(std::string_view line) override { lines.emplace_back(line); }
  void DebugOutput(std::string_view text) override { debug.emplace_back(text); }

  bool Exists() override { return paletteExists; }
  void ShowVariable(std::string_view name, std::string_view value, ShownAs kind) override {
    rows[std::string(name)] = {std::string(value), kind};
    ++paletteUpdates;
  }
  void RemoveVariable(std::string_view name) override { rows.erase(std::string(name)); }
  void Clear() override { rows.clear(); }

  int logLevel = 0;
  int currentFile = 0;
  int32_t repeats = 0;
  uint32_t currentWindow = 0;
  int stops = 0;
  float loop = 0;
  std::vector<std::string> lines, debug;
  bool paletteExists = true;
  std::map<std::string, std::pair<std::string, ShownAs>> rows;
  int paletteUpdates = 0;
};

// A folder of its own under the temporary folder, removed at the end.
class ScratchFolder {
 public:
  ScratchFolder() {
    static std::atomic<int> counter{0};
    auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("plumo-vars-" + std::to_string(now) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  // The path of a file in the folder; "" gives the folder with its separator.
  std::string File(const std::string& name) const {
    return name.empty() ? (path_ / "").string() : (path_ / name).string();
  }

 private:
  std::filesystem::path path_;
};

inline std::string FileContents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct VariablesWorld {
  // Over a registry of its own, or over a shared one.
  explicit VariablesWorld(Registry* shared = nullptr) : registry(shared ? *shared : memory) {
    Script script;
    script.path = "C:\\Scripts\\demo.vxm";
    for (int i = 1; i <= 10; ++i) {
      Step s;
      s.action = "Comment";
      s.text = "text of step " + std::to_string(i);
      script.steps.push_back(s);
    }
    scripts.Open(script);
  }

  MemoryRegistry memory;
  Registry& registry;
  FakeEnvironment environment;
  FakeClock clock;
  FakeLocale locale;
  FakeDesktop desktop;
  FakeDialogs dialogs;
  FakeFiles files;
  FakeSystem system;
  MemoryClipboard clipboard;
  SettingsStore settings{registry, environment, files};
  VariableStore variables{settings, registry};
  MemorySlots slots;
  ScriptSlots scripts;
  FakeRun run;
  ExpansionPorts ports{environment, clock, locale, desktop, dialogs, files, system, clipboard};
  ExpansionSources sources{settings, variables, slots, scripts, run, run, run};
  Expander expander{ports, sources};
  OutputStore output{expander, sources, run, OutputPorts{environment, clipboard, dialogs, system, clock, files}};

  // Stores text as a variable, as Store output writes it.
  void Set(const std::string& name, const std::string& value) {
    variables.Write(name, value + std::string(1, '\0'));
  }
  std::string X(std::string_view text, unsigned flags = 0, int step = 0) {
    return expander.Expand(text, 0, step, flags, nullptr);
  }
  Step& StepAt(int index) { return scripts.At(0)->steps[static_cast<size_t>(index)]; }
  // Step 1 gets the destination; the value is stored with its own size as its length.
  void Store(const std::string& kind, const std::string& option, std::string_view value, size_t length) {
    StepAt(0).output = kind;
    StepAt(0).outputValue = option;
    output.StoreOutput(0, 0, value, length);
  }
  void Store(const std::string& kind, const std::string& option, std::string_view value) {
    Store(kind, option, value, value.size());
  }
  RegValue Raw(const std::string& name) {
    RegValue v;
    (void)registry.ReadValue(RegRoot::kCurrentUser, "SOFTWARE\\Plumo\\UserVariables", name, &v);  // absent: empty
    return v;
  }
  std::string LastLine() { return run.lines.empty() ? std::string() : run.lines.back(); }
};

}  // namespace plumo
