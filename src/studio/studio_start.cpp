#include "studio/studio_start.h"

#include "base/version.h"
#include "editor/editor_texts.h"

namespace plumo {
namespace {

constexpr size_t kMaxReloadFiles = 8;

}  // namespace

int SplashMilliseconds(SettingsStore& store, bool runsAFile) {
  if (runsAFile || store.ReadNumber("*\\ShowSplash") == 0) return 0;
  const int uses = store.ReadNumber(kUsesSetting);
  return uses <= 3 ? 2500 : uses <= 7 ? 1000 : 500;
}

bool CountStudioUse(SettingsStore& store) {
  const int32_t uses = store.ReadNumber(kUsesSetting);
  store.WriteNumber(kUsesSetting, static_cast<uint32_t>(uses < 0 ? 1 : uses + 1));
  return uses == 0;
}

OsError AssociateScriptFiles(Registry& registry, const std::string& programPath) {
  const std::string classes = "Software\\Classes\\";
  const std::string open = "\"" + programPath + "\" \"%1\"";
  struct {
    std::string key, value;
  } rows[] = {
      {classes + ".vxm", kScriptFileClass},
      {classes + kScriptFileClass, std::string(kProductName) + " Script"},
      {classes + kScriptFileClass + "\\DefaultIcon", programPath + ",0"},
      {classes + kScriptFileClass + "\\shell\\open\\command", open},
  };
  for (const auto& row : rows)
    if (OsError e = registry.WriteValue(RegRoot::kCurrentUser, row.key, "", RegValue::Text(row.value)); !e.ok())
      return e;
  return {};
}

std::vector<std::string> FilesToReload(SettingsStore& store) {
  std::vector<std::string> files = SplitList(store.ReadText("*\\ReloadFiles_List", kReloadListBytes), ';');
  if (files.size() > kMaxReloadFiles) files.resize(kMaxReloadFiles);
  return files;
}

void RememberFilesToReload(SettingsStore& store, const std::vector<std::string>& paths) {
  if (store.ReadNumber("*\\ReloadFiles") == 0) return;
  std::string list;
  size_t count = 0;
  for (const std::string& path : paths) {
    if (path.empty() || count == kMaxReloadFiles) continue;
    // A name that would not fit is left out rather than cut into a wrong one.
    if (list.size() + path.size() + 1 >= kReloadListBytes) continue;
    if (!list.empty()) list += ';';
    list += path;
    ++count;
  }
  store.WriteText("*\\ReloadFiles_List", list);
}

}  // namespace plumo
