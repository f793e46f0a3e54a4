// What the studio does once at start and at its end, apart from its windows: the splash time,
// the count of uses, the .vxm association of the first start, and the files reopened next time.
#pragma once

#include <string>
#include <vector>

#include "platform/registry.h"
#include "settings/settings_store.h"

namespace plumo {

inline constexpr char kUsesSetting[] = "SOFTWARE\\Plumo\\Report\\stats_total_uses";
inline constexpr char kScriptFileClass[] = "Plumo.Script";

// How long the splash shows, 0 for none: 2500 ms for the first three uses, 1000 ms up to
// seven, 500 ms after; none when *\ShowSplash is off or the start runs a file.
int SplashMilliseconds(SettingsStore& store, bool runsAFile);

// Counts this start; true when it is the first (the count was 0).
bool CountStudioUse(SettingsStore& store);

// ".vxm" files open in this program (the current user's classes).
OsError AssociateScriptFiles(Registry& registry, const std::string& programPath);

// *\ReloadFiles_List: at most 8 names separated by ';', at most 2080 bytes.
inline constexpr size_t kReloadListBytes = 2080;
std::vector<std::string> FilesToReload(SettingsStore& store);
// Written only when *\ReloadFiles is on; names without a path (never saved) are left out.
void RememberFilesToReload(SettingsStore& store, const std::vector<std::string>& paths);

}  // namespace plumo
