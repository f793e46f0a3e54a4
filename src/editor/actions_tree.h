// The Actions palette's tree: sixteen groups in category order, the catalogue's actions under
// their groups, the user's favourites (Steps saved under a name) under "Favorites", and the
// expansion of each group kept in the settings. No window: the studio draws what this builds.
//
//   ActionsTree tree = BuildActionsTree(catalog, store);   // deletes unreadable favourites
//   ActionsTree shown = FilterActionsTree(tree, "win");    // as the user types
//   std::string xml = LeafStepsText(catalog, leaf);        // what inserting it adds
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "scripts/action_catalog.h"
#include "settings/settings_store.h"

namespace plumo {

inline constexpr int kActionGroupIdBase = 100000;
inline constexpr int kActionGroupIconBase = 237;
inline constexpr int kFavoriteLeafId = 1000;
inline constexpr int kSeveralStepsIcon = 254;
inline constexpr int kMaxFavorites = 32;
inline constexpr size_t kMaxFavoriteBytes = 1 << 20;
inline constexpr std::string_view kFavoritePath = "SOFTWARE\\Plumo\\Favorites\\Favorite%02d";
inline constexpr std::string_view kGroupExpandedPath = "*\\Palettes\\Actions\\tree_%d";

struct ActionLeaf {
  int id = 0;        // category x 1000 + catalogue line; kFavoriteLeafId for a favourite
  std::string name;  // the action's, or the name the user gave the favourite
  int image = 0;     // catalogue icon; kSeveralStepsIcon for a favourite of several Steps
  int category = 0;  // of the action; Favorites for a favourite of several Steps
  int favorite = 0;  // 1 to 32 for a favourite
  std::string steps;  // a favourite's Steps in the file syntax; empty for catalogue actions
};

struct ActionGroup {
  int category = 0;
  std::string name;
  int id = 0;     // kActionGroupIdBase + category
  int image = 0;  // kActionGroupIconBase + category
  bool expanded = false;
  std::vector<ActionLeaf> leaves;
};

struct ActionsTree {
  std::vector<ActionGroup> groups;  // always sixteen, in category order
  int windowsApiId = 0;             // the "Windows API" leaf's id, 0 when the catalogue lacks it
};

// Reads the favourites as it goes and deletes those that exist but cannot be read or whose
// action has no icon.
ActionsTree BuildActionsTree(const ActionCatalog& catalog, SettingsStore& store);
// The leaves whose name holds the typed text (any case) and the groups that hold them, shown
// expanded; the whole tree for an empty text.
ActionsTree FilterActionsTree(const ActionsTree& tree, std::string_view typed);
void SaveGroupExpanded(SettingsStore& store, int groupId, bool expanded);

// The Steps a leaf adds, in the file syntax: a favourite's own, else the catalogue's default.
std::string LeafStepsText(const ActionCatalog& catalog, const ActionLeaf& leaf);

// Steps one to a line, for editing in a box, and back together as they are stored: only the
// breaks between one Step's end and the next one's start are added or taken out.
std::string StepsOnLines(std::string_view steps);
std::string StepsJoined(std::string_view steps);

// Favourites are "name<step>...</step>": the name ends at the first '<', so it may hold none.
bool ValidFavoriteName(std::string_view name);
// Stored in the first free place; its number, or 0 when the name is not valid, the Steps hold
// no action or all 32 places are taken.
int AddFavorite(SettingsStore& store, std::string_view name, std::string_view steps);
bool RenameFavorite(SettingsStore& store, int number, std::string_view name);
// The favourite's Steps replaced, its name kept; false when there is no such favourite or the
// Steps hold no action.
bool SetFavoriteSteps(SettingsStore& store, int number, std::string_view steps);
bool RemoveFavorite(SettingsStore& store, int number);
void RemoveAllFavorites(SettingsStore& store);
// Every favourite as a registry file (REGEDIT4) that puts them back where they are kept; texts
// with line breaks are written as hex(1) so that the file imports them unchanged. Empty when
// there is none.
std::string FavoritesRegFile(SettingsStore& store);

}  // namespace plumo
