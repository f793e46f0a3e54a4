// The short texts the studio window shows for an open file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "scripts/script.h"

namespace plumo {

inline constexpr const char* kUntitled = "Untitled";
inline constexpr const char* kConfirmCaption = "Confirm Action";

// The name without its folder, or "Untitled" for a file never saved.
std::string DisplayName(std::string_view path);
// "%s - Plumo Studio %s": the name and the major.minor version.
std::string WindowTitle(std::string_view path);
// The full path with *\ShowFullFilesInTabs, else the name.
std::string TabText(std::string_view path, bool fullPath);
// " Editing: %lu change%s", or " Ready" without changes.
std::string EditingStatus(unsigned long changes);
// "Save changes to %s?" (caption kConfirmCaption).
std::string SaveQuestion(std::string_view path);
// The non-empty entries of a list kept as one text (the Find history, the files to reopen).
std::vector<std::string> SplitList(std::string_view list, char separator);

// The file Properties: label and value per row, for the file (facts absent when never saved or
// gone) and its Steps.
std::vector<std::pair<std::string, std::string>> ScriptFacts(const Script& script,
                                                             const std::optional<FileFacts>& file,
                                                             unsigned long changes);

// *\Palettes\MainList\IndentSize spaces (at most 31) per indent level.
std::string IndentText(int size);

}  // namespace plumo
