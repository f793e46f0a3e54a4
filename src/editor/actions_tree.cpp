#include "editor/actions_tree.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>

#include "base/text.h"
#include "settings/setting_path.h"

namespace plumo {
namespace {

size_t CountOf(std::string_view text, std::string_view what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

// The leaf of the favourite in place `number`, or none; deletes an entry that is there but
// cannot be read or names an action without an icon.
std::optional<ActionLeaf> ReadFavorite(const ActionCatalog& catalog, SettingsStore& store, int number) {
  if (store.Probe(kFavoritePath, {number}) == 0) return std::nullopt;
  const std::string text = store.ReadText(kFavoritePath, kMaxFavoriteBytes, {number});
  const size_t lt = text.find('<');
  ActionLeaf leaf;
  leaf.id = kFavoriteLeafId;
  leaf.favorite = number;
  leaf.name = text.substr(0, lt);
  leaf.steps = lt == std::string::npos ? "" : text.substr(lt);
  if (CountOf(leaf.steps, "<action") < 2) {
    const size_t open = leaf.steps.find("<action>");
    if (open != std::string::npos) {
      const size_t from = open + 8;
      ActionInfo info;
      catalog.Lookup(std::string_view(leaf.steps).substr(from, leaf.steps.find('<', from) - from), &info);
      leaf.image = info.image;
      leaf.category = info.category;
    }
  } else {
    leaf.image = kSeveralStepsIcon;
    leaf.category = category::kFavorites;
  }
  if (leaf.image < 1) {
    store.Delete(kFavoritePath, {number});
    return std::nullopt;
  }
  if (leaf.name.empty()) return std::nullopt;
  return leaf;
}

}  // namespace

ActionsTree BuildActionsTree(const ActionCatalog& catalog, SettingsStore& store) {
  ActionsTree tree;
  for (const ActionCategory& c : kActionCategories) {
    ActionGroup& g = tree.groups.emplace_back();
    g.category = c.number;
    g.name = c.name;
    g.id = kActionGroupIdBase + c.number;
    g.image = kActionGroupIconBase + c.number;
    g.expanded = store.ReadNumber(kGroupExpandedPath, {g.id}) != 0;
  }
  for (const CatalogRow& row : catalog.Rows()) {
    if (row.image < 1 || !ValidCategory(row.category)) continue;
    ActionLeaf leaf;
    leaf.id = row.category * 1000 + row.line;
    leaf.name = row.name;
    leaf.image = row.image;
    leaf.category = row.category;
    if (row.name == "Windows API") tree.windowsApiId = leaf.id;
    tree.groups[row.category - 1].leaves.push_back(std::move(leaf));
  }
  for (int n = 1; n <= kMaxFavorites; ++n)
    if (std::optional<ActionLeaf> leaf = ReadFavorite(catalog, store, n))
      tree.groups[category::kFavorites - 1].leaves.push_back(std::move(*leaf));
  return tree;
}

ActionsTree FilterActionsTree(const ActionsTree& tree, std::string_view typed) {
  const std::string_view wanted = Trim(typed);
  if (wanted.empty()) return tree;
  ActionsTree out;
  out.windowsApiId = tree.windowsApiId;
  for (const ActionGroup& g : tree.groups) {
    ActionGroup kept = g;
    kept.leaves.clear();
    kept.expanded = true;
    for (const ActionLeaf& leaf : g.leaves)
      if (ContainsNoCase(leaf.name, wanted)) kept.leaves.push_back(leaf);
    if (!kept.leaves.empty()) out.groups.push_back(std::move(kept));
  }
  return out;
}

void SaveGroupExpanded(SettingsStore& store, int groupId, bool expanded) {
  store.WriteNumber(kGroupExpandedPath, expanded ? 1 : 0, {groupId});
}

std::string LeafStepsText(const ActionCatalog& catalog, const ActionLeaf& leaf) {
  if (leaf.favorite) return leaf.steps;
  ActionInfo info;
  catalog.Lookup(leaf.name, &info);
  return info.defaultText;
}

namespace {
constexpr std::string_view kStepEnd = "</step>";
constexpr std::string_view kStepStart = "<step>";
}  // namespace

std::string StepsOnLines(std::string_view steps) {
  std::string out(steps);
  ReplaceAllNoCase(out, "</step><step>", "</step>\r\n<step>");
  return out;
}

std::string StepsJoined(std::string_view steps) {
  std::string out;
  out.reserve(steps.size());
  for (size_t at = 0; at < steps.size();) {
    const size_t end = steps.find(kStepEnd, at);
    if (end == std::string_view::npos) {
      out += steps.substr(at);
      break;
    }
    size_t next = end + kStepEnd.size();
    out += steps.substr(at, next - at);
    size_t after = next;
    while (after < steps.size() && (steps[after] == '\r' || steps[after] == '\n' || steps[after] == ' ' || steps[after] == '\t'))
      ++after;
    at = steps.substr(after).starts_with(kStepStart) ? after : next;
  }
  return out;
}

bool ValidFavoriteName(std::string_view name) {
  return !Trim(name).empty() && name.find('<') == std::string_view::npos;
}

int AddFavorite(SettingsStore& store, std::string_view name, std::string_view steps) {
  if (!ValidFavoriteName(name) || steps.find("<action>") == std::string_view::npos) return 0;
  for (int n = 1; n <= kMaxFavorites; ++n) {
    if (store.Probe(kFavoritePath, {n}) != 0) continue;
    std::string text(Trim(name));
    text += steps;
    return store.WriteText(kFavoritePath, text, {n}) ? n : 0;
  }
  return 0;
}

namespace {

// A stored favourite split into its name and its Steps; nothing when there is none.
std::optional<std::pair<std::string, std::string>> FavoriteParts(SettingsStore& store, int number) {
  if (store.Probe(kFavoritePath, {number}) == 0) return std::nullopt;
  const std::string text = store.ReadText(kFavoritePath, kMaxFavoriteBytes, {number});
  const size_t lt = text.find('<');
  if (lt == std::string::npos) return std::nullopt;
  return std::pair{text.substr(0, lt), text.substr(lt)};
}

}  // namespace

bool RenameFavorite(SettingsStore& store, int number, std::string_view name) {
  if (!ValidFavoriteName(name)) return false;
  const auto parts = FavoriteParts(store, number);
  return parts && store.WriteText(kFavoritePath, std::string(Trim(name)) + parts->second, {number}) != 0;
}

bool SetFavoriteSteps(SettingsStore& store, int number, std::string_view steps) {
  if (steps.find("<action>") == std::string_view::npos) return false;
  const auto parts = FavoriteParts(store, number);
  return parts && store.WriteText(kFavoritePath, parts->first + std::string(steps), {number}) != 0;
}

bool RemoveFavorite(SettingsStore& store, int number) {
  return number >= 1 && number <= kMaxFavorites && store.Delete(kFavoritePath, {number}) == 1;
}

void RemoveAllFavorites(SettingsStore& store) {
  for (int n = 1; n <= kMaxFavorites; ++n) store.Delete(kFavoritePath, {n});
}

std::string FavoritesRegFile(SettingsStore& store) {
  std::string body;
  for (int n = 1; n <= kMaxFavorites; ++n) {
    if (store.Probe(kFavoritePath, {n}) == 0) continue;
    const std::string text = store.ReadText(kFavoritePath, kMaxFavoriteBytes, {n});
    char name[32];
    std::snprintf(name, sizeof(name), "\"Favorite%02d\"=", n);
    body += name;
    const bool plain = std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    if (plain) {
      body += '"';
      for (char c : text) {
        if (c == '\\' || c == '"') body += '\\';
        body += c;
      }
      body += '"';
    } else {
      body += "hex(1):";
      static constexpr char kHex[] = "0123456789abcdef";
      for (unsigned char c : text + '\0') {
        if (body.back() != ':') body += ',';
        body += kHex[c >> 4];
        body += kHex[c & 15];
      }
    }
    body += "\r\n";
  }
  if (body.empty()) return "";
  const std::optional<SettingLocation> loc = ResolveSettingPath(kFavoritePath, {1}, store.keyOverride());
  if (!loc) return "";
  return "REGEDIT4\r\n\r\n[" + std::string(RootName(loc->root)) + "\\" + loc->key + "]\r\n" + body + "\r\n";
}

}  // namespace plumo
