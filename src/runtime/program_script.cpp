#include "runtime/program_script.h"

#include <map>
#include <new>

#include "base/text.h"
#include "compiler/build_request.h"
#include "compiler/build_texts.h"
#include "compiler/program_image.h"
#include "scripts/packed.h"
#include "scripts/pe_resources.h"
#include "scripts/script_reader.h"

namespace plumo {
namespace {

constexpr std::string_view kScriptRoot = "<Plumo";

uint32_t LittleEndian32(std::string_view bytes) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
  return v;
}

std::string FileNameOf(std::string_view path) {
  const size_t cut = path.find_last_of("\\/");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string BaseNameOf(std::string_view path) {
  std::string name = FileNameOf(path);
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string Joined(const std::vector<std::string>& names) {
  std::string out;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out += ';';
    out += names[i];
  }
  return out;
}

}  // namespace

std::optional<std::string> ScriptTextOfBlock(std::string_view packed, std::string* error) {
  const std::optional<uint32_t> announced = AnnouncedLength(packed);
  std::optional<std::string> text;
  if (announced && *announced > 0 && *announced <= kMaxProgramScriptText) text = Unpack(packed);
  if (text && text->size() == *announced && ContainsNoCase(*text, kScriptRoot)) return text;
  // A Script stored unpacked is taken as it is, as the studio's reader takes it.
  if (!packed.empty() && LooksPlain(static_cast<unsigned char>(packed[0])) && ContainsNoCase(packed, kScriptRoot))
    return std::string(packed);
  if (!announced || *announced == 0 || *announced > kMaxProgramScriptText) *error = "The program's Script is damaged (its length is not plausible).";
  else if (!text || text->size() != *announced) *error = "The program's Script is damaged (it does not unpack).";
  else *error = "The program's data holds no Script.";
  return std::nullopt;
}

std::optional<std::string> TrailerBlock(std::string_view file, std::string* error) {
  if (file.size() <= kTrailerLengthBytes) {
    *error = "The program holds no Script (no resource 9002 and no Script block at its end).";
    return std::nullopt;
  }
  const size_t room = file.size() - kTrailerLengthBytes;
  const uint32_t length = LittleEndian32(file.substr(room));
  if (length < kPackedHeaderSize || length > room) {
    *error = "The program holds no Script (no resource 9002, and the Script block's length " + std::to_string(length) +
             " does not fit a file of " + std::to_string(file.size()) + " bytes).";
    return std::nullopt;
  }
  std::string block(file.substr(room - length, length));
  Scramble(block);
  return block;
}

bool LoadProgramScript(std::string_view text, const ActionCatalog& catalog, Script& script, std::string* error) {
  Script loaded;
  loaded.layout = DetectLayout(text);
  if (ContainsNoCase(text, "<step")) {
    LoadContext context{catalog};
    context.readEmbeddedIds = true;
    const LoadOutcome outcome = LoadSteps(text, loaded, -1, false, context);
    if (!outcome.error.empty() && !outcome.stoppedAtEmptyAction) {
      *error = outcome.error;
      return false;
    }
  }
  script.steps = std::move(loaded.steps);
  script.layout = loaded.layout;
  return true;
}

std::optional<std::string> ProgramScriptText(ProgramPorts& ports, const ProgramModule& module, std::string* error) {
  std::string resource;
  if (ports.resources.ReadData(module.resourceModule, kCompiledScriptResource, &resource).ok() && !resource.empty())
    return ScriptTextOfBlock(resource, error);
  std::string file;
  bool opened = false;
  if (const OsError read = ports.files.ReadFile(module.file, &file, &opened); !read.ok()) {
    *error = "Unable to read the program file '" + module.file + "': " + read.ToString();
    return std::nullopt;
  }
  std::optional<std::string> block = TrailerBlock(file, error);
  if (!block) return std::nullopt;
  return ScriptTextOfBlock(*block, error);
}

bool ExtractPackagedFiles(ProgramPorts& ports, const ProgramModule& module, Script& script, std::string* error) {
  std::map<int32_t, std::string> extracted;  // id -> path of its copy
  const std::string prefix = ports.environment.TempFolder() + BaseNameOf(module.file) + "_";
  for (Step& step : script.steps) {
    const PackagedKind kind = PackagedFilesOf(step, packaging::kImageFiles | packaging::kDataFiles);
    if (kind == PackagedKind::kNone || step.embeddedIds[0] <= 0) continue;
    std::vector<std::string> names = PackagedNames(kind == PackagedKind::kImage ? std::string_view(step.text) : std::string_view(step.value1));
    for (size_t n = 0; n < step.embeddedIds.size() && step.embeddedIds[n] > 0; ++n) {
      const int32_t id = step.embeddedIds[n];
      auto it = extracted.find(id);
      if (it == extracted.end()) {
        const std::string original = n < names.size() ? FileNameOf(names[n]) : std::string();
        const std::string path = prefix + std::to_string(id) + "_" + (original.empty() ? "file" : original);
        std::string bytes;
        if (const OsError read = ports.resources.ReadData(module.resourceModule, static_cast<uint32_t>(id), &bytes); !read.ok()) {
          *error = "The packaged file " + std::to_string(id) + " is missing from the program: " + read.ToString();
          return false;
        }
        bool created = false;
        if (const OsError wrote = ports.files.ReplaceContent(path, bytes, &created); !wrote.ok()) {
          *error = "Unable to write the packaged file '" + path + "': " + wrote.ToString();
          return false;
        }
        it = extracted.emplace(id, path).first;
      }
      if (n < names.size()) names[n] = it->second;
      else names.push_back(it->second);
    }
    if (kind == PackagedKind::kImage) step.text = Joined(names);
    else step.value1 = Joined(names);
  }
  return true;
}

bool OpenProgramScript(ProgramPorts& ports, const ProgramModule& module, const ActionCatalog& catalog, Script& script,
                       std::string* error) {
  try {
    std::optional<std::string> text = ProgramScriptText(ports, module, error);
    if (!text) return false;
    Script loaded;
    loaded.path = module.file;
    if (!LoadProgramScript(*text, catalog, loaded, error)) return false;
    if (!ExtractPackagedFiles(ports, module, loaded, error)) return false;
    script = std::move(loaded);
    return true;
  } catch (const std::bad_alloc&) {
    *error = kNoMemoryMessage;
    return false;
  }
}

}  // namespace plumo
