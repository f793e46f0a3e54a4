// The recent-files list of the File menu, kept in *\RecentFile1 to *\RecentFile<count>.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace plumo {

class SettingsStore;

inline constexpr int kMaxRecentFiles = 32;

// *\RecentFileCount: 0 switches the list off; a negative count or one above 32 counts as 32.
int RecentFileCount(SettingsStore& store);
// The entries in order, empty slots left out.
std::vector<std::string> RecentFiles(SettingsStore& store);
// After a file was opened or saved: it becomes the first entry; the entries in front of its
// old place (all but the last when it was not listed) move down one place.
void NoteRecentFile(SettingsStore& store, std::string_view path);
// Forward slashes become backslashes and blanks around the path go.
std::string NormaliseRecentPath(std::string_view path);

}  // namespace plumo
