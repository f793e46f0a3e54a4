#include "editor/editor_texts.h"

#include <algorithm>

#include "base/text.h"
#include "base/version.h"

namespace plumo {

std::string DisplayName(std::string_view path) {
  const std::string_view name = NamePart(path);
  return name.empty() || EqualsNoCase(name, kUntitled) ? kUntitled : std::string(name);
}

std::string WindowTitle(std::string_view path) {
  return DisplayName(path) + " - " + kProductName + " Studio " + std::to_string(kVersionMajor) + "." +
         std::to_string(kVersionMinor);
}

std::string TabText(std::string_view path, bool fullPath) {
  return fullPath && !path.empty() ? std::string(path) : DisplayName(path);
}

std::string EditingStatus(unsigned long changes) {
  if (changes == 0) return " Ready";
  return " Editing: " + std::to_string(changes) + " change" + (changes == 1 ? "" : "s");
}

std::string SaveQuestion(std::string_view path) { return "Save changes to " + DisplayName(path) + "?"; }

std::vector<std::string> SplitList(std::string_view list, char separator) {
  std::vector<std::string> entries;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(separator, start);
    if (end == std::string_view::npos) end = list.size();
    if (end > start) entries.emplace_back(list.substr(start, end - start));
    start = end + 1;
  }
  return entries;
}

std::string IndentText(int size) { return std::string(static_cast<size_t>(std::clamp(size, 0, 31)), ' '); }

}  // namespace plumo
