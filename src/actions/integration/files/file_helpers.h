// What the Files & Folders actions share: paths built the Windows way (the Files port reads
// them on every build), masks, sizes and the read-only rule.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "actions/integration/action_context.h"
#include "base/text.h"
#include "platform/files.h"

namespace plumo {

bool IsSeparator(char c);
// folder + "\\" + name, with one separator between them.
std::string Joined(std::string_view folder, std::string_view name);
bool HasWildcards(std::string_view name);
// The path without separators at its end (a root keeps one).
std::string WithoutTrailingSeparators(std::string_view path);

// A size in bytes, optionally followed by K, KB, M, MB, G or GB (of 1024); nullopt for
// anything else.
std::optional<uint64_t> SizeOf(std::string_view text);

// Fails the Step when the file exists and may not be written: read-only on every build, as
// Windows treats it, and folders. True when it failed the Step.
bool RefuseToWrite(ActionContext& c, const std::string& path, std::string_view what);

}  // namespace plumo
