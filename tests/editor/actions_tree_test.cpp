#include <gtest/gtest.h>

#include "editor/actions_tree.h"
#include "fakes/fake_environment.h"
#include "fakes/fake_files.h"
#include "platform/memory/memory_registry.h"

namespace plumo {
namespace {

// Lines 1 to 7; line 4 is the empty line between categories, line 5 has no icon.
const ActionCatalog& SmallCatalog() {
  static const ActionCatalog c = ActionCatalog::FromResource(
      "\nUse Window~3~9~0~@~#~<options>Partial Title,Activate,First</options>\r\n"
      "Close Window~3~16~9~N~#~<timeout>1</timeout>\r\n"
      "Type Text~4~20~0~N~#\r\n"
      "\r\n"
      "No Icon~16~0~0~N~N\r\n"
      "Windows API~16~50~0~@~#\r\n"
      "Comment~16~69~N~N\r\n");
  return c;
}

class ActionsTreeTest : public testing::Test {
 protected:
  void Favorite(int n, const std::string& text) {
    store_.WriteText(kFavoritePath, text, {n});
  }
  bool HasFavorite(int n) { return store_.Probe(kFavoritePath, {n}) != 0; }
  static std::vector<std::string> Names(const ActionGroup& g) {
    std::vector<std::string> out;
    for (const ActionLeaf& l : g.leaves) out.push_back(l.name);
    return out;
  }

  MemoryRegistry registry_;
  FakeEnvironment environment_;
  FakeFiles files_;
  SettingsStore store_{registry_, environment_, files_};
};

TEST_F(ActionsTreeTest, GroupsAndLeavesFromTheCatalogue) {
  store_.WriteNumber("*\\Palettes\\Actions\\tree_%d", 1, {100003});
  const ActionsTree tree = BuildActionsTree(SmallCatalog(), store_);
  ASSERT_EQ(tree.groups.size(), 16u);
  const ActionGroup& windows = tree.groups[2];
  EXPECT_EQ(windows.name, "Windows");
  EXPECT_EQ(windows.id, 100003);
  EXPECT_EQ(windows.image, 240);
  EXPECT_TRUE(windows.expanded);
  EXPECT_FALSE(tree.groups[3].expanded);
  EXPECT_EQ(Names(windows), (std::vector<std::string>{"Use Window", "Close Window"}));
  EXPECT_EQ(windows.leaves[1].id, 3002);
  EXPECT_EQ(windows.leaves[1].image, 16);
  EXPECT_EQ(Names(tree.groups[15]), (std::vector<std::string>{"Windows API", "Comment"}));
  EXPECT_EQ(tree.windowsApiId, 16006);
  EXPECT_TRUE(tree.groups[0].leaves.empty());

  SaveGroupExpanded(store_, 100003, false);
  EXPECT_FALSE(BuildActionsTree(SmallCatalog(), store_).groups[2].expanded);
}

TEST_F(ActionsTreeTest, FavouritesAndTheirDeletion) {
  Favorite(1, "Open it<step><action>Use Window</action><text>Notepad</text></step>");
  Favorite(2, "Both<step><action>Use Window</action></step><step><action>Type Text</action></step>");
  Favorite(3, "Gone<step><action>No Icon</action></step>");   // its action has no icon
  Favorite(4, "Unknown<step><action>Fly</action></step>");    // not in the catalogue
  Favorite(5, "no steps at all");
  Favorite(6, "<step><action>Comment</action></step>");        // nameless: kept, not shown
  const ActionsTree tree = BuildActionsTree(SmallCatalog(), store_);
  const ActionGroup& fav = tree.groups[0];
  EXPECT_EQ(Names(fav), (std::vector<std::string>{"Open it", "Both"}));
  EXPECT_EQ(fav.leaves[0].id, kFavoriteLeafId);
  EXPECT_EQ(fav.leaves[0].image, 9);
  EXPECT_EQ(fav.leaves[0].category, 3);
  EXPECT_EQ(fav.leaves[0].favorite, 1);
  EXPECT_EQ(fav.leaves[1].image, kSeveralStepsIcon);
  EXPECT_EQ(LeafStepsText(SmallCatalog(), fav.leaves[0]), "<step><action>Use Window</action><text>Notepad</text></step>");
  EXPECT_TRUE(HasFavorite(1));
  EXPECT_FALSE(HasFavorite(3));
  EXPECT_FALSE(HasFavorite(4));
  EXPECT_FALSE(HasFavorite(5));
  EXPECT_TRUE(HasFavorite(6));
}

TEST_F(ActionsTreeTest, DefaultStepsOfAnAction) {
  const ActionsTree tree = BuildActionsTree(SmallCatalog(), store_);
  EXPECT_EQ(LeafStepsText(SmallCatalog(), tree.groups[2].leaves[1]),
            "<step><action>Close Window</action><timeout>1</timeout></step>");
  EXPECT_EQ(LeafStepsText(SmallCatalog(), tree.groups[3].leaves[0]), "<step><action>Type Text</action></step>");
}

TEST(FavoriteSteps, OneStepToALineAndBackAsStored) {
  const struct {
    const char* stored;
    const char* shown;
  } cases[] = {
      {"<step><action>Beep</action></step>", "<step><action>Beep</action></step>"},
      {"<step><action>Beep</action></step><step><action>Delay</action></step>",
       "<step><action>Beep</action></step>\r\n<step><action>Delay</action></step>"},
      {"<step><text>a\r\nb</text></step>", "<step><text>a\r\nb</text></step>"},  // breaks inside a Step stay
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StepsOnLines(c.stored), c.shown);
    EXPECT_EQ(StepsJoined(c.shown), c.stored);
  }
  // What a user types between Steps goes; what follows the last Step stays.
  EXPECT_EQ(StepsJoined("<step>1</step>\n \t<step>2</step>\r\n"), "<step>1</step><step>2</step>\r\n");
  EXPECT_EQ(StepsJoined("<step>1</step> x<step>2</step>"), "<step>1</step> x<step>2</step>");
}

TEST_F(ActionsTreeTest, FilterKeepsMatchesAndTheirGroups) {
  Favorite(1, "My window<step><action>Use Window</action></step>");
  const ActionsTree tree = BuildActionsTree(SmallCatalog(), store_);
  const ActionsTree shown = FilterActionsTree(tree, " WINDOW ");
  ASSERT_EQ(shown.groups.size(), 3u);
  EXPECT_EQ(Names(shown.groups[0]), (std::vector<std::string>{"My window"}));
  EXPECT_EQ(Names(shown.groups[1]), (std::vector<std::string>{"Use Window", "Close Window"}));
  EXPECT_EQ(Names(shown.groups[2]), (std::vector<std::string>{"Windows API"}));
  EXPECT_TRUE(shown.groups[2].expanded);
  EXPECT_TRUE(FilterActionsTree(tree, "zzz").groups.empty());
  EXPECT_EQ(FilterActionsTree(tree, "").groups.size(), 16u);
}

TEST_F(ActionsTreeTest, AddRenameAndRemoveFavourites) {
  const std::string steps = "<step><action>Type Text</action></step>";
  Favorite(1, "taken" + steps);
  EXPECT_EQ(AddFavorite(store_, "Typing", steps), 2);
  EXPECT_EQ(AddFavorite(store_, "a<b", steps), 0);
  EXPECT_EQ(AddFavorite(store_, "  ", steps), 0);
  EXPECT_EQ(AddFavorite(store_, "No action", "<step></step>"), 0);
  EXPECT_TRUE(RenameFavorite(store_, 2, "Keys"));
  EXPECT_EQ(store_.ReadText(kFavoritePath, kMaxFavoriteBytes, {2}), "Keys" + steps);
  EXPECT_FALSE(RenameFavorite(store_, 7, "Keys"));
  const std::string changed = "<step><action>Type Text</action><text>hello</text></step>";
  EXPECT_TRUE(SetFavoriteSteps(store_, 2, changed));
  EXPECT_EQ(store_.ReadText(kFavoritePath, kMaxFavoriteBytes, {2}), "Keys" + changed);
  EXPECT_FALSE(SetFavoriteSteps(store_, 2, "<step><text>no action</text></step>"));
  EXPECT_FALSE(SetFavoriteSteps(store_, 7, changed));
  EXPECT_EQ(store_.ReadText(kFavoritePath, kMaxFavoriteBytes, {2}), "Keys" + changed);
  EXPECT_EQ(store_.Probe(kFavoritePath, {7}), 0u);
  for (int n = 3; n <= kMaxFavorites; ++n) Favorite(n, "f" + steps);
  EXPECT_EQ(AddFavorite(store_, "One too many", steps), 0);
  EXPECT_TRUE(RemoveFavorite(store_, 2));
  EXPECT_FALSE(RemoveFavorite(store_, 2));
  EXPECT_EQ(AddFavorite(store_, "Again", steps), 2);
  RemoveAllFavorites(store_);
  EXPECT_TRUE(BuildActionsTree(SmallCatalog(), store_).groups[0].leaves.empty());
}

TEST_F(ActionsTreeTest, FavouritesExportAsARegistryFile) {
  EXPECT_EQ(FavoritesRegFile(store_), "");
  Favorite(1, "Say \"hi\"<step><action>Beep</action><text>C:\\x</text></step>");
  Favorite(3, "Two\r\n");
  EXPECT_EQ(FavoritesRegFile(store_),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Plumo\\Favorites]\r\n"
            "\"Favorite01\"=\"Say \\\"hi\\\"<step><action>Beep</action><text>C:\\\\x</text></step>\"\r\n"
            "\"Favorite03\"=hex(1):54,77,6f,0d,0a,00\r\n\r\n");
}

}  // namespace
}  // namespace plumo
