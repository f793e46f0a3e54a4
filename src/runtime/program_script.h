// The Script a built program carries: data resource 9002 of its own module, or, in an
// encrypted program, a scrambled block at the very end of its file followed by the block's
// length in 4 bytes little-endian. Files the builder packaged (resources 2000, 2001, ...) are
// put in the temporary folder and the Steps that name them are pointed at the copies.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "scripts/action_catalog.h"
#include "scripts/script.h"

namespace plumo {

constexpr size_t kTrailerLengthBytes = 4;
// A Script text beyond this is taken as a damaged block, not allocated.
constexpr uint32_t kMaxProgramScriptText = 64u << 20;

// The Script text out of a packed block (resource 9002, or an unscrambled trailer block).
// Nothing with *error for a block that does not unpack or holds no Script.
std::optional<std::string> ScriptTextOfBlock(std::string_view packed, std::string* error);

// The packed block behind the file's trailer, unscrambled. Nothing with *error when the file
// is shorter than the length field or the length does not fit the file.
std::optional<std::string> TrailerBlock(std::string_view file, std::string* error);

// The Steps of a Script text, with their embedded ids; false with *error when none could be
// read. A Script of no Steps is a Script.
bool LoadProgramScript(std::string_view text, const ActionCatalog& catalog, Script& script, std::string* error);

// Where a built program finds itself.
struct ProgramModule {
  // Module whose resources hold the Script and the packaged files: "" for the running
  // program, a DLL's own path for a DLL.
  std::string resourceModule;
  // The module's file, read for the trailer.
  std::string file;
};

struct ProgramPorts {
  Resources& resources;
  Files& files;
  Environment& environment;
};

// The Script of the module: resource 9002, else the trailer. Nothing with *error.
std::optional<std::string> ProgramScriptText(ProgramPorts& ports, const ProgramModule& module, std::string* error);

// Copies each packaged file a Step names into the temporary folder (once per id) and puts
// the copy's path in place of the name, so that executors see ordinary files. False with
// *error when a file cannot be had or written.
bool ExtractPackagedFiles(ProgramPorts& ports, const ProgramModule& module, Script& script, std::string* error);

// All of it: the Script text, its Steps, the packaged files. The Script's path is the module file.
bool OpenProgramScript(ProgramPorts& ports, const ProgramModule& module, const ActionCatalog& catalog, Script& script,
                       std::string* error);

}  // namespace plumo
