#include "editor/recent_files.h"

#include <algorithm>

#include "base/text.h"
#include "settings/settings_store.h"

namespace plumo {
namespace {

constexpr size_t kPathWidth = 260;
constexpr int kDefaultRecentFiles = 16;

std::string Entry(SettingsStore& store, int n) { return store.ReadText("*\\RecentFile%d", kPathWidth, {n}); }

void SetEntry(SettingsStore& store, int n, const std::string& path) {
  if (path.empty())
    store.Delete("*\\RecentFile%d", {n});
  else
    store.WriteText("*\\RecentFile%d", path, {n});
}

}  // namespace

int RecentFileCount(SettingsStore& store) {
  if (store.Probe("*\\RecentFileCount") == 0) return kDefaultRecentFiles;
  const int count = store.ReadNumber("*\\RecentFileCount");
  return count < 0 || count > kMaxRecentFiles ? kMaxRecentFiles : count;
}

std::vector<std::string> RecentFiles(SettingsStore& store) {
  std::vector<std::string> files;
  for (int n = 1, count = RecentFileCount(store); n <= count; ++n)
    if (std::string e = Entry(store, n); !e.empty()) files.push_back(std::move(e));
  return files;
}

std::string NormaliseRecentPath(std::string_view path) {
  std::string out(Trim(path));
  std::replace(out.begin(), out.end(), '/', '\\');
  return out;
}

void NoteRecentFile(SettingsStore& store, std::string_view path) {
  const int count = RecentFileCount(store);
  const std::string file = NormaliseRecentPath(path);
  if (count == 0 || file.empty()) return;
  std::vector<std::string> entries(static_cast<size_t>(count));
  for (int n = 1; n <= count; ++n) entries[static_cast<size_t>(n - 1)] = Entry(store, n);
  auto found = std::find_if(entries.begin(), entries.end(), [&](const std::string& e) { return EqualsNoCase(e, file); });
  const int at = found == entries.end() ? count : static_cast<int>(found - entries.begin()) + 1;
  for (int n = std::min(at, count); n > 1; --n) SetEntry(store, n, entries[static_cast<size_t>(n - 2)]);
  SetEntry(store, 1, file);
}

}  // namespace plumo
