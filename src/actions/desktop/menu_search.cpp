#include "actions/desktop/menu_search.h"

#include <string>

#include "base/text.h"

namespace plumo {
namespace {

constexpr int kMenuDepth = 16;
constexpr int kPathLevels = 8;
constexpr size_t kWantedChars = 63;

// The entry's text up to its tab and up to its "...".
std::string EntryText(const std::string& text) {
  std::string t = text.substr(0, text.find('\t'));
  return t.substr(0, t.find("..."));
}

class MenuSearch {
 public:
  MenuSearch(Desktop& desktop, std::string_view wanted)
      : desktop_(desktop), wanted_(wanted.substr(0, kWantedChars)), plainWanted_(Without(wanted_, '&')) {}

  std::optional<uint32_t> In(uint32_t menu, const std::string& parentPath, int depth) {
    const int count = desktop_.GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
      std::optional<MenuEntry> entry = desktop_.GetMenuItem(menu, i);
      if (!entry || entry->separator) continue;
      const std::string text = EntryText(entry->text);
      const std::string path = depth >= kPathLevels ? parentPath : parentPath.empty() ? text : parentPath + ";" + text;
      if (entry->submenu) {
        if (depth + 1 < kMenuDepth)
          if (std::optional<uint32_t> id = In(entry->submenu, path, depth + 1)) return id;
        continue;
      }
      if (Matches(text) || Matches(path)) return entry->id;
    }
    return std::nullopt;
  }

 private:
  bool Matches(const std::string& s) const {
    return StartsWithNoCase(s, wanted_) || StartsWithNoCase(Without(s, '&'), plainWanted_);
  }

  Desktop& desktop_;
  std::string wanted_;
  std::string plainWanted_;
};

}  // namespace

std::optional<uint32_t> FindMenuCommand(Desktop& desktop, uint32_t menu, std::string_view wanted) {
  if (!menu) return std::nullopt;
  return MenuSearch(desktop, wanted).In(menu, "", 0);
}

}  // namespace plumo
