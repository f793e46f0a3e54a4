#include "compiler/program_builder.h"

#include "base/text.h"

namespace plumo {
namespace {

constexpr std::string_view kExtensions[] = {".exe", ".com", ".dll"};

// Category 8 actions that ask nothing of the user, by a word of their name.
constexpr std::string_view kNoPromptWords[] = {"Display Message", "Display Warning", "Ask Yes/No", "Custom Message",
                                               "File",            "Folder",          "Create Win"};
constexpr int kPromptCategory = 8;
constexpr int kInternetCategory = 11;

// Runtime images by platform, then: Call Script, prompts with Internet, prompts alone,
// Internet alone, none of these.
constexpr int kRuntimeImages[3][5] = {
    {1005, 1005, 1004, 1003, 1002},
    {1010, 1010, 1010, 1010, 1009},
    {1008, 1008, 1007, 1008, 1006},
};

const char* YesNo(bool b) { return b ? "Yes" : "No"; }
std::string OrNone(const std::string& s) { return s.empty() ? "(none)" : s; }

const char* PlatformName(Platform p) {
  switch (p) {
    case Platform::kConsole: return "CONSOLE";
    case Platform::kDll: return "Dynamic Link Library (DLL)";
    case Platform::kWindows: break;
  }
  return "WIN32";
}

}  // namespace

std::string_view PlatformExtension(Platform platform) { return kExtensions[static_cast<int>(platform)]; }

std::string CorrectOutputName(std::string_view name, Platform platform, std::string_view currentFolder) {
  if (name.empty()) return std::string();
  std::string out(name);
  const std::string_view ext = PlatformExtension(platform);
  if (!EndsWithNoCase(out, ext)) {
    for (std::string_view other : kExtensions)
      if (other != ext && EndsWithNoCase(out, other)) out.resize(out.size() - other.size());
    out += ext;
  }
  if (out.find('\\') == std::string::npos && !currentFolder.empty()) {
    std::string folder(currentFolder);
    if (folder.back() != '\\') folder.push_back('\\');
    out = folder + out;
  }
  return out;
}

StepCount CountSteps(const Script& script) {
  StepCount c;
  for (size_t i = 0; i < script.steps.size(); ++i) {
    const Step& s = script.steps[i];
    if (s.category < 1 || s.category > 16) break;
    if (s.status == 1 || s.status == 2 || ContainsNoCase(s.action, "Comment")) continue;
    if (c.counted++ == 0) c.first = static_cast<int>(i);
    ++c.perCategory[s.category];
    if (ContainsNoCase(s.action, "Call Script")) c.callsScript = true;
    if (s.category == kPromptCategory) {
      bool prompt = true;
      for (std::string_view w : kNoPromptWords)
        if (ContainsNoCase(s.action, w)) prompt = false;
      if (prompt) ++c.prompts;
    }
  }
  return c;
}

int RuntimeImageId(Platform platform, const StepCount& count) {
  const bool internet = count.perCategory[kInternetCategory] > 0;
  const bool prompts = count.prompts > 0;
  int column = count.callsScript          ? 0
               : prompts && internet      ? 1
               : prompts                  ? 2
               : internet                 ? 3
                                          : 4;
  return kRuntimeImages[static_cast<int>(platform)][column];
}

std::vector<std::string> SummaryLines(const BuildRequest& r, std::string_view scriptPath) {
  const bool windows = r.platform == Platform::kWindows;
  std::vector<std::string> lines = {" ", "--------- COMPILE PROGRAM ---------", "    EXE Output File:    " + r.output};
  if (windows) lines.push_back("    Icon File:          " + OrNone(r.icon));
  lines.push_back("    Version:            " + OrNone(r.version));
  lines.push_back("    Copyright:          " + OrNone(r.copyright));
  lines.push_back("    Description:        " + OrNone(r.description));
  lines.push_back(std::string("    Compress:           ") + YesNo(r.compress));
  if (windows) lines.push_back(std::string("    Single Instance:    ") + YesNo(r.singleInstance));
  lines.push_back(std::string("    Encrypt:            ") + YesNo(r.encrypt));
  lines.push_back(std::string("    Embed Image Files:  ") + YesNo(r.packaging & packaging::kImageFiles));
  lines.push_back(std::string("    Embed Data Files:   ") + YesNo(r.packaging & packaging::kDataFiles));
  lines.push_back(std::string("    Platform:           ") + PlatformName(r.platform));
  lines.push_back("Compiling '" + std::string(scriptPath) + "'...");
  return lines;
}

std::string RuntimeLibraryPath(std::string_view programPath) {
  std::string path(programPath);
  if (EndsWithNoCase(path, ".com") || EndsWithNoCase(path, ".exe")) path.resize(path.size() - 4);
  return path + "Res.DLL";
}

int BuildProgram(BuildServices& services, const Script& script, const BuildRequest& request) {
  BuildRequest r = request;
  r.output = CorrectOutputName(request.output, request.platform, services.currentFolder);
  if (r.output.empty()) {
    services.messages.Show("No output file name provided", kCompileCaption);
    return 0;
  }
  const StepCount count = CountSteps(script);
  if (count.counted == 0) {
    services.messages.Show("Nothing to compile", kCompileCaption);
    return 0;
  }
  if (services.files.Kind(services.runtimeLibrary) != PathKind::kFile) {
    services.messages.Show("Unable to find required system file for compile.\n\nPlease re-install the application.",
                           kCompileCaption);
    return 0;
  }
  // The runtime images and the writing of programs come with PlumoRes.DLL's images.
  services.messages.Show("Unable to compile: building programs (runtime image " +
                             std::to_string(RuntimeImageId(r.platform, count)) +
                             ") is not available in this version; no output was written.",
                         kCompileCaption);
  return 0;
}

}  // namespace plumo
