#include "compiler/program_builder.h"

#include <algorithm>
#include <optional>

#include "base/text.h"
#include "compiler/build_texts.h"
#include "compiler/icon_file.h"
#include "compiler/program_image.h"
#include "compiler/version_info.h"
#include "scripts/action_catalog.h"
#include "scripts/packed.h"
#include "scripts/pe_resources.h"
#include "scripts/script_writer.h"

namespace plumo {
namespace {

constexpr std::string_view kExtensions[] = {".exe", ".com", ".dll"};

// Category 8 actions that ask nothing of the user, by a word of their name.
constexpr std::string_view kNoPromptWords[] = {"Display Message", "Display Warning", "Ask Yes/No", "Custom Message",
                                               "File",            "Folder",          "Create Win"};

// Runtime images by platform, then: Call Script, prompts with Internet, prompts alone,
// Internet alone, none of these.
constexpr int kRuntimeImages[3][5] = {
    {1005, 1005, 1004, 1003, 1002},
    {1010, 1010, 1010, 1010, 1009},
    {1008, 1008, 1007, 1008, 1006},
};

// The rule every counting of the build shares: up to the first Step of no known category,
// leaving out Steps marked only skipped or only breakpoint, and comments. fn(step, index).
template <typename Steps, typename Fn>
void ForEachCounted(Steps& steps, Fn fn) {
  for (size_t i = 0; i < steps.size(); ++i) {
    auto& s = steps[i];
    if (!ValidCategory(s.category)) break;
    if (s.status == 1 || s.status == 2 || ContainsNoCase(s.action, "Comment")) continue;
    fn(s, i);
  }
}

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
  ForEachCounted(script.steps, [&c](const Step& s, size_t i) {
    if (c.counted++ == 0) c.first = static_cast<int>(i);
    ++c.perCategory[s.category];
    if (ContainsNoCase(s.action, "Call Script")) c.callsScript = true;
    if (s.category == category::kIf && ContainsNoCase(s.action, "Internet")) c.testsInternet = true;
    if (s.category == category::kUserPrompts) {
      bool prompt = true;
      for (std::string_view w : kNoPromptWords)
        if (ContainsNoCase(s.action, w)) prompt = false;
      if (prompt) ++c.prompts;
    }
  });
  return c;
}

int RuntimeImageId(Platform platform, const StepCount& count) {
  const bool internet = count.perCategory[category::kInternet] > 0 || count.testsInternet;
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

std::string CompiledScriptText(const Script& script) {
  Script copy = script;
  WriteOptions options;
  options.withComments = false;
  return "<Plumo>\r\n" + WriteSteps(copy, options).text + "</Plumo>";
}

namespace {

// The pauses between the steps of a build, in milliseconds.
namespace pause {
constexpr uint32_t kAfterDelete = 250;
constexpr uint32_t kAfterSummary = 250;
constexpr uint32_t kBeforeRewrite = 100;
constexpr uint32_t kAfterRewrite = 500;
constexpr uint32_t kBeforeScript = 500;
constexpr uint32_t kBeforeCompress = 250;
constexpr uint32_t kPackerSettle = 1000;
constexpr uint32_t kPackerDeleteRetry = 250;
constexpr uint32_t kBeforeSize = 150;
}  // namespace pause

constexpr int kPackerDeleteAttempts = 40;
constexpr uint32_t kPackerTimeoutMs = 20000;
constexpr uint32_t kPackerResource = 1001;
constexpr uint32_t kFirstPackagedId = 2000;
constexpr size_t kPackagedNamesKept = 32;
constexpr const char* kPackerOptions = " -9 -q -f --compress-icons=0 ";
constexpr const char* kCompressionError = "Compression error while creating EXE output";
constexpr const char* kDamagedImage = "The runtime image in the runtime library is damaged.";

constexpr std::string_view kDosMessageActions[] = {"Display Message", "Display Warning"};

constexpr const char* kDllHelp =
    "The DLL function to call is:\n\n\tRunScript ( 1, \"text\" )\n\n* Parameter #1 is the starting step\n"
    "* Parameter #2 is any data string to pass to the DLL   \n* The function name is case sensitive";

// The system's error text after a failure message, unless it reports success.
std::string WithErrorText(std::string text, const std::string& systemText) {
  if (systemText.find("uccess") == std::string::npos) text += "\n\nError: \"" + systemText + "\"";
  return text;
}

uint16_t Get16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
}

// The RT_ICON ids an icon group lists; nothing when the group is cut short.
std::optional<std::vector<uint16_t>> GroupMembers(std::string_view group) {
  constexpr size_t kHeader = 6, kEntry = 14, kIdAt = 12;
  if (group.size() < kHeader) return std::nullopt;
  const size_t count = Get16(group, 4);
  if (kHeader + count * kEntry > group.size()) return std::nullopt;
  std::vector<uint16_t> ids;
  for (size_t i = 0; i < count; ++i) ids.push_back(Get16(group, kHeader + i * kEntry + kIdAt));
  return ids;
}

class Builder {
 public:
  Builder(BuildServices& services, const Script& script, const BuildRequest& request)
      : sv_(services), script_(script), r_(request) {}

  int Run() {
    r_.output = CorrectOutputName(r_.output, r_.platform, sv_.currentFolder);
    if (r_.output.empty()) return Fail("No output file name provided");
    const StepCount count = CountSteps(script_);
    if (count.counted == 0) return Fail("Nothing to compile");
    if (!RemoveOldOutput()) return 0;
    if (sv_.files.Kind(sv_.runtimeLibrary) != PathKind::kFile)
      return Fail("Unable to find required system file for compile.\n\nPlease re-install the application.");
    const int imageId = RuntimeImageId(r_.platform, count);
    std::string packed;
    if (!CopyRuntimeImage(imageId, &packed)) return 0;
    if (!r_.quiet)
      for (const std::string& line : SummaryLines(r_, script_.path.str())) Print(line);
    sv_.clock.Sleep(pause::kAfterSummary);
    if (r_.platform == Platform::kConsole && count.counted == 1) {
      const Step& only = script_.steps[count.first];
      if (IsDosMessage(only)) return WriteDosProgram(only.text);
    }
    if (!UnpackImage(packed, imageId)) return 0;
    if (!SetVersion()) return 0;
    if (!SetIcon()) return 0;
    if (r_.packaging) Package();
    if (!StoreScript()) return 0;
    if (r_.compress && r_.platform != Platform::kDll) Compress();
    Finish();
    return 1;
  }

 private:
  bool dll() const { return r_.platform == Platform::kDll; }
  void Print(std::string_view line) {
    if (sv_.line) sv_.line(line);
  }
  int Fail(const std::string& text) {
    sv_.messages.Show(text, kCompileCaption);
    return 0;
  }
  // A failure once the output exists: the half-made program goes.
  int FailAndDelete(const std::string& text) {
    (void)sv_.files.Delete(r_.output);  // the failure the user is told of is the first one
    return Fail(text);
  }

  bool RemoveOldOutput() {
    if (sv_.files.Kind(r_.output) != PathKind::kNone &&
        (!sv_.files.Delete(r_.output).ok() || sv_.files.Kind(r_.output) != PathKind::kNone)) {
      sv_.messages.Show("Unable to create EXE output file", r_.output);
      return false;
    }
    sv_.clock.Sleep(pause::kAfterDelete);
    return true;
  }

  bool CopyRuntimeImage(int imageId, std::string* packed) {
    OsError error = OsError("FindResourceA", oscode::kResourceNameNotFound,
                            "The specified resource name cannot be found in the image file.");
    if (auto found = sv_.resources.Find(sv_.runtimeLibrary, restype::kRcData, ResourceName::Number(imageId))) {
      *packed = std::move(found->bytes);
      bool created = false;
      error = sv_.files.ReplaceContent(r_.output, *packed, &created);
    }
    if (error.ok()) return true;
    std::string text = "Unable to create EXE output.  \n\nError Message: \"" + error.message() + "\"";
    if (error.message().find("Access") != std::string::npos)
      text += "\n\nYou should compile to a different folder, such as \"My Documents.\"";
    Fail(text);
    return false;
  }

  static bool IsDosMessage(const Step& step) {
    bool named = false;
    for (std::string_view a : kDosMessageActions) named = named || EqualsNoCase(step.action.str(), a);
    return named && step.output.empty() && step.text.find('{') == std::string::npos;
  }

  int WriteDosProgram(const std::string& text) {
    bool created = false;
    const OsError error = sv_.files.ReplaceContent(r_.output, DosMessageProgram(text), &created);
    if (!error.ok()) return FailAndDelete(WithErrorText("Unable to write the EXE header.", error.message()) +
                                          "\n\nPlease try to compile again.");
    Print("Successfully created 16-bit mode [" + r_.output + "]");
    Print("File Size: " + std::to_string(text.size() + 11) + " bytes");
    return 1;
  }

  bool UnpackImage(const std::string& packed, int imageId) {
    std::optional<std::string> image = Unpack(packed);
    OsError error;
    if (!image || !PutDosHeader(*image)) {
      error = OsError("Unpack", oscode::kInvalidParameter, kDamagedImage);
    } else {
      (void)sv_.files.Delete(r_.output);  // a file that stays makes the write below fail and say so
      sv_.clock.Sleep(pause::kBeforeRewrite);
      bool created = false;
      error = sv_.files.ReplaceContent(r_.output, *image, &created);
      sv_.clock.Sleep(pause::kAfterRewrite);
    }
    if (!error.ok()) {
      FailAndDelete(WithErrorText("Unable to write the EXE header.", error.message()) +
                    "\n\nPlease try to compile again.");
      return false;
    }
    if (dll()) return true;
    // A runtime image without an option block runs as any program does: nothing to mark.
    if (!MarkOptionBlock(*image, r_.singleInstance, imageId)) return true;
    bool created = false;
    if (!sv_.files.ReplaceContent(r_.output, *image, &created).ok()) {
      FailAndDelete("Unable to update EXE output file");
      return false;
    }
    return true;
  }

  bool SetVersion() {
    if (r_.version.empty()) return true;
    VersionPatch patch{VersionNumbers(r_.version), r_.copyright, r_.description};
    const bool anyNumber = std::any_of(patch.numbers.begin(), patch.numbers.end(), [](uint16_t n) { return n != 0; });
    if (!anyNumber && r_.copyright.empty() && r_.description.empty()) return true;
    const ResourceName one = ResourceName::Number(1);
    auto found = sv_.resources.Find(r_.output, restype::kVersion, one);
    uint16_t language = 0;
    if (!found || !PatchVersionInfo(found->bytes, patch, &language)) {
      FailAndDelete("Error setting Version information");
      return false;
    }
    std::vector<ResourceChange> changes;
    // Written under another language the old block would stay beside the new one.
    if (found->language != language) changes.push_back({restype::kVersion, one, found->language, {}, true});
    changes.push_back({restype::kVersion, one, language, std::move(found->bytes)});
    if (!sv_.resources.Update(r_.output, changes).ok()) {
      FailAndDelete("Error setting Version information");
      return false;
    }
    return true;
  }

  bool SetIcon() {
    if (r_.icon.empty() || dll()) return true;
    std::vector<ResourceChange> changes;
    OsError error = RemoveFirstIconGroup(&changes);
    if (error.ok()) error = ContainsNoCase(r_.icon, ".ICO") ? AddIconFile(&changes) : AddIconOfProgram(&changes);
    if (error.ok()) error = sv_.resources.Update(r_.output, changes);
    if (error.ok()) return true;
    FailAndDelete("Error compiling icon from '" + r_.icon + "'\n\n" + error.message());
    return false;
  }

  OsError RemoveFirstIconGroup(std::vector<ResourceChange>* changes) {
    constexpr uint32_t kLastGroupId = 1999;
    for (const ResourceName& name : sv_.resources.Names(r_.output, restype::kGroupIcon)) {
      if (!name.text.empty() || name.id > kLastGroupId) continue;
      auto group = sv_.resources.Find(r_.output, restype::kGroupIcon, name);
      if (!group) continue;
      for (uint16_t id : GroupMembers(group->bytes).value_or(std::vector<uint16_t>{})) {
        auto icon = sv_.resources.Find(r_.output, restype::kIcon, ResourceName::Number(id));
        changes->push_back({restype::kIcon, ResourceName::Number(id), icon ? icon->language : reslang::kEnglishUs, {}, true});
      }
      changes->push_back({restype::kGroupIcon, name, group->language, {}, true});
      break;
    }
    return OsError::Ok();
  }

  OsError AddIconFile(std::vector<ResourceChange>* changes) {
    std::string ico;
    bool opened = false;
    OsError error = sv_.files.ReadFile(r_.icon, &ico, &opened);
    if (!error.ok()) return error;
    auto icon = IconResourcesFromIco(ico);
    if (!icon) return OsError("IconFile", oscode::kInvalidParameter, "The file is not an icon file.");
    for (size_t i = 0; i < icon->images.size(); ++i)
      AddOrReplace(changes, {restype::kIcon, ResourceName::Number(static_cast<uint32_t>(i + 1)), reslang::kEnglishUs,
                             std::move(icon->images[i])});
    changes->push_back({restype::kGroupIcon, ResourceName::Number(1), reslang::kNeutral, std::move(icon->group)});
    return OsError::Ok();
  }

  OsError AddIconOfProgram(std::vector<ResourceChange>* changes) {
    const OsError noIcon("FindResourceA", oscode::kResourceNameNotFound,
                         "The specified resource type cannot be found in the image file.");
    if (sv_.files.Kind(r_.icon) != PathKind::kFile)
      return OsError("LoadLibraryExA", oscode::kFileNotFound, "The system cannot find the file specified.");
    const std::vector<ResourceName> groups = sv_.resources.Names(r_.icon, restype::kGroupIcon);
    if (groups.empty()) return noIcon;
    auto group = sv_.resources.Find(r_.icon, restype::kGroupIcon, groups.front());
    if (!group) return noIcon;
    const auto members = GroupMembers(group->bytes);
    if (!members) return OsError("IconGroup", oscode::kInvalidParameter, "The icon group is damaged.");
    for (uint16_t id : *members) {
      auto image = sv_.resources.Find(r_.icon, restype::kIcon, ResourceName::Number(id));
      if (!image) return noIcon;
      AddOrReplace(changes, {restype::kIcon, ResourceName::Number(id), reslang::kEnglishUs, std::move(image->bytes)});
    }
    changes->push_back({restype::kGroupIcon, groups.front(), reslang::kNeutral, std::move(group->bytes)});
    return OsError::Ok();
  }

  // A new image under an id the removed group used replaces the removal.
  static void AddOrReplace(std::vector<ResourceChange>* changes, ResourceChange change) {
    for (ResourceChange& c : *changes)
      if (c.type == change.type && c.name == change.name && c.language == change.language) {
        c = std::move(change);
        return;
      }
    changes->push_back(std::move(change));
  }

  // Quiet builds package all the same: a program that lacks its files fails where it runs.
  void Package() {
    if (!r_.quiet) Print("Packaging External Files...");
    std::vector<std::pair<std::string, int32_t>> table;
    int files = 0, linked = 0;
    bool stopped = false;
    ForEachCounted(script_.steps, [&](Step& step, size_t) {
      if (stopped) return;
      const PackagedKind kind = PackagedFilesOf(step, r_.packaging);
      if (kind == PackagedKind::kNone) return;
      const std::string list = Expand(kind == PackagedKind::kImage ? step.text : step.value1.str());
      if (kind == PackagedKind::kImage && IsColourOrPattern(list)) return;
      size_t slot = 0;
      for (const std::string& name : PackagedNames(list)) {
        auto known = std::find_if(table.begin(), table.end(),
                                  [&](const auto& e) { return EqualsNoCase(e.first, name); });
        if (known != table.end()) {
          step.embeddedIds[slot++] = known->second;
          ++linked;
          continue;
        }
        const int32_t id = static_cast<int32_t>(kFirstPackagedId) + files;
        std::string bytes;
        bool opened = false;
        if (!sv_.files.ReadFile(name, &bytes, &opened).ok() ||
            !sv_.resources.Update(r_.output, {{restype::kRcData, ResourceName::Number(id), reslang::kNeutral, bytes}})
                 .ok()) {
          Print("    ERROR: failure embedding '" + name + "'!  Discontinuing file embedding\r\n");
          stopped = true;
          return;
        }
        step.embeddedIds[slot++] = id;
        ++files;
        packageBytes_ += bytes.size();
        if (table.size() < kPackagedNamesKept) table.emplace_back(name, id);
      }
    });
    if (!r_.quiet)
      for (const std::string& line : PackagingLines(files, linked, packageBytes_)) Print(line);
  }

  std::string Expand(std::string_view text) { return sv_.expand ? sv_.expand(text) : std::string(text); }

  bool StoreScript() {
    std::optional<std::string> block = Pack(CompiledScriptText(script_), kPackWindow);
    OsError error("Pack", oscode::kNotEnoughMemory, "Not enough memory to pack the Script.");
    if (block && (!r_.encrypt || dll())) {
      sv_.clock.Sleep(pause::kBeforeScript);
      error = sv_.resources.Update(
          r_.output, {{restype::kRcData, ResourceName::Number(kCompiledScriptResource), reslang::kNeutral, *block}});
    } else if (block) {
      if (!r_.quiet) Print("Encrypting...");
      error = AppendScrambled(std::move(*block));
    }
    if (error.ok()) return true;
    FailAndDelete(WithErrorText("Error while compiling VXM script.", error.message()) +
                  "\n\nPlease try to compile again (the \"encrypted\" method may work)");
    return false;
  }

  OsError AppendScrambled(std::string block) {
    std::string program;
    bool opened = false;
    OsError error = sv_.files.ReadFile(r_.output, &program, &opened);
    if (!error.ok()) return error;
    Scramble(block);
    const uint32_t length = static_cast<uint32_t>(block.size());
    program += block;
    for (int i = 0; i < 4; ++i) program.push_back(static_cast<char>((length >> (8 * i)) & 0xFF));
    bool created = false;
    return sv_.files.ReplaceContent(r_.output, program, &created);
  }

  // A failed compression leaves the program as it is, uncompressed.
  void Compress() {
    if (!r_.quiet) Print("Compressing...");
    sv_.clock.Sleep(pause::kBeforeCompress);
    std::string folder = sv_.tempFolder;
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder.push_back('\\');
    const std::string packer = folder + "_VT" + std::to_string(sv_.clock.TickCount() & 0xFFFF) + ".exe";
    auto found = sv_.resources.Find(sv_.runtimeLibrary, restype::kRcData, ResourceName::Number(kPackerResource));
    if (!found) {
      Print(kCompressionError);
      return;
    }
    std::string program = std::move(found->bytes);
    Scramble(program);
    bool created = false;
    if (!PutDosHeader(program) || !sv_.files.ReplaceContent(packer, program, &created).ok()) {
      Print(kCompressionError);
      return;
    }
    sv_.clock.Sleep(pause::kPackerSettle);
    if (!sv_.processes.RunAndWait(packer + kPackerOptions + "\"" + r_.output + "\"", kPackerTimeoutMs).ok())
      Print(kCompressionError);
    for (int attempt = 0; attempt < kPackerDeleteAttempts; ++attempt) {
      if (sv_.files.Delete(packer).ok() && sv_.files.Kind(packer) == PathKind::kNone) break;
      sv_.clock.Sleep(pause::kPackerDeleteRetry);
    }
  }

  void Finish() {
    sv_.clock.Sleep(pause::kBeforeSize);
    if (r_.quiet) return;
    const std::optional<uint64_t> size = sv_.files.FileSize(r_.output);
    Print(OutputSizeLine(size));
    if (size.value_or(0) < packageBytes_) Print("Unknown problem while creating [" + r_.output + "]!");
    else Print("Successfully created [" + r_.output + "]");
    Print(" ");
    if (dll()) Print(kDllHelp);
  }

  BuildServices& sv_;
  Script script_;  // a copy: packaging gives its Steps embedded ids
  BuildRequest r_;
  uint64_t packageBytes_ = 0;
};

}  // namespace

int BuildProgram(BuildServices& services, const Script& script, const BuildRequest& request) {
  return Builder(services, script, request).Run();
}

}  // namespace plumo
