// Script files: opening one into a Script slot (or into the one Script of the console
// compiler), saving, and Steps as clipboard text. Every failure is told through the message
// sink with the caption the user knows.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/message_sink.h"
#include "platform/files.h"
#include "scripts/action_catalog.h"
#include "scripts/script.h"
#include "scripts/script_reader.h"
#include "settings/settings_store.h"

namespace plumo {

// Expands the variables of a Step parameter.
using ExpandVariables = std::function<std::string(const std::string&)>;

struct ScriptFileServices {
  Files& files;
  MessageSink& messages;
  // *\\EncodeXML, the statistics under *\\Report, the new-Step defaults.
  SettingsStore& settings;
  ActionCatalogs& catalogs;
  // For "Wait for File/Folder" Steps of older files; without it their text is taken as written.
  ExpandVariables expand = {};
  // See LoadContext.
  std::function<std::optional<int32_t>(const std::string& program)> programIcon = {};
  // Loading more than 100 or writing more than 50 Steps reports here.
  Progress progress = {};
};

constexpr int kAnySlot = -1;
inline constexpr const char* kInvalidFileMessage = "Invalid File";
inline constexpr const char* kInvalidFileCaption = " ";

// Opens the file into the given slot, or the first slot that holds no Steps and no name.
// Returns the number of Steps plus 1, or 0 after telling why. *openedSlot gets the slot used.
int OpenScriptFile(ScriptFileServices& io, ScriptSlots& slots, std::string_view path, int slot = kAnySlot,
                   int* openedSlot = nullptr);

// Reads the file into script, which is replaced only when the file could be read. A Script
// file or a compiled program ("MZ"), whose Script is its data resource 9002. Returns the number
// of Steps plus 1, or 0 after telling why.
int ReadScriptFile(ScriptFileServices& io, std::string_view path, Script& script);

// Saves the whole Script under its path (".EXE" becomes ".VXM", and the Script takes that
// path). The old file is replaced only by a complete new one. False after telling why.
bool SaveScriptFile(ScriptFileServices& io, Script& script);

// The whole file as SaveScriptFile writes it; nothing after telling why (no memory).
std::optional<std::string> ScriptFileText(ScriptFileServices& io, Script& script);

// The selected Steps with their comments, as copying puts them on the clipboard; nothing
// after telling why.
std::optional<std::string> StepsAsText(ScriptFileServices& io, Script& script, const std::vector<size_t>& selection);

// Step elements of a text (a paste, or with asNew an action added from the palette, which
// takes the new-Step defaults of the settings) inserted at a position. Returns the number of
// Steps added; failures are told.
size_t InsertStepsFromText(ScriptFileServices& io, std::string_view text, Script& script, long position,
                           bool asNew = false);

// The path with its double quotes removed and blanks trimmed.
std::string CleanPath(std::string_view path);

}  // namespace plumo
