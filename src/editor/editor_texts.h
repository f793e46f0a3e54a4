// The short texts the studio window shows for an open file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

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

// *\Palettes\MainList\IndentSize spaces (at most 31) per indent level.
std::string IndentText(int size);

}  // namespace plumo
