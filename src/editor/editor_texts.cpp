#include "editor/editor_texts.h"

#include <algorithm>
#include <cstdio>

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

std::vector<std::pair<std::string, std::string>> ScriptFacts(const Script& script,
                                                             const std::optional<FileFacts>& file,
                                                             unsigned long changes) {
  const std::string path = script.path.str();
  std::vector<std::pair<std::string, std::string>> rows = {{"Name", DisplayName(path)}};
  if (!path.empty()) rows.emplace_back("Folder", std::string(FolderPart(path)));
  if (file) {
    char when[48];
    const SystemTime& m = file->modified;
    std::snprintf(when, sizeof(when), "%04u-%02u-%02u %02u:%02u:%02u", m.year, m.month, m.day, m.hour, m.minute,
                  m.second);
    rows.emplace_back("Size", std::to_string(file->size) + (file->size == 1 ? " byte" : " bytes"));
    rows.emplace_back("Modified", when);
  } else {
    rows.emplace_back("Size", path.empty() ? "(never saved)" : "(the file is missing)");
  }
  size_t comments = 0, skipped = 0, breakpoints = 0, bookmarks = 0;
  for (const Step& s : script.steps) {
    comments += ContainsNoCase(s.action.str(), "Comment");
    skipped += (s.status & status::kSkip) != 0;
    breakpoints += (s.status & status::kBreakpoint) != 0;
    bookmarks += (s.status & status::kBookmark) != 0;
  }
  const std::pair<const char*, size_t> counts[] = {
      {"Steps", script.steps.size()}, {"Comments", comments},   {"Skipped", skipped},
      {"Breakpoints", breakpoints},   {"Bookmarks", bookmarks}, {"Unsaved changes", changes},
  };
  for (const auto& [label, n] : counts) rows.emplace_back(label, std::to_string(n));
  return rows;
}

}  // namespace plumo
