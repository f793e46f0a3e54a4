#include "scripts/script_file.h"

#include <algorithm>
#include <new>

#include "base/text.h"
#include "scripts/new_step_settings.h"
#include "scripts/packed.h"
#include "scripts/pe_resources.h"
#include "scripts/script_writer.h"

namespace plumo {
namespace {

constexpr std::string_view kRoot = "<Plumo";
constexpr std::string_view kOldRoot = "<Brenhold";
constexpr std::string_view kXmlDeclaration = "<?xml version=\"1.0\" ?>\r\n";

LoadContext ContextFor(ScriptFileServices& io, std::string_view path) {
  LoadContext context{io.catalogs.For(path)};
  context.namesFolder = [&io](const std::string& text) {
    return io.files.Kind(io.expand ? io.expand(text) : text) == PathKind::kFolder;
  };
  context.programIcon = io.programIcon;
  context.progress = io.progress;
  return context;
}

void Error(ScriptFileServices& io, const std::string& text) { io.messages.Show(text, kErrorCaption); }

// The Script inside a compiled program, plain or packed; nothing when it cannot be had.
std::optional<std::string> CompiledScript(std::string_view program) {
  const auto resource = FindPeResource(program, kRcDataType, kCompiledScriptResource);
  if (!resource || resource->empty()) return std::nullopt;
  std::optional<std::string> text;
  if (LooksPlain(static_cast<unsigned char>((*resource)[0]))) text = std::string(*resource);
  else text = Unpack(*resource);
  if (text) text->resize(std::min(text->find('\0'), text->size()));
  return text;
}

// The text before the root element, when there is one.
std::string_view PrologOf(std::string_view text) {
  size_t root = text.find(kRoot);
  if (root == std::string_view::npos) root = text.find(kOldRoot);
  return root == std::string_view::npos ? std::string_view() : text.substr(0, root);
}

// A number setting, or what it is by default when it is absent.
int32_t NumberOr(SettingsStore& settings, std::string_view path, int32_t absent) {
  return settings.Probe(path) ? settings.ReadNumber(path) : absent;
}

void RecordLength(SettingsStore& settings, size_t steps) {
  if (NumberOr(settings, "*\\Report\\stats_active", 1) == 0) return;
  const int64_t length = static_cast<int64_t>(steps) + 1;
  if (length > settings.ReadNumber("*\\Report\\stats_longest_script"))
    settings.WriteNumber("*\\Report\\stats_longest_script", static_cast<uint32_t>(length));
}

bool EncodeXml(SettingsStore& settings) { return NumberOr(settings, "*\\EncodeXML", 1) != 0; }

// A slot that holds no Steps and no name, or no Script at all.
bool SlotFree(const ScriptSlots& slots, int slot) {
  const Script* s = slots.At(slot);
  return !s || (s->steps.empty() && (s->path.empty() || s->path == "Untitled"));
}

}  // namespace

std::string CleanPath(std::string_view path) {
  std::string s(path);
  s.erase(std::remove(s.begin(), s.end(), '"'), s.end());
  return std::string(Trim(s));
}

int ReadScriptFile(ScriptFileServices& io, std::string_view rawPath, Script& script) {
  const std::string path = CleanPath(rawPath);
  if (path.empty()) {
    io.messages.Show(kInvalidFileMessage, kInvalidFileCaption);
    return 0;
  }
  const std::optional<uint64_t> size = io.files.FileSize(path);
  if (!size) {
    Error(io, "Unable to open file '" + path + "'\n\nFile does not exist");
    return 0;
  }
  Script loaded;
  loaded.path = path;
  if (*size == 0) {
    script = std::move(loaded);
    return 1;
  }
  std::string bytes;
  bool opened = false;
  const OsError read = io.files.ReadFile(path, &bytes, &opened);
  if (!opened) {
    Error(io, "Unable to open file '" + path + "'!\n\nPlease verify that the file is not open in another program.");
    return 0;
  }
  if (read.code() == oscode::kNotEnoughMemory) {
    Error(io, kNoMemoryMessage);
    return 0;
  }
  if (!read.ok() || bytes.empty()) {
    Error(io, "Unable to read file");
    return 0;
  }

  std::string text;
  if (bytes.starts_with("MZ")) {
    auto compiled = CompiledScript(bytes);
    if (!compiled) {
      io.messages.Show("Unable to read \"" + path + "\"", path);
      return 0;
    }
    text = std::move(*compiled);
  } else {
    loaded.prolog = PrologOf(bytes);
    text = std::move(bytes);
  }
  if (!ContainsNoCase(text, "<action") && !ContainsNoCase(text, kRoot) && !ContainsNoCase(text, kOldRoot)) {
    Error(io, "\"" + path + "\" does not appear to contain Plumo actions");
    return 0;
  }
  loaded.layout = DetectLayout(text);
  // A Script saved without Steps is still a Script.
  if (ContainsNoCase(text, "<step")) {
    const LoadOutcome outcome = LoadSteps(text, loaded, -1, false, ContextFor(io, path));
    if (!outcome.error.empty()) Error(io, outcome.error);
    // Damage after some Steps keeps them; damage before the first leaves nothing to open.
    if (!outcome.error.empty() && (!outcome.stoppedAtEmptyAction || loaded.steps.empty())) return 0;
  }
  RecordLength(io.settings, loaded.steps.size());
  const int result = static_cast<int>(loaded.steps.size()) + 1;
  script = std::move(loaded);
  return result;
}

int OpenScriptFile(ScriptFileServices& io, ScriptSlots& slots, std::string_view path, int slot, int* openedSlot) {
  if (CleanPath(path).empty() || (slot != kAnySlot && (slot < 0 || slot >= ScriptSlots::kCount))) {
    io.messages.Show(kInvalidFileMessage, kInvalidFileCaption);
    return 0;
  }
  if (slot == kAnySlot) {
    for (int s = 0; s < ScriptSlots::kCount && slot == kAnySlot; ++s)
      if (SlotFree(slots, s)) slot = s;
    if (slot == kAnySlot) {
      io.messages.Show(TooManyScriptsMessage(), kWarningCaption);
      return 0;
    }
  }
  if (slots.Running(slot)) {
    io.messages.Show(kSlotRunningMessage, kWarningCaption);
    return 0;
  }
  Script script;
  const int result = ReadScriptFile(io, path, script);
  if (result == 0) return 0;
  slots.Set(slot, std::move(script));
  if (openedSlot) *openedSlot = slot;
  return result;
}

std::optional<std::string> ScriptFileText(ScriptFileServices& io, Script& script) {
  WriteOptions options;
  options.encodeXml = EncodeXml(io.settings);
  options.progress = io.progress;
  WriteOutcome steps = WriteSteps(script, options);
  if (!steps.error.empty()) {
    Error(io, steps.error);
    return std::nullopt;
  }
  std::string file;
  try {
    file.reserve(steps.text.size() + script.prolog.size() + 64);
    if (script.prolog.str().find("<?xml version=") == std::string::npos) file += kXmlDeclaration;
    file += script.prolog.str();
    file += "<Plumo>\r\n";
    file += steps.text;
    file += "</Plumo>";
  } catch (const std::bad_alloc&) {
    Error(io, kOutOfMemoryMessage);
    return std::nullopt;
  }
  return file;
}

bool SaveScriptFile(ScriptFileServices& io, Script& script) {
  std::string path = script.path.str();
  // A compiled program is never overwritten by its Script.
  if (EndsWithNoCase(path, ".EXE")) path.replace(path.size() - 4, 4, ".VXM");
  const auto file = ScriptFileText(io, script);
  if (!file) return false;
  bool created = false;
  const OsError e = io.files.ReplaceContent(path, *file, &created);
  if (!e.ok()) {
    Error(io, std::string(created ? "(2)" : "(1)") + " Unable to create file '" + path + "': " + e.message());
    return false;
  }
  script.path = path;
  return true;
}

std::optional<std::string> StepsAsText(ScriptFileServices& io, Script& script, const std::vector<size_t>& selection) {
  WriteOptions options;
  options.encodeXml = EncodeXml(io.settings);
  options.selection = &selection;
  options.progress = io.progress;
  WriteOutcome out = WriteSteps(script, options);
  if (!out.error.empty()) {
    Error(io, out.error);
    return std::nullopt;
  }
  return std::move(out.text);
}

size_t InsertStepsFromText(ScriptFileServices& io, std::string_view text, Script& script, long position,
                           bool asNew) {
  LoadContext context = ContextFor(io, script.path);
  if (asNew) context.newStepDefaults = ReadNewStepDefaults(io.settings);
  const LoadOutcome outcome = LoadSteps(text, script, position, asNew, context);
  if (!outcome.error.empty()) Error(io, outcome.error);
  return outcome.added;
}

}  // namespace plumo
