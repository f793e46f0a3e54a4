// The program builder: turns the Script of a slot into a Windows program, a console program or
// a DLL from a runtime image of PlumoRes.DLL.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/message_sink.h"
#include "compiler/build_request.h"
#include "compiler/program_resources.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "scripts/script.h"

namespace plumo {

inline constexpr const char* kCompileCaption = "Compile EXE";

// ".exe", ".com" or ".dll".
std::string_view PlatformExtension(Platform platform);

// The name with the platform's extension (the other two taken off its end), completed with the
// current folder when it names none. Empty for an empty name.
std::string CorrectOutputName(std::string_view name, Platform platform, std::string_view currentFolder);

// What the builder needs to know of the Steps that count.
struct StepCount {
  int counted = 0;
  int first = -1;                   // index of the first counted Step
  std::array<int, 17> perCategory{};  // by category 1..16
  bool callsScript = false;
  int prompts = 0;
  // IF Internet needs the Internet actions of the image as much as the category's Steps do.
  bool testsInternet = false;
};
StepCount CountSteps(const Script& script);

// The RT_RCDATA id of the runtime image in PlumoRes.DLL.
int RuntimeImageId(Platform platform, const StepCount& count);

// The summary printed before compiling, one entry per line.
std::vector<std::string> SummaryLines(const BuildRequest& request, std::string_view scriptPath);

// PlumoRes.DLL beside the program: its path with ".com" or ".exe" replaced by "Res.DLL".
std::string RuntimeLibraryPath(std::string_view programPath);

struct BuildServices {
  MessageSink& messages;                       // failures, captioned "Compile EXE"
  std::function<void(std::string_view)> line;  // progress and summary lines
  Files& files;
  Clock& clock;                                // the pauses that let scanners release the output
  ProgramResources& resources;
  Processes& processes;                        // runs the executable packer
  std::string currentFolder;
  std::string tempFolder;
  std::string runtimeLibrary;  // RuntimeLibraryPath of the running program
  // Variable expansion for the names of packaged files; names are taken as written without it.
  std::function<std::string(std::string_view)> expand = {};
};

// The Script text a program carries: "<Plumo>", the Steps without comments, "</Plumo>".
std::string CompiledScriptText(const Script& script);

// Builds the program; 1 on success, 0 after telling why. The Script itself is not changed.
int BuildProgram(BuildServices& services, const Script& script, const BuildRequest& request);

}  // namespace plumo
